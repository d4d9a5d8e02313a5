#pragma once
// The OK / キャンセル row every dialog ends with: ids "1" and "2", OK the default button, wired
// to accept and reject, placed under the dialog's body and last in the tab order.
class QDialog;
class QLayout;
class QPushButton;
class QWidget;

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

// `leading` (optional) stands at the left of the row and comes before OK in the tab order;
// `tabAfter` is the control that precedes the buttons.
DialogButtons AddDialogButtons(QDialog& dialog, QLayout* body, QWidget* tabAfter, QWidget* leading = nullptr);
