#include "views/PageViews.h"

#include "app/CNotebook.h"
#include "app/ViewHost.h"
#include "photos/PictureFile.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/SafeFormat.h"
#include "platform/TextCodec.h"
#include "store/NotebookFile.h"
#include "views/LayoutIni.h"
#include "views/PageDraw.h"

#include <QPainter>

PageViews::PageViews(CNotebook& notebook) : m_nb(notebook) {}

void PageViews::LoadSettings()
{
    const std::string& layout = m_nb.LayoutFile;
    Calendar.X = ReadLayoutInt(layout, LayoutIni::CalX);
    Calendar.Y = ReadLayoutInt(layout, LayoutIni::CalY);
    Calendar.Width = ReadLayoutInt(layout, LayoutIni::CalWidth);
    Calendar.Height = ReadLayoutInt(layout, LayoutIni::CalHeight);
    // The frame sizes the thumbnails: one larger than the page could never be seen whole.
    Calendar.PicWidth = ClampLayout(ReadLayoutInt(layout, LayoutIni::CalPicWidth), 0, m_nb.ViewWidth);
    Calendar.PicHeight = ClampLayout(ReadLayoutInt(layout, LayoutIni::CalPicHeight), 0, m_nb.ViewHeight);
    QDate today = Clock::Today();
    m_nb.SetCalendarMonth(today.year(), today.month());
    CalendarBackground = LoadPageBackground(LayoutIni::Calender);
    GraphBackground = LoadPageBackground("Graph");
    ListBackground = LoadPageBackground("List");
    Thumbnails.Clear();
}

void PageViews::LoadDetailBackground()
{
    DetailBackground = LoadPageBackground(LayoutIni::Data);
}

QImage PageViews::LoadPageBackground(const char* section) const
{
    std::string name = ReadLayoutText(m_nb.LayoutFile, section, LayoutIni::BackGround, "", 259);
    if (name.empty())
        return {};
    for (char& c : name)
        if (c == '\\')
            c = '/';
    QImage picture;
    if (!LoadPictureFile(JoinPath(m_nb.ProgramFolder, name), picture))
        return {};
    return picture.convertToFormat(QImage::Format_RGB32);
}

void PageViews::DrawPage(int mode)
{
    if (m_nb.PageBuffer.isNull())
        return;
    m_pressedCell = -1;
    QPainter p(&m_nb.PageBuffer);
    PreparePagePainter(p);
    switch (mode) {
    case 1:
        DrawDetailPage(p, 0, 0);
        break;
    case 4:
        DrawCalendarPage(p);
        break;
    case 2:
    case 3: {
        // The graph and the list draw their own pages; until then the header shows the month.
        const QImage& bg = mode == 2 ? GraphBackground : ListBackground;
        p.fillRect(0, 0, m_nb.ViewWidth, m_nb.ViewHeight, Qt::white);
        DrawPicture(p, 0, 0, bg);
        DrawPageHeader(p, 0, 0, -1, -1, mode == 2 ? LayoutIni::Calender : "List");
        break;
    }
    default:
        p.fillRect(0, 0, m_nb.ViewWidth, m_nb.ViewHeight, Qt::white);
        break;
    }
}

void PageViews::HandleMouse(int action, QPoint point)
{
    // A move decides the cursor afresh: the hand only while a handler finds something to click.
    m_handWanted = false;
    switch (m_nb.ViewMode) {
    case 1:
        HandleDetailMouse(action, point);
        break;
    case 4:
        if (action != MouseDoubleClick)
            HandleCalendarMouse(action, point);
        break;
    case 2:
    case 3:
        if (action != MouseDoubleClick)
            HandleHeaderMouse(action, point);
        break;
    default:
        break;
    }
    if (action == MouseMove)
        if (ViewHost* host = m_nb.host())
            host->SetCursor(m_handWanted ? PageCursor::Hand : PageCursor::Arrow);
}

void PageViews::Release()
{
    CalendarBackground = QImage();
    GraphBackground = QImage();
    ListBackground = QImage();
    DetailBackground = QImage();
    Thumbnails.Clear();
}

void PageViews::DrawPageHeader(QPainter& p, int ox, int oy, int prevMode, int nextMode, const char* section)
{
    const std::string& layout = m_nb.LayoutFile;
    if (auto title = ParseCaption(ReadLayoutText(layout, section, LayoutIni::Title, "", LayoutIni::kHeaderValueBytes))) {
        std::string text = CutCp932(FormatInts(title->text, {m_nb.CalendarMonth().year(), m_nb.CalendarMonth().month()}),
                                    LayoutIni::kHeaderValueBytes);
        DrawPageText(p, title->x + ox, title->y + oy, text, PageColors::Black);
    }
    if (Printing != PrintingScreen)
        return;

    QPen oldPen = p.pen();
    p.setPen(QPen(PageColors::Blue, 1));
    const int shown = m_nb.CalendarMonth().year() * 12 + m_nb.CalendarMonth().month();
    for (int which = 0; which < 2; ++which) {
        const char* key = which == 0 ? LayoutIni::PrevMonth : LayoutIni::NextMonth;
        auto link = ParseCaption(ReadLayoutText(layout, section, key, "", LayoutIni::kHeaderValueBytes));
        if (!link)
            continue;
        const int x = link->x + ox, y = link->y + oy;
        int mode = which == 0 ? prevMode : nextMode;
        bool enabled = mode != 0;
        if (mode == -1 && which == 0) {
            const auto& start = m_nb.store().StartDate;
            const int first = m_nb.Days().first.isValid() ? DateToInt(m_nb.Days().first) : 0;
            if (start && first != 0) {
                int startMonth = start->year() * 12 + start->month();
                int firstMonth = (first / 10000) * 12 + (first / 100) % 100;
                enabled = !(startMonth >= shown && firstMonth >= shown);
            }
        } else if (mode == -1) {
            // Months after today's hold no days yet.
            const QDate today = Clock::Today();
            enabled = shown < today.year() * 12 + today.month();
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

void PageViews::showHandCursor()
{
    m_handWanted = true;
}

void PageViews::showPressedPiece(const QImage& piece, QPoint at)
{
    if (ViewHost* host = m_nb.host())
        host->DrawOnWindow([piece, at](QPainter& w) { w.drawImage(at, piece); });
}

void PageViews::showPressedFrame(QRect frame)
{
    if (ViewHost* host = m_nb.host()) {
        QPen pen = m_nb.HighlightPen;
        host->DrawOnWindow([pen, frame](QPainter& w) {
            w.setPen(pen);
            w.setBrush(Qt::NoBrush);
            w.drawRect(frame.x(), frame.y(), frame.width() - 1, frame.height() - 1);
        });
    }
}

bool PageViews::HandleHeaderMouse(int action, QPoint point)
{
    auto hits = [&](const QPoint& c) {
        return c.x() <= point.x() && point.x() <= c.x() + 50 && c.y() <= point.y() && point.y() <= c.y() + 18;
    };
    if (!hits(HeaderLinks[0]) && !hits(HeaderLinks[1]))
        return false;
    const int which = point.x() < HeaderLinks[1].x() ? 0 : 1;
    const QPoint corner = HeaderLinks[which];
    switch (action) {
    case MouseMove:
        showHandCursor();
        break;
    case MousePress:
        if (!CalendarBackground.isNull()) {
            const QImage& source = m_nb.ViewMode == 3 && !ListBackground.isNull() ? ListBackground : CalendarBackground;
            showPressedPiece(source.copy(corner.x() - 4, corner.y() - 2, 54, 20), corner);
        } else {
            showPressedFrame(QRect(corner, QSize(50, 18)));
        }
        break;
    case MouseRelease:
        if (m_nb.ViewMode == 3) {
            if (ListHeaderStep)
                ListHeaderStep(which == 0 ? -1 : 1);
        } else {
            stepMonth(which == 0 ? -1 : 1);
        }
        break;
    default:
        break;
    }
    return true;
}

void PageViews::stepMonth(int direction)
{
    int month = m_nb.CalendarMonth().month() + direction;
    int year = m_nb.CalendarMonth().year();
    if (month < 1) {
        month = 12;
        --year;
    } else if (month > 12) {
        month = 1;
        ++year;
    }
    m_nb.SetCalendarMonth(year, month);
    DrawPage(m_nb.ViewMode);
    m_nb.PresentPage();
}

int CalendarMonthLength(int year, int month)
{
    QDate d(year, month, 1);
    return d.isValid() ? d.daysInMonth() : 31;
}
