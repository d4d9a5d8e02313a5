#include "app/Dialogs.h"

#include "app/CMainFrame.h"
#include "app/CNoteView.h"
#include "app/CNotebook.h"
#include "platform/Prompt.h"
#include "app/dialogs/CDataDlg.h"
#include "app/dialogs/CDefineDlg.h"
#include "app/dialogs/CEntryDlg.h"
#include "app/dialogs/CStartDlg.h"
#include "store/DayOperations.h"
#include "store/NotebookSettings.h"

int RunStoreDialog(CMainFrame& frame, int dialogId, int mode)
{
    CNotebook& nb = frame.view()->notebook();
    switch (dialogId) {
    case DialogId::Define: {
        CDefineDlg dlg(nb, mode, &frame);
        return dlg.exec() == QDialog::Accepted ? 1 : 0;
    }
    case DialogId::Entry: {
        CEntryDlg dlg(nb, &frame);
        return dlg.exec() == QDialog::Accepted ? 1 : 0;
    }
    case DialogId::Data: {
        CDataDlg dlg(nb, &frame);
        return dlg.exec() == QDialog::Accepted ? 1 : 0;
    }
    default:
        return 0;
    }
}

StartChoice RunStartDialog(CMainFrame& frame)
{
    CStartDlg dlg(frame.view()->notebook(), &frame);
    if (dlg.exec() != QDialog::Accepted)
        return StartChoice::EndProgram;
    return dlg.NewNotebookRequested() ? StartChoice::NewNotebook : StartChoice::Open;
}

bool RunStoreCommand(CMainFrame& frame, int commandId)
{
    CNotebook& nb = frame.view()->notebook();
    // The day commands act on the day shown: only on the detail page.
    bool detail = nb.ViewMode == ViewDetail && nb.store().Day.date.isValid();
    switch (commandId) {
    case 32813:
        if (nb.ViewWindow)
            EditNotebookSettings(nb, kSettingsEdit);
        return true;
    case 32849:
        if (detail)
            EnterMeasurements(nb);
        return true;
    case 32806:
    case 32780:
        if (detail)
            EditDayData(nb);
        return true;
    case 32822:
        if (detail)
            EditMemo(nb);
        return true;
    case 32817:
        if (detail)
            DeleteCurrentDay(nb);
        return true;
    case 57603:
        if (detail)
            nb.store().SaveDayRecord(true);
        return true;
    default:
        return false;
    }
}
