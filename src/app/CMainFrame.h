#pragma once
// The main frame: menu, toolbar, status bar and the client window.
#include "app/ViewHost.h"

#include <QMainWindow>

class CNoteView;
class Prompt;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(const std::string& programFolder, const std::string& commandLine, Prompt* prompt = nullptr,
               const std::string& lockName = "QuillaneKelto");
    ~CMainFrame() override;

    CNoteView* view() const { return m_view; }
    // Routes a command id as the menu, the toolbar and posted commands do.
    void runCommand(int commandId);
    int runDialog(int dialogId, int mode);
    StartChoice runStartDialog();

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    CNoteView* m_view;
    Prompt* m_prompt;
};
