#pragma once
// The wait for the weather site on the user-interface thread: the status, a busy bar and the
// stop button 中止 (object name "stop"). It shows only after a moment, so a quick answer shows
// nothing; while it shows, input to every other window is dropped, so nothing the user did
// then runs after the wait.
#include <QDialog>

#include <functional>

class QPushButton;

class CWaitDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kShowAfterMs = 300;

    CWaitDlg(const QString& status, std::function<void()> stop, QWidget* parent = nullptr);
    ~CWaitDlg() override;
    QPushButton* stopButton() const { return m_stop; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;  // Esc and the close box stop, as the button does

private:
    void stopNow();

    std::function<void()> m_onStop;
    QPushButton* m_stop = nullptr;
};
