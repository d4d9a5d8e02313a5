#pragma once
// Dialog 134 "気象データ入力ダイアログ": the day's date and its typed-in weather.
#include <QDialog>

#include <map>

class CNotebook;
class QDateEdit;
class QLineEdit;
class QPushButton;

class CDataDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDataDlg(CNotebook& nb, QWidget* parent = nullptr);

    void accept() override;

private:
    QLineEdit* edit(int id) const { return m_edits.at(id); }

    CNotebook& m_nb;
    std::map<int, QLineEdit*> m_edits;
    QDateEdit* m_date = nullptr;
    QPushButton* m_fetch = nullptr;
};
