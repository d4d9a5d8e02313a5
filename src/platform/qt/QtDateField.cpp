#include "platform/qt/QtDateField.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>

QtDateField::QtDateField(QWidget* parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    setMinimumDate(QDate(1970, 1, 1));
    setMaximumDate(QDate(2099, 12, 31));
    // A Japanese calendar whatever the system locale: Japanese names, weeks from Sunday.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    setLocale(japanese);
    calendarWidget()->setLocale(japanese);
    calendarWidget()->setFirstDayOfWeek(Qt::Sunday);
}

void QtDateField::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool digit = text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
    if (digit) {
        // The control takes digits only into a selected part or one being typed: typed into the
        // middle of a full one they would make the date longer than its form and be dropped.
        QLineEdit* edit = lineEdit();
        if (edit->hasSelectedText() && edit->selectedText() == edit->text())
            setSelectedSection(sectionAt(0));
        else if (!m_typing && !edit->hasSelectedText())
            setSelectedSection(currentSection());
        const Section before = currentSection();
        QDateEdit::keyPressEvent(event);
        m_typing = true;
        m_movedOn = currentSection() != before;
        return;
    }
    const bool separator =
        text == QLatin1String("/") || text == QLatin1String("-") || text == QLatin1String(".");
    const bool skip = separator && m_movedOn;
    // Digits after a correction go on in the part corrected.
    m_typing = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    m_movedOn = false;
    if (skip) {
        event->accept();
        return;
    }
    QDateEdit::keyPressEvent(event);
}

void QtDateField::mousePressEvent(QMouseEvent* event)
{
    m_typing = m_movedOn = false;
    QDateEdit::mousePressEvent(event);
}

void QtDateField::focusInEvent(QFocusEvent* event)
{
    m_typing = m_movedOn = false;
    QDateEdit::focusInEvent(event);
}
