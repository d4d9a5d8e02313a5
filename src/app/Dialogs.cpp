#include "app/Dialogs.h"

#include "app/CMainFrame.h"
#include "app/CNoteView.h"
#include "app/CNotebook.h"
#include "app/dialogs/CDataDlg.h"
#include "app/dialogs/CDefineDlg.h"
#include "app/dialogs/CEntryDlg.h"
#include "app/dialogs/CStartDlg.h"
#include "app/dialogs/CWeatherDlg.h"
#include "platform/Prompt.h"

bool RunEntryDialog(CMainFrame& frame, const EntryFields& fields, const DialogApply<EntryFields>& apply)
{
    CEntryDlg dlg(fields, apply, &frame);
    return dlg.exec() == QDialog::Accepted;
}

bool RunDayDataDialog(CMainFrame& frame, const DayDataFields& fields, const DialogApply<DayDataFields>& apply)
{
    CDataDlg dlg(fields, apply, &frame);
    CNotebook& nb = frame.view()->notebook();
    dlg.setWeatherFetch([&nb](const QDate& date, CDataDlg::WeatherDone done) {
        return nb.StartDayWeatherFetch(date, std::move(done));
    });
    return dlg.exec() == QDialog::Accepted;
}

bool RunInternetSettingsDialog(CMainFrame& frame, const InternetSettingsFields& fields,
                               const InternetSettingsOps& ops)
{
    CWeatherDlg dlg(fields, ops, &frame);
    return dlg.exec() == QDialog::Accepted;
}

bool RunSettingsDialog(CMainFrame& frame, const NotebookSettingsFields& fields, SettingsMode mode,
                       const DialogApply<NotebookSettingsFields>& apply)
{
    CDefineDlg dlg(fields, mode, apply, &frame);
    return dlg.exec() == QDialog::Accepted;
}

StartChoice RunStartDialog(CMainFrame& frame, NotebookPlace& place, Prompt& prompt)
{
    CStartDlg dlg(place, prompt, &frame);
    if (dlg.exec() != QDialog::Accepted)
        return StartChoice::EndProgram;
    return dlg.NewNotebookRequested() ? StartChoice::NewNotebook : StartChoice::Open;
}

bool RunStoreCommand(CMainFrame& frame, Command command)
{
    CNotebook& nb = frame.view()->notebook();
    // The day commands act on the day shown: only on the detail page.
    bool detail = nb.viewMode() == ViewMode::Detail && nb.currentDate().isValid();
    switch (command) {
    case Command::NotebookSettings:
        if (nb.host())
            nb.EditNotebookSettings(SettingsMode::Edit);
        return true;
    case Command::Entry:
        // On the calendar: for the day selected there.
        if (detail || nb.viewMode() == ViewMode::Calendar)
            nb.EnterMeasurements();
        return true;
    case Command::ChangeData:
    case Command::FetchWeather:
        if (detail)
            nb.EditDayData();
        return true;
    case Command::EditMemo:
        if (detail)
            nb.EditMemo();
        return true;
    case Command::DeleteDay:
        if (detail)
            nb.DeleteCurrentDay();
        return true;
    case Command::Save:
        if (detail)
            (void)nb.SaveDay();  // a failure is told with the file's path
        return true;
    default:
        return false;
    }
}
