// The calendar page: six weeks of the shown month with photo thumbnails and day numbers.
#include "platform/Files.h"
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
// The keyboard's selected day: a blue frame around the cell.
const QColor kSelectionFrame{0, 90, 220};

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
}  // namespace

MonthCellValues FillMonthCells(const PageSnapshot& s)
{
    MonthCellValues cells{};
    QDate day(s.shownYear, s.shownMonth, 1);
    if (!day.isValid())
        return cells;
    int i = day.dayOfWeek() % 7;  // Qt: Monday 1 ... Sunday 7
    for (int d = 1; d <= 31 && i < 42; ++d, ++i) {
        bool recorded = FileExists(DayFilePath(s.notebookFolder, day, "dat"));
        cells[i] = recorded ? d : -d;
        day = day.addDays(1);
        // Day 1 is always filled; later days only once they have begun.
        if (day > s.today || day.month() != s.shownMonth)
            break;
    }
    return cells;
}

void PageViews::DrawCalendarCell(QPainter& p, int x, int y, const QDate& recorded, const PageSnapshot& s)
{
    const int w = Calendar.PicWidth, h = Calendar.PicHeight;
    if (recorded.isValid()) {
        std::string path = DayFilePath(s.notebookFolder, recorded, "jpg");
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

void PageViews::DrawCalendarPage(QPainter& p, int ox, int oy, const PageSnapshot& s)
{
    const MonthCellValues cells = FillMonthCells(s);
    if (s.printing == PrintingScreen)
        MonthCells = cells;
    const int vw = s.viewSize.width(), vh = s.viewSize.height();
    p.fillRect(ox, oy, vw, vh, PageColors::White);
    DrawPicture(p, ox, oy, CalendarBackground);
    DrawPageHeader(p, ox, oy, -1, -1, LayoutIni::Calender, s);

    const CalendarLayout& c = Calendar;
    const int weekOffset = ReadLayoutInt(s.layoutFile, LayoutIni::CalWeekOffset);
    const int dayOffset = ReadLayoutInt(s.layoutFile, LayoutIni::CalDayOffset);
    static const char* const names[7] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int i = 0; i < 7; ++i) {
        const QColor& color = i == 0 ? PageColors::Red : i == 6 ? PageColors::Blue : PageColors::Black;
        DrawPageText(p, ox + c.X + i * c.Width + c.PicWidth / 2 - 8, oy + c.Y - weekOffset, names[i], color);
    }

    const int monthLength = CalendarMonthLength(s.shownYear, s.shownMonth);
    const QDate today = s.today;
    const bool todayShown = today.year() == s.shownYear && today.month() == s.shownMonth;
    const QFontMetrics fm(p.font(), p.device());
    const QSize digit(fm.horizontalAdvance(QLatin1Char('0')), fm.height());
    int n = 0;
    for (int w = 0; w < 6; ++w) {
        for (int d = 0; d < 7; ++d) {
            const int v = cells[w * 7 + d];
            const int x = ox + c.X + d * c.Width, y = oy + c.Y + w * c.Height;
            if (v != 0) {
                const int day = std::abs(v);
                DrawCalendarCell(p, x, y, v > 0 ? QDate(s.shownYear, s.shownMonth, day) : QDate(), s);
                const int tx = x + c.PicWidth - 8 - (day >= 10 ? 8 : 0), ty = y + c.PicHeight - dayOffset;
                const std::string number = std::to_string(day);
                drawNumberBacking(p, digit, QRect(x, y, c.PicWidth, c.PicHeight), tx, ty, number.size());
                DrawPageText(p, tx, ty, number, v > 0 ? PageColors::Blue : PageColors::Grey);
                if (todayShown && day == today.day() && s.printing == PrintingScreen)
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

QRect PageViews::CalendarCellFrame(int cell) const
{
    const CalendarLayout& c = Calendar;
    return QRect(c.X + (cell % 7) * c.Width, c.Y + (cell / 7) * c.Height, c.PicWidth, c.PicHeight);
}

void PageViews::DrawCalendarSelection(QPainter& p, const QRect& cell)
{
    // Around the cell, in the space between cells: the photo, the day number and today's frame
    // stay in sight.
    const QRect frame = cell.adjusted(-4, -4, 3, 3);
    p.save();
    p.setPen(QPen(kSelectionFrame, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    p.restore();
}

void PageViews::HandleCalendarMouse(MouseAction action, QPoint point, const PageSnapshot& s,
                                    PageMouseResult& r)
{
    if (!OnCalendarGrid(point)) {
        if (action == MouseAction::Release && m_pressedCell >= 0) {
            m_pressedCell = -1;  // a press on a day is over once the button comes up anywhere
            r.erasePress = true;
        }
        HandleHeaderMouse(action, point, s, r);
        return;
    }
    const int k = CalendarCellAt(point);
    if (k < 0 || MonthCells[k] == 0) {
        if (action == MouseAction::Release && m_pressedCell >= 0) {
            m_pressedCell = -1;
            r.erasePress = true;
        }
        return;
    }
    switch (action) {
    case MouseAction::Move:
        r.cursor = PageCursor::Hand;
        break;
    case MouseAction::Press:
        m_pressedCell = k;
        r.feedback = PressFeedback{{}, {}, CalendarCellFrame(k)};
        break;
    case MouseAction::Release: {
        // The day acted on is the pressed one, wherever on the days the button comes up. Whether
        // it is opened or created follows that day's own record, so a day that exists is never
        // replaced by a new empty one.
        if (m_pressedCell < 0)
            break;
        const int pressed = MonthCells[m_pressedCell];
        m_pressedCell = -1;
        const QDate date(s.shownYear, s.shownMonth, std::abs(pressed));
        r.action = PageAction{pressed > 0 ? PageAction::OpenDay : PageAction::AskCreateDay, date};
        break;
    }
    default:
        break;
    }
}
