#pragma once
// The main frame: menu, toolbar, status bar and the client window.
#include "app/MenuTable.h"
#include "app/ViewHost.h"

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
               const std::string& lockName = "QuillaneKelto");
    ~CMainFrame() override;

    CNoteView* view() const { return m_view; }
    QToolBar* toolBar() const { return m_toolBar; }
    // The action of command `commandId` (shared by its menu item and toolbar button).
    QAction* action(int commandId) const { return m_actions.value(commandId); }

    // Routes a command id as the menu, the toolbar and posted commands do; a command that is
    // disabled now is not run.
    void runCommand(int commandId);
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
    QHash<int, QAction*> m_actions;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_capsIndicator = nullptr;
    QLabel* m_numIndicator = nullptr;
    QLabel* m_scrollIndicator = nullptr;
    QTimer m_idleTimer;
};
