#pragma once
// Dialog 136 "観察データ設定ダイアログ": the notebook's name, pupil data, start date and free
// items; in new mode it creates the notebook folder, in edit mode it may rename it.
#include "app/ViewHost.h"

#include <QDialog>

#include <map>

class QLineEdit;
class QtDateField;

class CDefineDlg : public QDialog {
    Q_OBJECT
public:
    // Opens with `fields` in `mode`; OK hands what was entered to `apply` (see ViewHost).
    CDefineDlg(const NotebookSettingsFields& fields, SettingsMode mode,
               DialogApply<NotebookSettingsFields> apply, QWidget* parent = nullptr);

    void accept() override;

private:
    QLineEdit* edit(int id) const { return m_edits.at(id); }

    DialogApply<NotebookSettingsFields> m_apply;
    SettingsMode m_mode;
    std::map<int, QLineEdit*> m_edits;
    QtDateField* m_date = nullptr;
};
