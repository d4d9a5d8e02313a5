#pragma once
// Answers the next modal dialog for a test, and never lets it wait: a dialog that does not come
// before the deadline, or that the answer leaves open (a failed QVERIFY inside it returns
// early), is rejected and the failure is recorded, so the test fails instead of hanging.
//
//   ModalWatcher watcher([](QDialog& dlg) { ...; dlg.accept(); });
//   frame.runCommand(Command::About);          // runs the dialog modally
//   QVERIFY2(watcher.ok(), watcher.failure());
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QDialog&)> answer, int deadlineMs = 10000)
        : m_answer(std::move(answer)), m_deadline(deadlineMs)
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
    }
    ~ModalWatcher() { m_poll.stop(); }
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;

    bool ok() const { return m_answered && m_failure.isEmpty(); }
    const char* failure() const
    {
        m_message =
            (m_failure.isEmpty() && !m_answered ? QByteArrayLiteral("no dialog was answered") : m_failure);
        return m_message.constData();
    }

private:
    void poll()
    {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dlg && !m_answered) {
            m_answered = true;
            QPointer<QDialog> guard(dlg);
            m_answer(*dlg);
            if (guard && guard->isVisible()) {
                m_failure = "the answer left the dialog open";
                guard->reject();
            }
            m_poll.stop();
            return;
        }
        if (m_deadline.hasExpired()) {
            m_failure = "no dialog came before the deadline";
            // Whatever is open now would keep the test waiting.
            if (dlg)
                dlg->reject();
            m_poll.stop();
        }
    }

    std::function<void(QDialog&)> m_answer;
    QDeadlineTimer m_deadline;
    QTimer m_poll;
    bool m_answered = false;
    QByteArray m_failure;
    mutable QByteArray m_message;
};
