#include "app/CMainFrame.h"

#include "app/CNoteView.h"
#include "app/Dialogs.h"
#include "app/CNotebook.h"
#include "platform/Prompt.h"
#include "res/Strings.h"

#include <QCloseEvent>

CMainFrame::CMainFrame(const std::string& programFolder, const std::string& commandLine, Prompt* prompt,
                       const std::string& lockName)
{
    setWindowTitle(QString::fromUtf8(LoadString(kAppName)));
    m_view = new CNoteView(this, programFolder, commandLine, prompt, lockName);
    m_prompt = &m_view->notebook().prompt();
    setCentralWidget(m_view);
    resize(799, 599);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::focusInEvent(QFocusEvent*)
{
    m_view->setFocus();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!SkipExitConfirmation && m_prompt->ask(178, Buttons::YesNo, Icon::Question) != Answer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::runCommand(int commandId)
{
    CNotebook& nb = m_view->notebook();
    switch (commandId) {
    case 32792: nb.SetViewMode(ViewCalendar); break;
    case 32821: nb.ShowHelpDocument(); break;
    case 57665: close(); break;
    default: RunStoreCommand(*this, commandId); break;
    }
}

int CMainFrame::runDialog(int dialogId, int mode)
{
    return RunStoreDialog(*this, dialogId, mode);
}

StartChoice CMainFrame::runStartDialog()
{
    return RunStartDialog(*this);
}
