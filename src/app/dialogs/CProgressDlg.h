#pragma once
// Dialog 148: the progress of a bulk job (bar 1046) and its stop button 1047 "中止". Made once
// and kept; the job reports through progress(), from any thread.
#include "platform/Progress.h"

#include <QDialog>
#include <QPointer>

class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CProgressDlg(QWidget* parent = nullptr);
    // Shows the dialog with `caption`, the bar at 0 and the stop flag clear.
    void start(const QString& caption);
    void finish();
    Progress& progress() { return m_progress; }
    QProgressBar* bar() const { return m_bar; }

protected:
    void reject() override;  // Esc and the close box press stop, as the button does

private:
    // Forwards the setters to the user-interface thread; the stop flag is the Progress's own.
    class Forwarder : public Progress {
    public:
        explicit Forwarder(CProgressDlg& dlg) : m_dlg(dlg) {}
        void setRange(int maximum) override;
        void setValue(int value) override;
        void setText(const std::string& text) override;

    private:
        CProgressDlg& m_dlg;
    };

    QPointer<CProgressDlg> m_self{this};  // copied by workers, so a late update finds no dialog
    Forwarder m_progress{*this};
    QProgressBar* m_bar = nullptr;
    QPushButton* m_stop = nullptr;
};
