// The graph page: scales, day numbers, the eight series and the mouse over days and scales.
#include "views/GraphPage.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "views/LayoutIni.h"
#include "views/PageDraw.h"
#include "views/PageViews.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// Leaf bars beyond this many would stand far above any page: a hand-typed count of millions
// must not take minutes to draw.
constexpr int kMaxLeafBars = 500;
constexpr double kDotRadius = 3.0;

int clampedFontSize(int size)
{
    return std::clamp(size, 1, 256);
}

std::string oneDecimal(double v, const char* unit = "")
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f%s", v, unit);
    return buf;
}

// Dots joined by lines: a day without a value is skipped, the line joins the dots either side.
class SeriesPath {
public:
    SeriesPath(QPainter& p, const QColor& color) : m_p(p)
    {
        m_p.setPen(QPen(color, 1));
        m_p.setBrush(color);
    }
    void add(int cx, int y)
    {
        const QPointF at(cx, y);
        m_p.drawEllipse(at, kDotRadius, kDotRadius);
        if (m_started)
            m_p.drawLine(m_last, at);
        m_last = at;
        m_started = true;
    }

private:
    QPainter& m_p;
    QPointF m_last;
    bool m_started = false;
};
}  // namespace

std::array<QColor, kGraphSeriesCount> GraphDefaultColors()
{
    std::array<QColor, kGraphSeriesCount> colors;
    for (int k = 0; k < kGraphSeriesCount; ++k)
        colors[k] = QColor::fromString(kGraphDefaultColors[k]);
    return colors;
}

GraphSettings ReadGraphSettingsExceptColors(const std::string& file)
{
    GraphSettings g;
    for (int k = 1; k <= kGraphSeriesCount; ++k)
        g.visible[k - 1] = IniFile::ReadInt(file, GraphIni::Section, "Visible" + std::to_string(k), 1) != 0;
    g.MaxLength = IniFile::ReadInt(file, GraphIni::Section, GraphIni::MaxLength.key, GraphIni::MaxLength.def);
    g.MaxLengthSet = !IniFile::ReadString(file, GraphIni::Section, GraphIni::MaxLength.key, "").empty();
    g.MinTemp = IniFile::ReadInt(file, GraphIni::Section, GraphIni::MinTemp.key, GraphIni::MinTemp.def);
    g.MaxTemp = IniFile::ReadInt(file, GraphIni::Section, GraphIni::MaxTemp.key, GraphIni::MaxTemp.def);
    g.MaxDaylight =
        IniFile::ReadInt(file, GraphIni::Section, GraphIni::MaxDaylight.key, GraphIni::MaxDaylight.def);
    g.GetWeather =
        IniFile::ReadInt(file, GraphIni::Section, GraphIni::GetWeather.key, GraphIni::GetWeather.def) != 0;
    g.FontName = IniFile::ReadString(file, GraphIni::Section, GraphIni::FontName.key, GraphIni::FontName.def);
    g.FontSize = IniFile::ReadInt(file, GraphIni::Section, GraphIni::FontSize.key, GraphIni::FontSize.def);
    return g;
}

std::string ColorText(const QColor& c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.red() & 0xFF, c.green() & 0xFF, c.blue() & 0xFF);
    return buf;
}

Result WriteGraphSettings(const std::string& file, const GraphSettings& g)
{
    std::vector<std::pair<std::string, std::string>> keys;
    for (int k = 1; k <= kGraphSeriesCount; ++k)
        keys.emplace_back("Visible" + std::to_string(k), g.visible[k - 1] ? "1" : "0");
    for (int k = 1; k <= kGraphSeriesCount; ++k)
        keys.emplace_back("Color" + std::to_string(k), ColorText(g.colors[k - 1]));
    if (g.MaxLengthSet)
        keys.emplace_back(GraphIni::MaxLength.key, std::to_string(g.MaxLength));
    keys.emplace_back(GraphIni::MinTemp.key, std::to_string(g.MinTemp));
    keys.emplace_back(GraphIni::MaxTemp.key, std::to_string(g.MaxTemp));
    keys.emplace_back(GraphIni::MaxDaylight.key, std::to_string(g.MaxDaylight));
    keys.emplace_back(GraphIni::GetWeather.key, g.GetWeather ? "1" : "0");
    return IniFile::WriteKeys(file, GraphIni::Section, keys).as(Msg::SettingsWriteFailed);
}

GraphLayout ReadGraphLayout(const std::string& layout)
{
    GraphLayout g;
    g.X = ReadLayoutInt(layout, LayoutIni::GraphX);
    g.Y = ReadLayoutInt(layout, LayoutIni::GraphY);
    g.Width = ReadLayoutInt(layout, LayoutIni::GraphWidth);
    g.LinePitch = ReadLayoutInt(layout, LayoutIni::GraphLinePitch);
    // Day columns without width would pile every day onto one spot.
    if (g.LinePitch <= 0)
        g.LinePitch = LayoutIni::GraphLinePitch.def;
    g.LeafPitch = ReadLayoutInt(layout, LayoutIni::GraphLeafPitch);
    g.LeafWidth = ReadLayoutInt(layout, LayoutIni::GraphLeafWidth);
    g.scales[0] = {ReadLayoutInt(layout, LayoutIni::Graph1Y), ReadLayoutInt(layout, LayoutIni::Graph1Height)};
    g.scales[1] = {ReadLayoutInt(layout, LayoutIni::Graph2Y), ReadLayoutInt(layout, LayoutIni::Graph2Height)};
    g.scales[2] = {ReadLayoutInt(layout, LayoutIni::Graph3Y), ReadLayoutInt(layout, LayoutIni::Graph3Height)};
    return g;
}

GraphMonth ReadGraphMonth(const std::string& folder, int year, int month, const QDate& today)
{
    GraphMonth m;
    m.year = year;
    m.month = month;
    QDate day(year, month, 1);
    if (!day.isValid())
        return m;
    for (int j = 0; j < kGraphDays && day.month() == month; ++j, day = day.addDays(1)) {
        // Day 1 is always drawn; later days once they have begun.
        if (j > 0 && today.isValid() && day > today)
            break;
        m.dayCount = j + 1;
        std::optional<Measurements> values;
        if (folder.empty() || !ReadDayValues(folder, day, nullptr, &values))
            continue;
        GraphMonth::Day& d = m.days[j];
        d.recorded = true;
        d.showInGraph = values->showInGraph();
        d.height = values->height;
        d.leafSize = values->leafSize;
        d.solution = values->solution;
        d.leaves = values->leaves;
        d.roomTemp = values->roomTemp;
    }
    return m;
}

GraphWeather ReadMonthWeatherFromDays(const std::string& folder, const GraphMonth& month)
{
    GraphWeather t;
    for (int j = 0; j < month.dayCount; ++j) {
        if (!month.days[j].recorded)
            continue;
        std::optional<DayWeather> w;
        if (!ReadDayValues(folder, QDate(month.year, month.month, j + 1), &w, nullptr) || !w)
            continue;
        t.days[j] = {true, w->LowTemp, w->HighTemp, w->Daylight};
        t.dayCount = j + 1;
    }
    return t;
}

std::pair<double, double> GraphScaleEnds(const GraphSettings& g, int scale)
{
    double bottom = 0, top = 0;
    switch (scale) {
    case 0:
        bottom = g.MinTemp;
        top = g.MaxTemp;
        break;
    case 1:
        top = g.MaxDaylight;
        break;
    default:
        top = g.MaxLength;
        break;
    }
    // A hand-edited maximum below the minimum is taken the right way round; equal ends make a
    // scale one unit high.
    if (top < bottom)
        std::swap(top, bottom);
    if (top == bottom)
        top = bottom + 1;
    return {bottom, top};
}

int RoundScaleMaximum(double value)
{
    if (!(value > 0))
        return 1;
    if (value >= 1e9)
        return 1000000000;
    double step = std::pow(10.0, std::floor(std::log10(value)));
    if (value / step < 2)
        step /= 2;
    return static_cast<int>(std::max(1.0, (std::floor(value / step) + 1) * step));
}

GraphSettings FitGraphSettings(const GraphSettings& g, const GraphMonth& month)
{
    if (g.MaxLengthSet)
        return g;
    GraphSettings fitted = g;
    fitted.MaxLength = GraphIni::MaxLength.def;
    double largest = 0;
    for (int j = 0; j < month.dayCount && j < kGraphDays; ++j) {
        const GraphMonth::Day& d = month.days[j];
        if (!d.recorded || !d.showInGraph)
            continue;
        const std::pair<int, float> lengths[] = {
            {SeriesHeight, d.height}, {SeriesLeafSize, d.leafSize}, {SeriesSolution, d.solution}};
        for (const auto& [series, v] : lengths)
            if (g.isVisible(series) && std::isfinite(v))
                largest = std::max(largest, static_cast<double>(v));
    }
    if (largest > fitted.MaxLength)
        fitted.MaxLength = RoundScaleMaximum(largest);
    return fitted;
}

int GraphScaleY(double value, double bottom, double top, int scaleY, int scaleHeight)
{
    const double span = top > bottom ? top - bottom : 1.0;
    const double y = scaleY - std::trunc((value - bottom) * scaleHeight / span);
    if (!std::isfinite(y))
        return scaleY;
    return ClampLayout(static_cast<long long>(std::clamp(y, -1e9, 1e9)));
}

QRect GraphPlotArea(const GraphLayout& layout, int scale, const QRect& page)
{
    const GraphScaleLayout& sc = layout.scales[scale];
    const long long bottom = static_cast<long long>(page.y()) + sc.Y, top = bottom - sc.Height;
    // A whole dot stands at either end of the scale.
    const int margin = static_cast<int>(kDotRadius) + 1;
    const int y0 = ClampLayout(std::min(top, bottom) - margin),
              y1 = ClampLayout(std::max(top, bottom) + margin);
    return QRect(QPoint(page.left(), y0), QPoint(page.right(), y1)).intersected(page);
}

void PageViews::LoadGraphAndListLayouts(const std::string& layoutFile, QSize viewSize)
{
    Graph = ReadGraphLayout(layoutFile);
    List = ReadListLayout(layoutFile, viewSize.width(), viewSize.height());
}

void PageViews::DrawGraphAxes(QPainter& p, int ox, int oy, const GraphSettings& g) const
{
    static const char* const units[3] = {"℃", "時間", "cm"};
    const QPen old = p.pen();
    p.setPen(QPen(PageColors::Grey, 1));
    for (int k = 0; k < 3; ++k) {
        const auto [bottom, top] = GraphScaleEnds(g, k);
        const int a = ox + Graph.X - 24, b = oy + Graph.scales[k].Y, h = Graph.scales[k].Height;
        const QPoint line[] = {{a + 4, b}, {a, b}, {a, b - h}, {a + 4, b - h}};
        p.drawPolyline(line, 4);
        p.drawLine(a, b - h / 2, a + 4, b - h / 2);
        DrawPageText(p, a + 8, b - 8, oneDecimal(bottom), PageColors::Grey);
        DrawPageText(p, a + 8, b - h / 2 - 8, oneDecimal((bottom + top) * 0.5), PageColors::Grey);
        DrawPageText(p, a + 8, b - h - 8, oneDecimal(top, units[k]), PageColors::Grey);
    }
    p.setPen(old);
}

void PageViews::DrawGraphPage(QPainter& p, int ox, int oy, const PageSnapshot& s)
{
    // Values of another month than the one shown are not drawn.
    const bool monthMatches = s.graph.month.year == s.shownYear && s.graph.month.month == s.shownMonth;
    const GraphMonth month =
        monthMatches ? s.graph.month : ReadGraphMonth({}, s.shownYear, s.shownMonth, s.today);
    const GraphSettings g = FitGraphSettings(s.graph.settings, month);
    const GraphWeather weather = monthMatches ? s.graph.weather : GraphWeather{};
    const int vw = s.viewSize.width(), vh = s.viewSize.height();

    if (s.printing != PrintingScreen || GraphBackground.isNull()) {
        p.fillRect(ox, oy, vw, vh, PageColors::White);
    }
    if (s.printing == PrintingScreen)
        DrawPicture(p, ox, oy, GraphBackground);
    DrawPageHeader(p, ox, oy, -1, -1, LayoutIni::Calender, s);

    const QFont oldFont = p.font();
    if (auto font = CreatePageFont(g.FontName, clampedFontSize(g.FontSize)))
        p.setFont(*font);
    DrawGraphAxes(p, ox, oy, g);

    const int gx = Graph.X, gy = Graph.Y, pitch = Graph.LinePitch, fs = clampedFontSize(g.FontSize);
    for (int j = 0; j < month.dayCount; ++j) {
        const GraphMonth::Day& d = month.days[j];
        const int lx =
            ClampLayout(static_cast<long long>(ox) + gx + static_cast<long long>(j) * pitch + fs / 2);
        const int ly = oy + gy + fs - 8;
        if (d.recorded && s.printing == PrintingScreen)
            p.drawLine(lx, ly + fs, lx + fs, ly + fs);
        const int day = j + 1;
        DrawPageText(p, lx + (day < 10 ? fs / 3 : 0), ly, std::to_string(day),
                     d.recorded ? PageColors::Blue : PageColors::Grey);
    }
    p.setFont(oldFont);

    auto centre = [&](int j) {
        return ClampLayout(static_cast<long long>(ox) + gx + static_cast<long long>(j) * pitch + pitch / 2);
    };
    auto scaleY = [&](int scale, double v) {
        const auto [bottom, top] = GraphScaleEnds(g, scale);
        return oy + GraphScaleY(v, bottom, top, Graph.scales[scale].Y, Graph.scales[scale].Height);
    };
    auto shown = [&](int j) { return month.days[j].recorded && month.days[j].showInGraph; };
    // A series stays on its own scale: a value beyond it (a plant taller than the length scale)
    // leaves by the scale's edge instead of crossing the other scales and the header.
    auto onScale = [&](int scale) {
        p.setClipRect(GraphPlotArea(Graph, scale, QRect(ox, oy, vw, vh)), Qt::IntersectClip);
    };

    // Bars stay crisp; the dots and lines of the other series are smoothed.
    p.save();
    if (g.isVisible(SeriesLeaves)) {
        p.save();
        onScale(2);
        p.setPen(QPen(g.color(SeriesLeaves), 1));
        const int lw = Graph.LeafWidth, lp = Graph.LeafPitch;
        for (int j = 0; j < month.dayCount; ++j) {
            if (!shown(j) || month.days[j].leaves <= 0)
                continue;
            // Bars that coincide (no pitch) are one bar.
            const int bars = lp == 0 ? 1 : std::min(month.days[j].leaves, kMaxLeafBars);
            const int x0 = ox + gx + j * pitch + (pitch - lw) / 2;
            for (int b = 0; b < bars; ++b) {
                const int yb = oy + Graph.scales[2].Y - lp - b * lp;
                p.drawLine(x0, yb, x0 + lw, yb);
            }
        }
        p.restore();
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    const int weatherDays = std::min(weather.dayCount, month.dayCount);
    struct WeatherSeries {
        int series, scale;
        float GraphWeather::Day::*value;
        float unsetAtOrBelow;
    } const weatherSeries[] = {
        {SeriesHighTemp, 0, &GraphWeather::Day::HighTemp, kUnsetTemperature},
        {SeriesLowTemp, 0, &GraphWeather::Day::LowTemp, kUnsetTemperature},
        {SeriesDaylight, 1, &GraphWeather::Day::Daylight, -0.5f},
    };
    for (const WeatherSeries& w : weatherSeries) {
        if (!g.isVisible(w.series))
            continue;
        p.save();
        onScale(w.scale);
        SeriesPath path(p, g.color(w.series));
        for (int j = 0; j < weatherDays; ++j) {
            const GraphWeather::Day& d = weather.days[j];
            const float v = d.*w.value;
            if (d.present && v > w.unsetAtOrBelow && std::isfinite(v))
                path.add(centre(j), scaleY(w.scale, v));
        }
        p.restore();
    }
    struct GrowthSeries {
        int series, scale;
        float GraphMonth::Day::*value;
        float unsetAtOrBelow;
    } const growthSeries[] = {
        {SeriesHeight, 2, &GraphMonth::Day::height, -0.5f},
        {SeriesLeafSize, 2, &GraphMonth::Day::leafSize, -0.5f},
        {SeriesSolution, 2, &GraphMonth::Day::solution, -0.5f},
        {SeriesRoomTemp, 0, &GraphMonth::Day::roomTemp, kUnsetTemperature},
    };
    for (const GrowthSeries& gs : growthSeries) {
        if (!g.isVisible(gs.series))
            continue;
        p.save();
        onScale(gs.scale);
        SeriesPath path(p, g.color(gs.series));
        for (int j = 0; j < month.dayCount; ++j) {
            const float v = month.days[j].*gs.value;
            if (shown(j) && v > gs.unsetAtOrBelow && std::isfinite(v))
                path.add(centre(j), scaleY(gs.scale, v));
        }
        p.restore();
    }
    p.restore();
    p.drawLine(ox + gx, oy + gy, ox + gx + Graph.Width, oy + gy);
}

void PageViews::HandleGraphMouse(MouseAction action, QPoint pt, const PageSnapshot& s, PageMouseResult& r)
{
    const GraphSettings& g = s.graph.settings;
    const GraphMonth& month = s.graph.month;
    const int fs = clampedFontSize(g.FontSize), px = pt.x(), py = pt.y();
    if (action == MouseAction::Move && px < Graph.X) {
        for (int k = 0; k < 3; ++k) {
            const GraphScaleLayout& sc = Graph.scales[k];
            if (sc.Y - sc.Height < py && py < sc.Y) {
                r.legend = k + 1;
                return;
            }
        }
    }
    r.legend = 0;

    const bool inDays = Graph.LinePitch > 0 && Graph.X <= px && px <= Graph.X + Graph.Width
                        && Graph.scales[0].Y - Graph.scales[0].Height < py && py <= Graph.Y + fs;
    if (!inDays) {
        if (action == MouseAction::Release && m_pressedGraphDay >= 0) {
            m_pressedGraphDay = -1;
            r.erasePress = true;
        }
        HandleHeaderMouse(action, pt, s, r);
        return;
    }
    const int j = (px - Graph.X) / Graph.LinePitch;
    const bool monthMatches = month.year == s.shownYear && month.month == s.shownMonth;
    const bool recorded = monthMatches && j < month.dayCount && month.days[j].recorded;
    switch (action) {
    case MouseAction::Move:
        if (recorded)
            r.cursor = PageCursor::Hand;
        break;
    case MouseAction::Press:
        if (recorded) {
            m_pressedGraphDay = j;
            r.feedback =
                PressFeedback{{}, {}, QRect(Graph.X + j * Graph.LinePitch + fs / 2, Graph.Y + 2, fs, fs)};
        }
        break;
    case MouseAction::Release:
        if (m_pressedGraphDay >= 0) {
            const int pressed = m_pressedGraphDay;
            m_pressedGraphDay = -1;
            if (recorded)
                r.action = PageAction{PageAction::OpenDay, QDate(month.year, month.month, pressed + 1)};
            else
                r.erasePress = true;
        }
        break;
    default:
        break;
    }
}

QSize GraphNotesSize(const std::string& layout)
{
    const int x = ReadLayoutInt(layout, LayoutIni::NotesX),
              width = ReadLayoutInt(layout, LayoutIni::NotesWidth);
    const int y = ReadLayoutInt(layout, LayoutIni::NotesY),
              pitch = ReadLayoutInt(layout, LayoutIni::NotesLinePitch);
    // Title and four lines, with the margin the layout keeps on the left and at the top.
    return QSize(std::clamp(x + 2 * width + x, 360, 1600), std::clamp(y + 5 * pitch + y, 240, 1200));
}

void DrawGraphNotes(QPainter& p, int scale, const std::string& layout, const GraphLayout& graph,
                    const GraphSettings& g)
{
    const QSize size = p.device() ? QSize(p.device()->width(), p.device()->height()) : QSize();
    p.fillRect(0, 0, std::max(360, size.width()), std::max(240, size.height()), QColor(224, 224, 224));
    if (scale < 1 || scale > 3)
        return;
    static const int samples[3][4] = {
        {SeriesHighTemp, SeriesRoomTemp, SeriesLowTemp, SeriesLowTemp},
        {SeriesDaylight, SeriesDaylight, SeriesDaylight, SeriesDaylight},
        {SeriesHeight, SeriesLeaves, SeriesLeafSize, SeriesSolution},
    };
    const int x = ReadLayoutInt(layout, LayoutIni::NotesX),
              width = ReadLayoutInt(layout, LayoutIni::NotesWidth);
    const int pitch = ReadLayoutInt(layout, LayoutIni::NotesLinePitch);
    int y = ReadLayoutInt(layout, LayoutIni::NotesY);
    const std::string section = "Notes" + std::to_string(scale);
    const std::string title = ReadLayoutText(layout, section.c_str(), LayoutIni::Title);
    if (!title.empty()) {
        DrawPageText(p, x + width * 3 / 4, y, title, PageColors::Black);
        y += pitch;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const int xm = x + width * 3 / 2;
    for (int i = 1; i <= 4; ++i) {
        const std::string key = "Notes" + std::to_string(i);
        const std::string text = ReadLayoutText(layout, section.c_str(), key.c_str());
        if (text.empty())
            break;
        DrawPageText(p, x, y, text, PageColors::Black);
        const int series = samples[scale - 1][i - 1];
        const QColor& color = g.color(series);
        p.setPen(QPen(color, 1));
        p.setBrush(color);
        if (series == SeriesLeaves) {
            p.setRenderHint(QPainter::Antialiasing, false);
            for (int m = 3; m >= -1; --m) {
                const int yb = y + 9 + m * graph.LeafPitch;
                p.drawLine(xm - graph.LeafWidth / 2, yb, xm - graph.LeafWidth / 2 + graph.LeafWidth, yb);
            }
            p.setRenderHint(QPainter::Antialiasing, true);
        } else {
            p.drawEllipse(QPointF(xm, y + 9), 3.0, 3.0);
            p.drawLine(QPointF(x + width, y + 9), QPointF(x + 2 * width, y + 9));
        }
        y += pitch;
    }
    p.restore();
}
