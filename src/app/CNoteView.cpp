#include "app/CNoteView.h"

#include "app/dialogs/CProgressDlg.h"

#include "app/dialogs/CAnimationDlg.h"

#include "app/CMainFrame.h"
#include "app/CNotebook.h"
#include "app/Dialogs.h"
#include "app/dialogs/CGraphDlg.h"
#include "app/dialogs/CListDlg.h"
#include "app/dialogs/CMemoDlg.h"
#include "app/dialogs/CNoteDlg.h"
#include "app/dialogs/CPreviewDlg.h"
#include "app/dialogs/CPrintDlg.h"
#include "app/dialogs/CRotateDlg.h"
#include "app/dialogs/CWaitDlg.h"
#include "platform/Files.h"
#include "print/PrintSheets.h"
#include "store/DataFolders.h"
#include "store/KeltoIni.h"
#include "views/PageViews.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

CNoteView::CNoteView(CMainFrame* frame, const std::string& programFolder, const std::string& commandLine,
                     Prompt* prompt, const std::string& lockName)
    : QWidget(frame), m_frame(frame), m_ownPrompt(frame), m_prompt(prompt ? prompt : &m_ownPrompt),
      m_notebook(std::make_unique<CNotebook>(programFolder, *m_prompt, lockName))
{
    m_notebook->SetCommandLineNotebook(commandLine);
    setObjectName(QStringLiteral("noteview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    m_pageMouse = [this](MouseAction action, QPoint point) { m_notebook->HandleMouse(action, point); };
    connect(&m_animationTimer, &QTimer::timeout, this, &CNoteView::animationTick);
}

CNoteView::~CNoteView()
{
    if (m_busy)
        QApplication::restoreOverrideCursor();
    m_animationTimer.stop();
    m_notebook->Shutdown();
}

void CNoteView::animationTick()
{
    if (m_animationDlg)
        m_animationDlg->tick();
    else
        m_animationTimer.stop();
}

int CNoteView::RunAnimationDialog(AnimationPlayer& player, int speed)
{
    CAnimationDlg dlg(player, speed, m_animationTimer, m_frame);
    m_animationDlg = &dlg;
    dlg.exec();
    m_animationTimer.stop();
    m_animationDlg = nullptr;
    return dlg.speed();
}

void CNoteView::startIfNeeded()
{
    if (m_notebook->host() || m_startQueued)
        return;
    m_startQueued = true;
    m_notebook->Initialize(this);
}

void CNoteView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!m_screen.isNull())
        p.drawImage(0, 0, m_screen);
    // The calendar's selected day is the window's, not the page's: printed and rendered pages
    // do not show it.
    if (const QRect frame = m_notebook->CalendarSelectionFrame(); !frame.isEmpty())
        PageViews::DrawCalendarSelection(p, frame);
    // The start (with its dialogs) runs after this first paint, not inside it.
    if (!m_startQueued)
        QTimer::singleShot(0, this, &CNoteView::startIfNeeded);
}

void CNoteView::Present(const QImage& page)
{
    m_screen = page.copy();
    update();
}

void CNoteView::DrawOnWindow(const std::function<void(QPainter&)>& paint)
{
    if (m_screen.isNull())
        return;
    QPainter p(&m_screen);
    paint(p);
    p.end();
    update();
}

void CNoteView::SetCursor(PageCursor cursor)
{
    setCursor(cursor == PageCursor::Hand        ? Qt::PointingHandCursor
              : cursor == PageCursor::Animation ? Qt::SizeAllCursor
                                                : Qt::ArrowCursor);
}

void CNoteView::PostCommand(Command command)
{
    m_frame->postCommand(command);
}

void CNoteView::CloseFrame()
{
    QTimer::singleShot(0, m_frame, [this] { m_frame->close(); });
}

void CNoteView::SetTitle(const std::string& title)
{
    m_frame->setWindowTitle(QString::fromStdString(title));
}

bool CNoteView::RunEntryDialog(const EntryFields& fields, const DialogApply<EntryFields>& apply)
{
    return ::RunEntryDialog(*m_frame, fields, apply);
}

bool CNoteView::RunDayDataDialog(const DayDataFields& fields, const DialogApply<DayDataFields>& apply)
{
    return ::RunDayDataDialog(*m_frame, fields, apply);
}

bool CNoteView::RunInternetSettingsDialog(const InternetSettingsFields& fields,
                                          const InternetSettingsOps& ops)
{
    return ::RunInternetSettingsDialog(*m_frame, fields, ops);
}

Progress* CNoteView::ShowProgressDialog(const std::string& caption)
{
    if (!m_progressDlg)
        m_progressDlg = new CProgressDlg(m_frame);
    m_progressDlg->start(QString::fromStdString(caption));
    return &m_progressDlg->progress();
}

void CNoteView::HideProgressDialog()
{
    if (m_progressDlg)
        m_progressDlg->finish();
}

void CNoteView::RunPrintDialog(const PrintDialogOps& ops)
{
    CPrintDlg dlg(ops, m_frame);
    dlg.exec();
}

bool CNoteView::RunPreviewDialog(const PreviewSheets& sheets)
{
    CPreviewDlg dlg(sheets, m_frame);
    return dlg.exec() == QDialog::Accepted;
}

PrintOutcome CNoteView::RunSystemPrintDialog(const PrintOnDevice& print)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Kelto"));
    QPrintDialog dlg(&printer, m_frame);
    // All pages, no selection or page range: the print settings dialog chose the pages.
    dlg.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    PrintOutcome r;
    if (dlg.exec() != QDialog::Accepted)
        return r;
    r.confirmed = true;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        // A PDF file takes its name only once complete, at a resolution photos need.
        const Result written = WritePdfFile(printer.outputFileName().toStdString(), printer.pageLayout(),
                                            std::min(printer.resolution(), kPdfResolution), print);
        r.printed = written.ok();
        if (!written)
            r.error = PdfFailureText(written);
    } else {
        r.printed = print(printer);
    }
    return r;
}

bool CNoteView::RunSettingsDialog(const NotebookSettingsFields& fields, SettingsMode mode,
                                  const DialogApply<NotebookSettingsFields>& apply)
{
    return ::RunSettingsDialog(*m_frame, fields, mode, apply);
}

RotateAnswer CNoteView::RunRotateDialog(const RotateRequest& request)
{
    CRotateDlg dlg(request, m_frame);
    dlg.exec();
    return dlg.Answer();
}

bool CNoteView::RunMemoWindow(const std::string& text, const std::function<bool(const std::string&)>& save)
{
    CMemoDlg dlg(text, save, m_frame);
    return dlg.exec() == QDialog::Accepted;
}

StartChoice CNoteView::RunStartDialog(NotebookPlace& place)
{
    return ::RunStartDialog(*m_frame, place, *m_prompt);
}

std::optional<GraphSettings>
CNoteView::RunGraphDialog(const GraphSettings& settings, bool internetEnabled,
                          const std::function<void(const GraphSettings&)>& preview)
{
    CGraphDlg dlg(settings, internetEnabled, *m_prompt, preview, m_frame);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.settings();
}

std::optional<ListMode> CNoteView::RunListDialog(ListMode mode)
{
    CListDlg dlg(mode, m_frame);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.chosen();
}

void CNoteView::ShowGraphNotes(int scale, QPoint point, QSize size,
                               const std::function<void(QPainter&)>& paint)
{
    if (scale == 0) {
        if (m_notes)
            m_notes->hide();
        return;
    }
    if (!m_notes)
        m_notes = new CNoteDlg(this);
    m_notes->resize(size);
    m_notes->move(mapToGlobal(point));
    m_notes->setPainter(paint);
    m_notes->show();
}

bool CNoteView::OpenDocument(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void CNoteView::BeginWait(const std::string& status, std::function<void()> stop)
{
    SetBusy(status);
    delete m_wait;
    // Over the dialog that waits (the internet settings), else over the main window.
    QWidget* over = QApplication::activeModalWidget();
    m_wait = new CWaitDlg(QString::fromStdString(status), std::move(stop), over ? over : m_frame);
}

bool CNoteView::WaitShown() const
{
    return m_wait && m_wait->isVisible();
}

void CNoteView::EndWait()
{
    delete m_wait;
    m_wait = nullptr;
    SetBusy({});
}

void CNoteView::SetBusy(const std::string& status)
{
    bool busy = !status.empty();
    if (busy != m_busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
        m_busy = busy;
    }
    if (busy)
        m_frame->statusBar()->showMessage(QString::fromStdString(status));
    else
        m_frame->statusBar()->clearMessage();
}

// Press, move and release go to the page shown and stop there; a double-click reaches only
// the detail page and is then processed as usual; before a page is shown nothing is handled.
void CNoteView::routeMouse(MouseAction action, QMouseEvent* event)
{
    const ViewMode mode = m_notebook->viewMode();
    bool pageShown = mode != ViewMode::None;
    if (pageShown && (action != MouseAction::DoubleClick || mode == ViewMode::Detail)) {
        m_pageMouse(action, event->position().toPoint());
        if (action != MouseAction::DoubleClick) {
            event->accept();
            return;
        }
    }
    event->ignore();
}

void CNoteView::keyPressEvent(QKeyEvent* e)
{
    if (m_notebook->HandleKey(e->key()))
        e->accept();
    else
        QWidget::keyPressEvent(e);
}

void CNoteView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        routeMouse(MouseAction::Press, e);
}

void CNoteView::mouseMoveEvent(QMouseEvent* e)
{
    routeMouse(MouseAction::Move, e);
}

void CNoteView::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        routeMouse(MouseAction::Release, e);
}

void CNoteView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        routeMouse(MouseAction::DoubleClick, e);
}
