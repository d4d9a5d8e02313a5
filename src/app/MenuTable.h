#pragma once
// The command table of the main window: every command's menu place, caption, prompt, toolbar
// place and the rule that enables and checks it. The frame builds its menu and toolbar from it.
#include <QString>

#include <array>
#include <span>

// When a command is enabled (and, for the view commands, checked).
enum class EnableRule {
    Always,
    Detail,               // the detail page is shown
    DayCountAbove0,       // at least one day record
    DayCountAbove1,       // at least two day records
    DetailAndTwoDays,     // the detail page with at least two day records
    Internet,             // weather retrieval over the internet is switched on
    ViewCalendar,         // enabled unless the calendar is shown; checked while it is
    ViewGraph,            // same for the graph
    ViewList,             // same for the list
    ToolBarShown,         // always enabled; checked while the toolbar is shown
    StatusBarShown,       // always enabled; checked while the status bar is shown
};

enum MenuPopup { PopupNone = -1, PopupFile, PopupEdit, PopupView, PopupSettings, PopupHelp, PopupCount };

struct MenuCommand {
    int id;
    int popup;             // MenuPopup; PopupNone for commands without a menu item
    const char* caption;   // menu caption, null without a menu item
    const char* prompt;    // status-bar text, then "\n" and the tooltip
    bool toolbar;          // has a toolbar button
    bool separatorAfter;   // a separator follows the menu item
    EnableRule rule;
};

namespace Cmd {
inline constexpr int ImportPhoto = 32774;
inline constexpr int ImportPhotoRotated = 32847;
inline constexpr int BulkImport = 32846;
inline constexpr int ExportAvi = 32809;
inline constexpr int Print = 57607;
inline constexpr int Exit = 57665;
inline constexpr int FetchWeather = 32780;
inline constexpr int Entry = 32849;
inline constexpr int EditMemo = 32822;
inline constexpr int ChangeData = 32806;
inline constexpr int DeleteDay = 32817;
inline constexpr int EditAnimation = 32843;
inline constexpr int BulkWeather = 32851;
inline constexpr int Calendar = 32792;
inline constexpr int Graph = 32800;
inline constexpr int List = 59410;
inline constexpr int PreviousDay = 32824;
inline constexpr int NextDay = 32826;
inline constexpr int Animation = 32803;
inline constexpr int ToolBar = 59392;
inline constexpr int StatusBar = 59393;
inline constexpr int NotebookSettings = 32813;
inline constexpr int InternetSettings = 32815;
inline constexpr int GraphSettings = 32833;
inline constexpr int ListSettings = 32853;
inline constexpr int Help = 32821;
inline constexpr int About = 57664;
inline constexpr int Save = 57603;
inline constexpr int PrintFont = 32819;
} // namespace Cmd

// Popup captions, indexed by MenuPopup.
extern const std::array<const char*, PopupCount> kMenuPopups;
// Every command in menu order (the commands without a menu item last).
std::span<const MenuCommand> MenuCommands();
// The toolbar buttons from left to right, and the caption under each button's icon.
extern const std::array<int, 8> kToolBarOrder;
extern const std::array<const char*, 8> kToolBarCaptions;
// Null when the id is not a command of the table.
const MenuCommand* FindCommand(int id);

// What the rules look at.
struct CommandContext {
    int viewMode = 0;
    int dayCount = 0;
    int internetEnabled = 0;
    bool toolBarShown = true;
    bool statusBarShown = true;
};

struct CommandState {
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

CommandState EvaluateCommand(EnableRule rule, const CommandContext& context);

// The status-bar part (before "\n") and the tooltip part (after it) of a command's prompt.
QString StatusText(const MenuCommand& command);
QString ToolTipText(const MenuCommand& command);
