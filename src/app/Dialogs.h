#pragma once
// The modal dialogs and the commands of the notebook store (selection, settings, entry, data
// change, delete, memo), run for the main frame.
#include "app/ViewHost.h"
#include "res/Commands.h"

class CMainFrame;
class Prompt;

bool RunEntryDialog(CMainFrame& frame, const EntryFields& fields, const DialogApply<EntryFields>& apply);
bool RunDayDataDialog(CMainFrame& frame, const DayDataFields& fields,
                      const DialogApply<DayDataFields>& apply);
bool RunInternetSettingsDialog(CMainFrame& frame, const InternetSettingsFields& fields,
                               const InternetSettingsOps& ops);
bool RunSettingsDialog(CMainFrame& frame, const NotebookSettingsFields& fields, SettingsMode mode,
                       const DialogApply<NotebookSettingsFields>& apply);
StartChoice RunStartDialog(CMainFrame& frame, NotebookPlace& place, Prompt& prompt);
// Handles a command of the notebook store (settings, entry, data change, weather, memo, delete,
// save); false when the command is not one of them.
bool RunStoreCommand(CMainFrame& frame, Command command);
