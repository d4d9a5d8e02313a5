// The calendar page: six weeks of the shown month with photo thumbnails and day numbers.
#include "app/CNotebook.h"
#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "store/DayRecord.h"
#include "views/LayoutIni.h"
#include "views/PageDraw.h"
#include "views/PageViews.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstdlib>

namespace {
// Today's cell is framed in this colour, apart from the highlight pen's green of a press.
const QColor kTodayFrame{255, 120, 0};

// A light box under a day number, inside the frame, so blue and grey stay readable on a dark
// photo; on white it cannot be seen.
// `digit`: the advance of one digit and the line height (digits share one width).
void drawNumberBacking(QPainter& p, QSize digit, const QRect& frame, int x, int y, size_t digits)
{
    const QRect text(x - 2, y, digit.width() * static_cast<int>(digits) + 4, digit.height());
    const QRect inside = frame.adjusted(1, 1, -1, -1) & text;
    if (!inside.isEmpty())
        p.fillRect(inside, QColor(248, 248, 248));
}

// A thick frame over the cell's outline marks today (on the screen only).
void drawTodayMark(QPainter& p, int x, int y, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    p.save();
    p.setPen(QPen(kTodayFrame, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(x, y, w - 1, h - 1);
    p.restore();
}
} // namespace

void PageViews::FillMonthCells()
{
    MonthCells.fill(0);
    QDate day = m_nb.CalendarMonth();
    if (!day.isValid())
        return;
    const QDate today = Clock::Today();
    int i = day.dayOfWeek() % 7;  // Qt: Monday 1 ... Sunday 7
    for (int d = 1; d <= 31 && i < 42; ++d, ++i) {
        bool recorded = FileExists(DayFilePath(m_nb.NotebookFolder, day, "dat"));
        MonthCells[i] = recorded ? d : -d;
        day = day.addDays(1);
        // Day 1 is always filled; later days only once they have begun.
        if (day > today || day.month() != m_nb.CalendarMonth().month())
            break;
    }
}

void PageViews::DrawCalendarCell(QPainter& p, int x, int y, int value)
{
    const int w = Calendar.PicWidth, h = Calendar.PicHeight;
    if (value > 0) {
        QDate date(m_nb.CalendarMonth().year(), m_nb.CalendarMonth().month(), value);
        std::string path = DayFilePath(m_nb.NotebookFolder, date, "jpg");
        if (FileExists(path)) {
            QImage thumb = Thumbnails.Get(path, w, h);
            if (!thumb.isNull())
                StretchPicture(p, x, y, w, h, thumb);
        } else {
            p.fillRect(x, y, w, h, PageColors::White);
        }
    }
    OutlineRect(p, x, y, w, h);
}

void PageViews::DrawCalendarPage(QPainter& p)
{
    FillMonthCells();
    const int vw = m_nb.ViewWidth, vh = m_nb.ViewHeight;
    p.fillRect(0, 0, vw, vh, PageColors::White);
    DrawPicture(p, 0, 0, CalendarBackground);
    DrawPageHeader(p, 0, 0, -1, -1, LayoutIni::Calender);

    const CalendarLayout& c = Calendar;
    const int weekOffset = ReadLayoutInt(m_nb.LayoutFile, LayoutIni::CalWeekOffset);
    const int dayOffset = ReadLayoutInt(m_nb.LayoutFile, LayoutIni::CalDayOffset);
    static const char* const names[7] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int i = 0; i < 7; ++i) {
        const QColor& color = i == 0 ? PageColors::Red : i == 6 ? PageColors::Blue : PageColors::Black;
        DrawPageText(p, c.X + i * c.Width + c.PicWidth / 2 - 8, c.Y - weekOffset, names[i], color);
    }

    const int monthLength = CalendarMonthLength(m_nb.CalendarMonth().year(), m_nb.CalendarMonth().month());
    const QDate today = Clock::Today();
    const bool todayShown = today.year() == m_nb.CalendarMonth().year() && today.month() == m_nb.CalendarMonth().month();
    const QFontMetrics fm(p.font(), p.device());
    const QSize digit(fm.horizontalAdvance(QLatin1Char('0')), fm.height());
    int n = 0;
    for (int w = 0; w < 6; ++w) {
        for (int d = 0; d < 7; ++d) {
            const int v = MonthCells[w * 7 + d];
            const int x = c.X + d * c.Width, y = c.Y + w * c.Height;
            if (v != 0) {
                DrawCalendarCell(p, x, y, v);
                const int day = std::abs(v);
                const int tx = x + c.PicWidth - 8 - (day >= 10 ? 8 : 0), ty = y + c.PicHeight - dayOffset;
                const std::string number = std::to_string(day);
                drawNumberBacking(p, digit, QRect(x, y, c.PicWidth, c.PicHeight), tx, ty, number.size());
                DrawPageText(p, tx, ty, number, v > 0 ? PageColors::Blue : PageColors::Grey);
                if (todayShown && day == today.day() && Printing == PrintingScreen)
                    drawTodayMark(p, x, y, c.PicWidth, c.PicHeight);
                ++n;
            } else if (n > 0) {
                ++n;
                if (n > monthLength)
                    break;
                OutlineRect(p, x, y, c.PicWidth, c.PicHeight);
            }
        }
    }
}

bool PageViews::OnCalendarGrid(QPoint pt) const
{
    const CalendarLayout& c = Calendar;
    return pt.x() >= c.X && pt.x() <= c.X + 7 * c.Width && pt.y() >= c.Y && pt.y() <= c.Y + 6 * c.Height;
}

int PageViews::CalendarCellAt(QPoint pt) const
{
    const CalendarLayout& c = Calendar;
    if (c.Width <= 0 || c.Height <= 0 || !OnCalendarGrid(pt))
        return -1;
    const int column = (pt.x() - c.X) / c.Width, row = (pt.y() - c.Y) / c.Height;
    // The grid's right and bottom edges belong to the grid but to no cell.
    if (column > 6 || row > 5)
        return -1;
    return row * 7 + column;
}

void PageViews::HandleCalendarMouse(int action, QPoint point)
{
    const CalendarLayout& c = Calendar;
    if (!OnCalendarGrid(point)) {
        if (action == MouseRelease && m_pressedCell >= 0) {
            m_pressedCell = -1;  // a press on a day is over once the button comes up anywhere
            m_nb.PresentPage();
        }
        HandleHeaderMouse(action, point);
        return;
    }
    const int k = CalendarCellAt(point);
    if (k < 0 || MonthCells[k] == 0) {
        if (action == MouseRelease && m_pressedCell >= 0) {
            m_pressedCell = -1;
            m_nb.PresentPage();
        }
        return;
    }
    switch (action) {
    case MouseMove:
        showHandCursor();
        break;
    case MousePress: {
        m_pressedCell = k;
        showPressedFrame(QRect(c.X + (k % 7) * c.Width, c.Y + (k / 7) * c.Height, c.PicWidth, c.PicHeight));
        break;
    }
    case MouseRelease: {
        // The day acted on is the pressed one, wherever on the days the button comes up. Whether
        // it is opened or created follows that day's own record, so a day that exists is never
        // replaced by a new empty one.
        if (m_pressedCell < 0)
            break;
        const int pressed = MonthCells[m_pressedCell];
        m_pressedCell = -1;
        const QDate date = m_nb.CalendarMonth().addDays(std::abs(pressed) - 1);
        if (pressed > 0) {
            m_nb.OpenDay(date);
        } else if (m_nb.prompt().ask(151, Buttons::YesNo, Icon::Question) == Answer::Yes) {
            m_nb.NewDay(date);
        } else {
            m_nb.PresentPage();
        }
        break;
    }
    default:
        break;
    }
}
