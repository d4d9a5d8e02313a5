#include "app/dialogs/CMemoDlg.h"

#include "platform/qt/QtDialogButtons.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

CMemoDlg::CMemoDlg(const std::string& text, std::function<bool(const std::string&)> save, QWidget* parent)
    : QDialog(parent), m_save(std::move(save))
{
    setObjectName("Memo");
    setWindowTitle(QString::fromUtf8("メモ編集"));
    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName(QString::number(IdText));
    m_edit->setPlainText(QString::fromStdString(text));
    m_edit->setTabChangesFocus(true);
    m_edit->moveCursor(QTextCursor::End);
    auto* body = new QVBoxLayout;
    body->addWidget(m_edit);
    AddDialogButtons(*this, body, m_edit);
    resize(520, 400);
    m_edit->setFocus();
}

std::string CMemoDlg::text() const
{
    return m_edit->toPlainText().toStdString();
}

void CMemoDlg::accept()
{
    if (m_save && !m_save(text()))
        return;
    QDialog::accept();
}
