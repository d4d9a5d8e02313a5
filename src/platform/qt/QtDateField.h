#pragma once
// The date control of the dialogs (year/month/day with a calendar that drops down), in which
// typing works as a pupil expects: digits replace the part (year, month or day) they are typed
// into, also after a click into the middle of it or with the whole date selected; a part once
// full moves on to the next, and a "/" typed after it does not skip the part that follows.
#include <QDateEdit>

class QtDateField : public QDateEdit {
    Q_OBJECT
public:
    explicit QtDateField(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool m_typing = false;   // the last key was a digit taken into the part being typed
    bool m_movedOn = false;  // ... and it filled that part, so the cursor went on to the next
};
