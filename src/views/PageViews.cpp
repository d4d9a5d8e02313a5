#include "views/PageViews.h"

#include "photos/PictureFile.h"
#include "platform/AppFolders.h"
#include "platform/Files.h"
#include "platform/SafeFormat.h"
#include "platform/TextCodec.h"
#include "store/NotebookFile.h"
#include "views/LayoutIni.h"
#include "views/PageDraw.h"

#include <QPainter>

void PageViews::LoadSettings(const std::string& layout, const AppFolders& folders, QSize viewSize)
{
    Calendar.X = ReadLayoutInt(layout, LayoutIni::CalX);
    Calendar.Y = ReadLayoutInt(layout, LayoutIni::CalY);
    Calendar.Width = ReadLayoutInt(layout, LayoutIni::CalWidth);
    Calendar.Height = ReadLayoutInt(layout, LayoutIni::CalHeight);
    // The frame sizes the thumbnails: one larger than the page could never be seen whole.
    Calendar.PicWidth = ClampLayout(ReadLayoutInt(layout, LayoutIni::CalPicWidth), 0, viewSize.width());
    Calendar.PicHeight = ClampLayout(ReadLayoutInt(layout, LayoutIni::CalPicHeight), 0, viewSize.height());
    CalendarBackground = LoadPageBackground(layout, folders, LayoutIni::Calender);
    GraphBackground = LoadPageBackground(layout, folders, "Graph");
    ListBackground = LoadPageBackground(layout, folders, "List");
    LoadGraphAndListLayouts(layout, viewSize);
    Thumbnails.Clear();
}

void PageViews::LoadDetailBackground(const std::string& layoutFile, const AppFolders& folders)
{
    DetailBackground = LoadPageBackground(layoutFile, folders, LayoutIni::Data);
}

QImage PageViews::LoadPageBackground(const std::string& layoutFile, const AppFolders& folders,
                                     const char* section)
{
    const std::string name = ReadLayoutText(layoutFile, section, LayoutIni::BackGround, "", 259);
    // A background is a picture beside the program: a name reaching into another folder could
    // open any file of the machine.
    if (!IsPlainFileName(name))
        return {};
    QImage picture;
    if (!LoadPictureFile(folders.kitFile(name), picture))
        return {};
    return picture.convertToFormat(QImage::Format_RGB32);
}

void PageViews::DrawPage(QPainter& p, QPoint origin, const PageSnapshot& s)
{
    if (s.printing == PrintingScreen)
        m_pressedCell = m_pressedColumn = m_pressedGraphDay = -1;
    const int ox = origin.x(), oy = origin.y();
    const int vw = s.viewSize.width(), vh = s.viewSize.height();
    switch (s.mode) {
    case ViewMode::Detail:
        DrawDetailPage(p, ox, oy, s);
        break;
    case ViewMode::Calendar:
        DrawCalendarPage(p, ox, oy, s);
        break;
    case ViewMode::Graph:
        DrawGraphPage(p, ox, oy, s);
        break;
    case ViewMode::List:
        DrawListPage(p, ox, oy, s);
        break;
    default:
        p.fillRect(ox, oy, vw, vh, Qt::white);
        break;
    }
}

PageMouseResult PageViews::HandleMouse(MouseAction action, QPoint point, const PageSnapshot& s)
{
    PageMouseResult r;
    switch (s.mode) {
    case ViewMode::Detail:
        HandleDetailMouse(action, point, s, r);
        break;
    case ViewMode::Calendar:
        if (action != MouseAction::DoubleClick)
            HandleCalendarMouse(action, point, s, r);
        break;
    case ViewMode::Graph:
        if (action != MouseAction::DoubleClick)
            HandleGraphMouse(action, point, s, r);
        break;
    case ViewMode::List:
        if (action != MouseAction::DoubleClick)
            HandleListMouse(action, point, s, r);
        break;
    default:
        break;
    }
    // A move decides the cursor afresh: the hand only while a handler found something to click.
    if (action == MouseAction::Move && !r.cursor)
        r.cursor = PageCursor::Arrow;
    return r;
}

void PageViews::Release()
{
    CalendarBackground = QImage();
    GraphBackground = QImage();
    ListBackground = QImage();
    DetailBackground = QImage();
    Thumbnails.Clear();
}

void PageViews::DrawPageHeader(QPainter& p, int ox, int oy, int prevMode, int nextMode, const char* section,
                               const PageSnapshot& s)
{
    const std::string& layout = s.layoutFile;
    if (auto title = ParseCaption(
            ReadLayoutText(layout, section, LayoutIni::Title, "", LayoutIni::kHeaderValueBytes))) {
        std::string text =
            CutCp932(FormatInts(title->text, {s.shownYear, s.shownMonth}), LayoutIni::kHeaderValueBytes);
        DrawPageText(p, title->x + ox, title->y + oy, text, PageColors::Black);
    }
    if (s.printing != PrintingScreen)
        return;

    QPen oldPen = p.pen();
    p.setPen(QPen(PageColors::Blue, 1));
    const int shown = s.shownYear * 12 + s.shownMonth;
    for (int which = 0; which < 2; ++which) {
        const char* key = which == 0 ? LayoutIni::PrevMonth : LayoutIni::NextMonth;
        auto link = ParseCaption(ReadLayoutText(layout, section, key, "", LayoutIni::kHeaderValueBytes));
        if (!link)
            continue;
        const int x = link->x + ox, y = link->y + oy;
        int mode = which == 0 ? prevMode : nextMode;
        bool enabled = mode != 0;
        if (mode == -1 && which == 0) {
            const int first = s.firstDayDate;
            if (s.startDate && first != 0) {
                int startMonth = s.startDate->year() * 12 + s.startDate->month();
                int firstMonth = (first / 10000) * 12 + (first / 100) % 100;
                enabled = !(startMonth >= shown && firstMonth >= shown);
            }
        } else if (mode == -1) {
            // Months after today's hold no days yet.
            enabled = shown < s.today.year() * 12 + s.today.month();
        }
        const bool background = !CalendarBackground.isNull();
        if (enabled) {
            if (!background) {
                p.drawLine(x, y + 18, x + 50, y + 18);
                DrawPageText(p, x, y, link->text, PageColors::Blue);
            }
            HeaderLinks[which] = QPoint(x, y);
        } else {
            if (!background) {
                DrawPageText(p, x, y, link->text, PageColors::Grey);
            } else {
                // Hide the link the background picture shows under the colour around it.
                QColor around = PageColors::White;
                if (auto* image = dynamic_cast<QImage*>(p.device()); image && image->valid(x, y))
                    around = image->pixelColor(x, y);
                p.fillRect(x, y, 54, 20, around);
            }
            HeaderLinks[which] = QPoint(kLinkDisabled, kLinkDisabled);
        }
    }
    p.setPen(oldPen);
}

bool PageViews::HandleHeaderMouse(MouseAction action, QPoint point, const PageSnapshot& s,
                                  PageMouseResult& r) const
{
    auto hits = [&](const QPoint& c) {
        return c.x() <= point.x() && point.x() <= c.x() + 50 && c.y() <= point.y() && point.y() <= c.y() + 18;
    };
    if (!hits(HeaderLinks[0]) && !hits(HeaderLinks[1]))
        return false;
    const int which = point.x() < HeaderLinks[1].x() ? 0 : 1;
    const int direction = which == 0 ? -1 : 1;
    const QPoint corner = HeaderLinks[which];
    switch (action) {
    case MouseAction::Move:
        r.cursor = PageCursor::Hand;
        break;
    case MouseAction::Press:
        if (!CalendarBackground.isNull()) {
            const QImage& source =
                s.mode == ViewMode::List && !ListBackground.isNull() ? ListBackground : CalendarBackground;
            r.feedback = PressFeedback{source.copy(corner.x() - 4, corner.y() - 2, 54, 20), corner, {}};
        } else {
            r.feedback = PressFeedback{{}, {}, QRect(corner, QSize(50, 18))};
        }
        break;
    case MouseAction::Release:
        r.action = PageAction{
            s.mode == ViewMode::List ? PageAction::StepListPage : PageAction::StepMonth, {}, direction};
        break;
    default:
        break;
    }
    return true;
}

int CalendarMonthLength(int year, int month)
{
    QDate d(year, month, 1);
    return d.isValid() ? d.daysInMonth() : 31;
}
