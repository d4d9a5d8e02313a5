#pragma once
// The main frame: menu, toolbar, status bar and the client window.
#include "app/MenuTable.h"
#include "app/ViewHost.h"
#include "res/AppIdentity.h"

#include <QHash>
#include <QMainWindow>
#include <QTimer>

class CNoteView;
class Prompt;
class QAction;
class QDialog;
class QLabel;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(const std::string& programFolder, const std::string& commandLine, Prompt* prompt = nullptr,
               const std::string& lockName = kInstanceLockName);
    ~CMainFrame() override;

    CNoteView* view() const { return m_view; }
    QToolBar* toolBar() const { return m_toolBar; }
    // The action of `command` (shared by its menu item and toolbar button).
    QAction* action(Command command) const { return m_actions.value(command); }

    // Routes a command as the menu, the toolbar and posted commands do; a command that is
    // disabled now is not run.
    void runCommand(Command command);
    // For callers that still hold a bare id: an id that is no command of the table does nothing.
    void runCommand(int commandId);
    // Runs `command` once the current operation has returned to the event loop.
    void postCommand(Command command);
    // Applies the enable and check rules of every command to its action.
    void updateCommandStates();
    CommandContext commandContext() const;

    // The about box (dialog 100); the caller runs it.
    static QDialog* createAboutDialog(QWidget* parent);

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void buildMenu();
    void buildToolBar();
    void buildStatusBar();
    void onIdle();
    void updateIndicators();

    CNoteView* m_view;
    Prompt* m_prompt;
    QHash<Command, QAction*> m_actions;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_capsIndicator = nullptr;
    QLabel* m_numIndicator = nullptr;
    QLabel* m_scrollIndicator = nullptr;
    QTimer m_idleTimer;
    bool m_closing = false;  // a close is deciding: asking, writing the day or waiting for a job
};
