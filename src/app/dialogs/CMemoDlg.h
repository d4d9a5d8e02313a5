#pragma once
#include <QDialog>

#include <functional>
#include <string>

class QPlainTextEdit;

// "メモ編集": the day's memo edited inside the program, where no text editor is set or found.
// OK hands the text to `save`, which tells the user of a failure and returns false: the window
// then stays open with the text as typed.
class CMemoDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId { IdOk = 1, IdCancel = 2, IdText = 1000 };
    CMemoDlg(const std::string& text, std::function<bool(const std::string&)> save,
             QWidget* parent = nullptr);
    std::string text() const;
    void accept() override;

private:
    QPlainTextEdit* m_edit = nullptr;
    std::function<bool(const std::string&)> m_save;
};
