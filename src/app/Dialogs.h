#pragma once
// The modal dialogs and the commands of the notebook store (selection, settings, entry, data
// change, delete, memo), run for the main frame.
#include "app/ViewHost.h"

class CMainFrame;
class Prompt;

bool RunEntryDialog(CMainFrame& frame, const EntryFields& fields, const DialogApply<EntryFields>& apply);
bool RunDayDataDialog(CMainFrame& frame, const DayDataFields& fields, const DialogApply<DayDataFields>& apply);
bool RunInternetSettingsDialog(CMainFrame& frame, const InternetSettingsFields& fields, const InternetSettingsOps& ops);
bool RunSettingsDialog(CMainFrame& frame, const NotebookSettingsFields& fields, int mode,
                       const DialogApply<NotebookSettingsFields>& apply);
StartChoice RunStartDialog(CMainFrame& frame, NotebookPlace& place, Prompt& prompt);
// Handles a store command (32813, 32849, 32806, 32780, 32822, 32817, 57603); false when the
// command is not one of them.
bool RunStoreCommand(CMainFrame& frame, int commandId);
