#pragma once
// The print font dialog (face and size of Kelto.ini [Font]).
class CNotebook;
class QWidget;

// Runs the dialog modally; 1 when it ended with OK.
int RunFontDialog(CNotebook& notebook, QWidget* parent);
