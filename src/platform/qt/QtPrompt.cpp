#include "platform/qt/QtPrompt.h"

#include "res/Strings.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace {
Answer show(QWidget* parent, Msg id, Buttons buttons, Icon icon, const std::string& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromUtf8(LoadString(kAppTitle)));
    box.setText(QString::fromUtf8(text.empty() ? LoadString(id) : text.c_str()));
    switch (icon) {
    case Icon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::None:
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}
}  // namespace

Answer QtPrompt::ask(Msg id, Buttons buttons, Icon icon, const std::string& text)
{
    // Worker threads ask through the user-interface thread: widgets live there only.
    if (QThread::currentThread() != qApp->thread()) {
        Answer a = Answer::Cancel;
        QMetaObject::invokeMethod(
            qApp, [&] { a = show(m_parent, id, buttons, icon, text); }, Qt::BlockingQueuedConnection);
        return a;
    }
    return show(m_parent, id, buttons, icon, text);
}
