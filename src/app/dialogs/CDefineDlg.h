#pragma once
// Dialog 136 "観察データ設定ダイアログ": the notebook's name, pupil data, start date and free
// items; in new mode it creates the notebook folder, in edit mode it may rename it.
#include <QDialog>

#include <map>

class CNotebook;
class QLineEdit;
class QDateEdit;

class CDefineDlg : public QDialog {
    Q_OBJECT
public:
    CDefineDlg(CNotebook& nb, int mode, QWidget* parent = nullptr);

    void accept() override;

private:
    QLineEdit* edit(int id) const { return m_edits.at(id); }

    CNotebook& m_nb;
    int m_mode;
    std::map<int, QLineEdit*> m_edits;
    QDateEdit* m_date = nullptr;
};
