// The controller's side of the pages: it hands the painters a snapshot, and carries out what a
// page asks for after a mouse event.
#include "app/CNotebook.h"

#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "store/NotebookFile.h"
#include "views/PageDraw.h"

#include <QPainter>

PageSnapshot CNotebook::PageSnapshotNow() const
{
    PageSnapshot s;
    s.mode = m_viewMode;
    s.layoutFile = m_layoutFile;
    s.notebookFolder = m_notebookFolder;
    s.viewSize = QSize(m_viewWidth, m_viewHeight);
    s.pictureArea = QSize(m_trimingWidth, m_trimingHeight);
    s.shownYear = m_calendarMonth.year();
    s.shownMonth = m_calendarMonth.month();
    s.currentDate = currentDate();
    s.today = Clock::Today();
    s.day = m_store.Day;
    s.dayNumber = m_store.DayNumber(s.day.date.isValid() ? s.day.date : s.currentDate);
    s.startDate = m_store.StartDate;
    s.firstDayDate = m_days.first.isValid() ? DateToInt(m_days.first) : 0;
    s.graph = GraphInput{m_paging.graphSettings, m_paging.graphMonth, m_paging.graphWeather};
    return s;
}

void CNotebook::DrawPage(ViewMode mode, bool reload)
{
    if (m_pageBuffer.isNull())
        return;
    PageSnapshot s = PageSnapshotNow();
    s.mode = mode;
    preparePageInputs(s, reload);
    QPainter p(&m_pageBuffer);
    PreparePagePainter(p);
    m_pages.DrawPage(p, QPoint(0, 0), s);
}

void CNotebook::DropThumbnails()
{
    m_pages.Thumbnails.Clear();
}

void CNotebook::HandleMouse(MouseAction action, QPoint point)
{
    const PageMouseResult r = m_pages.HandleMouse(action, point, PageSnapshotNow());
    if (m_host) {
        if (r.cursor)
            m_host->SetCursor(*r.cursor);
        if (r.feedback) {
            const PressFeedback f = *r.feedback;
            const QPen pen = m_highlightPen;
            m_host->DrawOnWindow([f, pen](QPainter& w) {
                if (!f.piece.isNull()) {
                    w.drawImage(f.at, f.piece);
                    return;
                }
                w.setPen(pen);
                w.setBrush(Qt::NoBrush);
                w.drawRect(f.frame.x(), f.frame.y(), f.frame.width() - 1, f.frame.height() - 1);
            });
        }
    }
    if (r.legend)
        ShowGraphNotes(*r.legend, point);
    if (r.erasePress)
        PresentPage();
    if (r.action)
        RunPageAction(*r.action);
}

void CNotebook::RunPageAction(const PageAction& a)
{
    switch (a.kind) {
    // A day that could not be written was put to the user, who kept it: it stays shown.
    case PageAction::OpenDay:
        (void)OpenDay(a.date);
        break;
    case PageAction::AskCreateDay:
        if (m_prompt.ask(Msg::ConfirmNewDay, Buttons::YesNo, Icon::Question) == Answer::Yes)
            (void)NewDay(a.date);
        else
            PresentPage();
        break;
    case PageAction::StepMonth: {
        const QDate month = m_calendarMonth.addMonths(a.step);
        SetCalendarMonth(month.year(), month.month());
        DrawPage(m_viewMode);
        PresentPage();
        break;
    }
    case PageAction::StepDay:
        StepDay(a.step);
        break;
    case PageAction::StepListPage:
        ShowListPageFrom(a.date);
        break;
    case PageAction::RunCommand:
        if (m_host)
            m_host->PostCommand(a.command);
        break;
    }
}
