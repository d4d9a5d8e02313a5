#pragma once
// Dialog 147 "観察データ入力ダイアログ": the day's measurements.
#include <QDialog>

#include <map>

class CNotebook;
class QCheckBox;
class QLabel;
class QLineEdit;

class CEntryDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEntryDlg(CNotebook& nb, QWidget* parent = nullptr);

    void accept() override;

private:
    QLineEdit* edit(int id) const { return m_edits.at(id); }

    CNotebook& m_nb;
    std::map<int, QLineEdit*> m_edits;
    std::map<int, QLabel*> m_captions;
    QCheckBox* m_graph = nullptr;
};
