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
    s.mode = ViewMode;
    s.layoutFile = LayoutFile;
    s.programFolder = ProgramFolder;
    s.notebookFolder = NotebookFolder;
    s.viewSize = QSize(ViewWidth, ViewHeight);
    s.pictureArea = QSize(TrimingWidth, TrimingHeight);
    s.shownYear = m_calendarMonth.year();
    s.shownMonth = m_calendarMonth.month();
    s.currentDate = CurrentDate();
    s.today = Clock::Today();
    s.day = m_store.Day;
    s.dayNumber = m_store.DayNumber(s.day.date.isValid() ? s.day.date : s.currentDate);
    s.startDate = m_store.StartDate;
    s.firstDayDate = m_days.first.isValid() ? DateToInt(m_days.first) : 0;
    s.graph = GraphInput{m_graphSettings, m_graphMonth, m_graphWeather};
    return s;
}

void CNotebook::DrawPage(int mode, bool reload)
{
    if (PageBuffer.isNull())
        return;
    PageSnapshot s = PageSnapshotNow();
    s.mode = mode;
    preparePageInputs(s, reload);
    QPainter p(&PageBuffer);
    PreparePagePainter(p);
    m_pages.DrawPage(p, QPoint(0, 0), s);
}

void CNotebook::HandleMouse(int action, QPoint point)
{
    const PageMouseResult r = m_pages.HandleMouse(action, point, PageSnapshotNow());
    if (ViewWindow) {
        if (r.cursor)
            ViewWindow->SetCursor(*r.cursor);
        if (r.feedback) {
            const PressFeedback f = *r.feedback;
            const QPen pen = HighlightPen;
            ViewWindow->DrawOnWindow([f, pen](QPainter& w) {
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
    case PageAction::OpenDay:
        OpenDay(a.date);
        break;
    case PageAction::AskCreateDay:
        if (m_prompt.ask(151, Buttons::YesNo, Icon::Question) == Answer::Yes)
            NewDay(a.date);
        else
            PresentPage();
        break;
    case PageAction::StepMonth: {
        const QDate month = m_calendarMonth.addMonths(a.step);
        SetCalendarMonth(month.year(), month.month());
        DrawPage(ViewMode);
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
        if (ViewWindow)
            ViewWindow->PostCommand(a.command);
        break;
    }
}
