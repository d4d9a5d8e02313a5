// The list page: six day columns with thumbnails and values, paged by six listed days.
#include "views/ListPage.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "store/DayList.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "views/LayoutIni.h"
#include "views/PageDraw.h"
#include "views/PageViews.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {
constexpr int kWeatherRow = 5;
// Growth keys of which one must hold a value for a day to count as measured.
constexpr const char* kMeasuredKeys[] = {"DataHeight", "DataWidth", "DataCount", "DataFuel", "Temperature"};

bool measured(const std::string& datPath)
{
    for (const char* key : kMeasuredKeys)
        if (!IniFile::ReadString(datPath, "Growth", key, "").empty())
            return true;
    return false;
}

// A size that is not positive takes its default, so columns and rows never collapse.
int positiveOr(int value, int def, int limit)
{
    return value > 0 ? std::min(value, limit) : def;
}
}  // namespace

ListMode ListModeFromInt(int value)
{
    return value == 1 ? ListMode::MeasuredDays : value == 2 ? ListMode::PhotoDays : ListMode::AllDays;
}

ListLayout ReadListLayout(const std::string& layout, int viewWidth, int viewHeight)
{
    ListLayout l;
    l.X = ReadLayoutInt(layout, LayoutIni::ListX);
    l.Y = ReadLayoutInt(layout, LayoutIni::ListY);
    l.LinePitch =
        positiveOr(ReadLayoutInt(layout, LayoutIni::ListLinePitch), LayoutIni::ListLinePitch.def, viewHeight);
    l.PicWidth = ClampLayout(ReadLayoutInt(layout, LayoutIni::ListPicWidth), 0, viewWidth);
    l.PicHeight = ClampLayout(ReadLayoutInt(layout, LayoutIni::ListPicHeight), 0, viewHeight);
    l.ColumnWidth = positiveOr(ReadLayoutInt(layout, LayoutIni::ListColumnWidth),
                               LayoutIni::ListColumnWidth.def, viewWidth);
    l.TitleWidth = ClampLayout(ReadLayoutInt(layout, LayoutIni::ListTitleWidth), 0, viewWidth);
    return l;
}

std::vector<QDate> ListedDays(const std::string& folder, ListMode mode, const QDate& today)
{
    const DayList days = ScanDayList(folder, DayFilter{mode == ListMode::PhotoDays ? "jpg" : "dat"});
    std::vector<QDate> listed;
    listed.reserve(days.dates.size());
    for (const QDate& d : days.dates) {
        if (today.isValid() && d > today)
            break;
        if (mode == ListMode::MeasuredDays && !measured(DayFilePath(folder, d, "dat")))
            continue;
        listed.push_back(d);
    }
    return listed;
}

ListPlan PlanListPage(const std::vector<QDate>& listed, const QDate& from)
{
    ListPlan plan;
    const int n = static_cast<int>(listed.size());
    if (n == 0)
        return plan;
    int i = static_cast<int>(std::lower_bound(listed.begin(), listed.end(), from) - listed.begin());
    if (!from.isValid() || i == n)
        i = std::max(0, n - kListColumns);
    const int end = std::min(n, i + kListColumns);
    plan.shown.assign(listed.begin() + i, listed.begin() + end);
    if (i > 0)
        plan.prevStart = listed[std::max(0, i - kListColumns)];
    if (end < n)
        plan.nextStart = listed[end];
    return plan;
}

std::vector<std::string> ListDayValues(const std::string& folder, const QDate& date,
                                       std::optional<QDate> startDate)
{
    std::vector<std::string> v(kListRows);
    v[0] = std::to_string(date.month()) + "/" + std::to_string(date.day());
    if (startDate && startDate->isValid())
        v[1] = std::to_string(startDate->daysTo(date) + 1);
    const std::string path = DayFilePath(folder, date, "dat");
    if (!FileExists(path))
        return v;
    static constexpr std::pair<const char*, const char*> keys[] = {
        {"Weather", "LowTemp"},    {"Weather", "HighTemp"}, {"Weather", "Daylight"}, {"Weather", "Weather"},
        {"Growth", "DataHeight"},  {"Growth", "DataCount"}, {"Growth", "DataWidth"}, {"Growth", "DataFuel"},
        {"Growth", "Temperature"}, {"Growth", "Option1"},   {"Growth", "Option2"},
    };
    for (size_t k = 0; k < std::size(keys); ++k) {
        v[k + 2] = IniFile::ReadString(path, keys[k].first, keys[k].second, "");
        // A value that is no number (markup, a formula) is shown as not set.
        if (k + 2 != kWeatherRow && !IsDayNumber(v[k + 2]))
            v[k + 2].clear();
    }
    return v;
}

std::vector<std::string> ListRowCaptions(const std::string& layoutFile, const std::string& notebookFolder)
{
    // Caption rows end at the first empty title; the free items follow only a full set.
    std::vector<std::string> captions;
    for (int r = 1; r <= kListTitleRows; ++r) {
        std::string t = ReadLayoutText(layoutFile, LayoutIni::List, ("Title" + std::to_string(r)).c_str());
        if (t.empty())
            break;
        captions.push_back(std::move(t));
    }
    if (captions.size() == kListTitleRows) {
        captions.push_back(ReadNotebookKey(notebookFolder, "Option1"));
        captions.push_back(ReadNotebookKey(notebookFolder, "Option2"));
    }
    return captions;
}

CellText LayoutCellText(const QFont& font, const QString& text, QSize box, QPaintDevice* device)
{
    CellText out;
    out.font = font;
    const int size = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font, device).height();
    const int smallest = std::max(1, size / 2);
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (int px = size;; --px) {
        out.font.setPixelSize(px);
        const QFontMetrics fm(out.font, device);
        out.lineHeight = fm.height();
        out.lines.clear();
        if (px == size && fm.horizontalAdvance(text) <= box.width()) {
            out.lines.push_back(text);
            return out;
        }
        auto wrapAt = [&](int width) {
            std::vector<QString> lines;
            QTextLayout layout(text, out.font, device);
            layout.setTextOption(wrap);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                lines.push_back(text.mid(line.textStart(), line.textLength()));
            }
            layout.endLayout();
            return lines;
        };
        out.lines = wrapAt(box.width());
        const int count = static_cast<int>(out.lines.size());
        if (count * out.lineHeight <= box.height() || px <= smallest) {
            // The lines shared out evenly, not a full line and a last word.
            if (count > 1) {
                const int even = fm.horizontalAdvance(text) / count + fm.height();
                if (std::vector<QString> balanced = wrapAt(std::min(even, box.width()));
                    static_cast<int>(balanced.size()) == count)
                    out.lines = std::move(balanced);
            }
            return out;
        }
    }
}

void PageViews::DrawListPage(QPainter& p, int ox, int oy, const PageSnapshot& s)
{
    const ListLayout& l = List;
    const QDate from = s.currentDate.isValid() ? s.currentDate : s.today;
    const ListPlan plan = PlanListPage(s.list.listed, from);
    const int vw = s.viewSize.width(), vh = s.viewSize.height();
    const bool background = s.printing == PrintingScreen && !ListBackground.isNull();

    if (background) {
        DrawPicture(p, ox, oy, ListBackground);
        p.fillRect(l.X + ox, l.Y + oy, l.TitleWidth, kListRows * l.LinePitch, PageColors::White);
    } else if (s.printing != PrintingPrinter) {
        p.fillRect(ox, oy, vw, vh, PageColors::White);
    }

    const std::vector<std::string> captions = ListRowCaptions(s.layoutFile, s.notebookFolder);
    const int rows = static_cast<int>(captions.size());
    const int tableHeight = rows * l.LinePitch;
    const int tableWidth = l.TitleWidth + l.ColumnWidth * static_cast<int>(plan.shown.size());
    const int left0 = l.X + ox, top = l.Y + oy;
    for (int r = 0; r < rows; ++r)
        DrawPageText(p, left0 + 4, top + r * l.LinePitch + 4, captions[r], PageColors::Black);

    int left = left0 + l.TitleWidth;
    for (size_t c = 0; c < plan.shown.size(); ++c) {
        const QDate& date = plan.shown[c];
        if (background)
            p.fillRect(left + 1, top, l.ColumnWidth - 1, tableHeight, PageColors::White);
        const std::string photo = DayFilePath(s.notebookFolder, date, "jpg");
        if (l.PicWidth > 0 && l.PicHeight > 0 && FileExists(photo)) {
            // A printer gets the photo at its own resolution, not the screen's small copy.
            const QSize device = DeviceSize(p, l.PicWidth, l.PicHeight);
            QImage thumb = s.list.pictures ? s.list.pictures(date, device)
                                           : Thumbnails.Get(photo, device.width(), device.height());
            StretchPicture(p, left + 2, top - l.PicHeight - 4, l.PicWidth, l.PicHeight, thumb);
        }
        const std::vector<std::string> values = ListDayValues(s.notebookFolder, date, s.startDate);
        for (int k = 0; k < kListRows; ++k) {
            if (k != kWeatherRow) {
                DrawPageText(p, left + 24, top + k * l.LinePitch + 4, values[k], PageColors::Black);
                continue;
            }
            // The weather text is wrapped in its cell rather than cut.
            const CellText cell = LayoutCellText(p.font(), QString::fromStdString(values[k]),
                                                 QSize(l.ColumnWidth - 6, l.LinePitch - 2), p.device());
            const QFont old = p.font();
            p.setFont(cell.font);
            const int lines = static_cast<int>(cell.lines.size());
            const int y = lines == 1 ? top + k * l.LinePitch + 4 : top + k * l.LinePitch + 1;
            for (int i = 0; i < lines; ++i)
                DrawPageText(p, left + 4, y + i * cell.lineHeight, cell.lines[i].toStdString(),
                             PageColors::Black);
            p.setFont(old);
        }
        if (c + 1 < static_cast<size_t>(kListColumns))
            p.drawLine(left + l.ColumnWidth, top, left + l.ColumnWidth, top + tableHeight);
        left += l.ColumnWidth;
    }

    p.drawLine(left0, top, left0 + tableWidth, top);
    p.drawLine(left0 + tableWidth, top, left0 + tableWidth, top + tableHeight);
    p.drawLine(left0, top + tableHeight, left0, top);
    p.drawLine(left0 + l.TitleWidth, top, left0 + l.TitleWidth, top + tableHeight);
    for (int r = 1; r <= rows; ++r)
        p.drawLine(left0, top + r * l.LinePitch, left0 + tableWidth, top + r * l.LinePitch);

    DrawPageHeader(p, ox, oy, plan.prevStart.isValid() ? 1 : 0, plan.nextStart.isValid() ? 1 : 0,
                   LayoutIni::List, s);
    if (s.printing == PrintingScreen) {
        ListShown = plan;
        ListTableWidth = tableWidth;
        ListTableHeight = tableHeight;
    }
}

void PageViews::HandleListMouse(MouseAction action, QPoint pt, const PageSnapshot& s, PageMouseResult& r)
{
    const ListLayout& l = List;
    const bool inBand = l.Y - l.PicHeight - 4 < pt.y() && pt.y() < l.Y - 4 && l.X + l.TitleWidth < pt.x()
                        && pt.x() < l.X + ListTableWidth;
    const int column = inBand ? (pt.x() - l.X - l.TitleWidth) / l.ColumnWidth : -1;
    if (column < 0 || column >= static_cast<int>(ListShown.shown.size())) {
        if (action == MouseAction::Release && m_pressedColumn >= 0) {
            m_pressedColumn = -1;
            r.erasePress = true;
        }
        HandleHeaderMouse(action, pt, s, r);
        if (r.action && r.action->kind == PageAction::StepListPage) {
            r.action->date = r.action->step < 0 ? ListShown.prevStart : ListShown.nextStart;
            if (!r.action->date.isValid())
                r.action.reset();
        }
        return;
    }
    switch (action) {
    case MouseAction::Move:
        r.cursor = PageCursor::Hand;
        break;
    case MouseAction::Press:
        m_pressedColumn = column;
        r.feedback = PressFeedback{{},
                                   {},
                                   QRect(l.X + l.TitleWidth + column * l.ColumnWidth + 2,
                                         l.Y - l.PicHeight - 4, l.PicWidth, l.PicHeight)};
        break;
    case MouseAction::Release:
        if (m_pressedColumn >= 0) {
            const QDate date = ListShown.shown[m_pressedColumn];
            m_pressedColumn = -1;
            r.action = PageAction{PageAction::OpenDay, date};
        }
        break;
    default:
        break;
    }
}
