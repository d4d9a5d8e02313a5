#pragma once
// Dialog 147 "観察データ入力ダイアログ": the day's measurements.
#include "app/ViewHost.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QLabel;
class QLineEdit;

class CEntryDlg : public QDialog {
    Q_OBJECT
public:
    // Opens with `fields`; OK hands what was entered to `apply` (see ViewHost).
    CEntryDlg(const EntryFields& fields, DialogApply<EntryFields> apply, QWidget* parent = nullptr);

    void accept() override;

private:
    QLineEdit* edit(int id) const { return m_edits.at(id); }

    DialogApply<EntryFields> m_apply;
    std::map<int, QLineEdit*> m_edits;
    std::map<int, QLabel*> m_captions;
    QCheckBox* m_graph = nullptr;
};
