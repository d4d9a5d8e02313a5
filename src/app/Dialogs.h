#pragma once
// The modal dialogs and the commands of the notebook store (selection, settings, entry, data
// change, delete, memo), run for the main frame.
#include "app/ViewHost.h"

class CMainFrame;

// Runs dialog `dialogId` modally; 1 for OK, 0 for Cancel.
int RunStoreDialog(CMainFrame& frame, int dialogId, int mode);
StartChoice RunStartDialog(CMainFrame& frame);
// Handles a store command (32813, 32849, 32806, 32780, 32822, 32817, 57603); false when the
// command is not one of them.
bool RunStoreCommand(CMainFrame& frame, int commandId);
