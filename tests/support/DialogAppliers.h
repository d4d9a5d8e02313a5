#pragma once
// A real dialog opened as the window opens it: the controller's operation hands the fake host
// what the dialog opens with and what its OK calls; the dialog is made from those and shown,
// `work` types into it and presses its buttons, and the operation gets the dialog's outcome.
#include <QDialog>

#include <functional>

template <class Dialog>
auto OpenRealDialog(std::function<void(Dialog&)> work)
{
    return [work = std::move(work)](const auto&... opened) {
        Dialog dlg(opened...);
        dlg.show();
        work(dlg);
        return dlg.result() == QDialog::Accepted;
    };
}
