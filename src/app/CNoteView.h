#pragma once
// The main client window: it owns the controller, presents its page buffer, passes mouse
// events to the page shown and runs the dialogs the controller asks for.
#include "app/ViewHost.h"
#include "platform/qt/QtPrompt.h"
#include "res/AppIdentity.h"

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <functional>

#include <memory>

class CNotebook;
class CMainFrame;
class CNoteDlg;

class CNoteView : public QWidget, public ViewHost {
    Q_OBJECT
public:
    CNoteView(CMainFrame* frame, const std::string& programFolder, const std::string& commandLine,
              Prompt* prompt = nullptr, const std::string& lockName = kInstanceLockName);
    ~CNoteView() override;

    CNotebook& notebook() { return *m_notebook; }
    CMainFrame* frame() const { return m_frame; }
    // The image the window shows now: the last presented page plus press feedback.
    const QImage& screen() const { return m_screen; }

    // ViewHost
    void Present(const QImage& page) override;
    void DrawOnWindow(const std::function<void(QPainter&)>& paint) override;
    void SetCursor(PageCursor cursor) override;
    void PostCommand(Command command) override;
    void CloseFrame() override;
    void SetTitle(const std::string& title) override;
    bool RunEntryDialog(const EntryFields& fields, const DialogApply<EntryFields>& apply) override;
    bool RunDayDataDialog(const DayDataFields& fields, const DialogApply<DayDataFields>& apply) override;
    bool RunSettingsDialog(const NotebookSettingsFields& fields, SettingsMode mode,
                           const DialogApply<NotebookSettingsFields>& apply) override;
    StartChoice RunStartDialog(NotebookPlace& place) override;
    std::optional<GraphSettings>
    RunGraphDialog(const GraphSettings& settings, bool internetEnabled,
                   const std::function<void(const GraphSettings&)>& preview) override;
    std::optional<ListMode> RunListDialog(ListMode mode) override;
    void ShowGraphNotes(int scale, QPoint point, QSize size,
                        const std::function<void(QPainter&)>& paint) override;
    bool OpenDocument(const std::string& path) override;
    void SetBusy(const std::string& status) override;
    void BeginWait(const std::string& status, std::function<void()> stop) override;
    bool WaitShown() const override;
    void EndWait() override;
    class CWaitDlg* waitDialog() const { return m_wait; }
    RotateAnswer RunRotateDialog(const RotateRequest& request) override;
    bool HasMemoWindow() const override { return true; }
    bool RunMemoWindow(const std::string& text, const std::function<bool(const std::string&)>& save) override;
    bool RunInternetSettingsDialog(const InternetSettingsFields& fields,
                                   const InternetSettingsOps& ops) override;
    Progress* ShowProgressDialog(const std::string& caption) override;
    void HideProgressDialog() override;
    int RunAnimationDialog(AnimationPlayer& player, int speed) override;
    void RunPrintDialog(const PrintDialogOps& ops) override;
    bool RunPreviewDialog(const PreviewSheets& sheets) override;
    PrintOutcome RunSystemPrintDialog(const PrintOnDevice& print) override;
    class CProgressDlg* progressDialog() const { return m_progressDlg; }

    // Runs the controller's start once the window is on screen.
    void startIfNeeded();

    // Where page mouse actions go (the pages of the controller); tests watch the routing here.
    void setPageMouseHandler(std::function<void(MouseAction action, QPoint point)> handler)
    {
        m_pageMouse = std::move(handler);
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The keys of the page shown (the calendar's); the rest go on as usual.
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void routeMouse(MouseAction action, QMouseEvent* event);
    void animationTick();

    CMainFrame* m_frame;
    QtPrompt m_ownPrompt;
    Prompt* m_prompt;
    std::unique_ptr<CNotebook> m_notebook;
    QImage m_screen;
    bool m_startQueued = false;
    bool m_busy = false;
    QTimer m_animationTimer;
    std::function<void(MouseAction, QPoint)> m_pageMouse;
    CNoteDlg* m_notes = nullptr;                    // the graph legend, made on first use
    class CProgressDlg* m_progressDlg = nullptr;    // made at the first bulk job, then kept
    class CWaitDlg* m_wait = nullptr;               // while the program waits for the weather site
    class CAnimationDlg* m_animationDlg = nullptr;  // while the animation dialog is open
};
