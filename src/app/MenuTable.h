#pragma once
// The command table of the main window: every command's menu place, caption, prompt, toolbar
// place and the rule that enables and checks it. The frame builds its menu and toolbar from it.
#include "app/CNotebook.h"
#include "res/Commands.h"

#include <QString>

#include <array>
#include <optional>
#include <span>

// When a command is enabled (and, for the view commands, checked).
enum class EnableRule {
    Always,
    Detail,            // the detail page is shown
    DetailOrCalendar,  // the detail page or the calendar (its selected day) is shown
    DayCountAbove0,    // at least one day record
    DayCountAbove1,    // at least two day records
    DetailAndTwoDays,  // the detail page with at least two day records
    Internet,          // weather retrieval over the internet is switched on
    ViewCalendar,      // enabled unless the calendar is shown; checked while it is
    ViewGraph,         // same for the graph
    ViewList,          // same for the list
    ToolBarShown,      // always enabled; checked while the toolbar is shown
    StatusBarShown,    // always enabled; checked while the status bar is shown
};

enum MenuPopup { PopupNone = -1, PopupFile, PopupEdit, PopupView, PopupSettings, PopupHelp, PopupCount };

// The command with id `id`; none when the table has no such command.
std::optional<Command> CommandFromId(int id);

struct MenuCommand {
    Command id;
    MenuPopup popup;      // PopupNone for commands without a menu item
    const char* caption;  // menu caption, null without a menu item
    const char* prompt;   // status-bar text, then "\n" and the tooltip
    bool toolbar;         // has a toolbar button
    bool separatorAfter;  // a separator follows the menu item
    EnableRule rule;
    // Starts a long job (or the animation editor): disabled, whatever its rule, while one runs.
    bool longJob = false;
};

// Popup captions, indexed by MenuPopup.
extern const std::array<const char*, PopupCount> kMenuPopups;
// Every command in menu order (the commands without a menu item last).
std::span<const MenuCommand> MenuCommands();
// The toolbar buttons from left to right, and the caption under each button's icon.
extern const std::array<Command, 8> kToolBarOrder;
extern const std::array<const char*, 8> kToolBarCaptions;
// The row of `command`; every command has one.
const MenuCommand& FindCommand(Command command);

// What the rules look at.
struct CommandContext {
    ViewMode viewMode = ViewMode::None;
    int dayCount = 0;
    int internetEnabled = 0;
    bool toolBarShown = true;
    bool statusBarShown = true;
    bool jobRunning = false;  // a long job runs (CNotebook::RunningJob)
};

struct CommandState {
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

CommandState EvaluateCommand(EnableRule rule, const CommandContext& context);
// The rule of `command`, and no second long job while one runs.
CommandState EvaluateCommand(const MenuCommand& command, const CommandContext& context);

// The status-bar part (before "\n") and the tooltip part (after it) of a command's prompt.
QString StatusText(const MenuCommand& command);
QString ToolTipText(const MenuCommand& command);
