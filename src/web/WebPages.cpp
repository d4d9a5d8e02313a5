#include "web/WebPages.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "store/DayRecord.h"
#include "store/KeltoIni.h"
#include "views/GraphPage.h"
#include "views/ListPage.h"
#include "views/PageDraw.h"
#include "views/PageViews.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QSvgGenerator>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace {
// The rows of the weather text in the list's and the day page's values.
constexpr size_t kListWeatherRow = 5, kDetailWeatherRow = 3;

std::string esc(const std::string& text)
{
    return HtmlEscape(text);
}

std::string num(int n)
{
    return std::to_string(n);
}

std::string longDate(const QDate& d)
{
    return num(d.year()) + "年" + num(d.month()) + "月" + num(d.day()) + "日";
}

std::string monthTitle(const QDate& d)
{
    return num(d.year()) + "年" + num(d.month()) + "月";
}

std::string oneDecimalText(float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(v));
    return buf;
}

std::string stem(const QDate& d)
{
    return DayFileStem(d);
}

// A graph drawn by `paint` on a `size` canvas, as an SVG element that scales with the page.
std::string svgElement(QSize size, const std::string& label, const std::function<void(QPainter&)>& paint)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    {
        QPainter p(&svg);
        paint(p);
    }
    QString text = QString::fromUtf8(buffer.data());
    // Inline in the page: no XML prologue, and the page's width instead of a fixed one.
    const qsizetype start = text.indexOf(QLatin1String("<svg"));
    if (start > 0)
        text.remove(0, start);
    text.replace(QRegularExpression(QStringLiteral("^<svg([^>]*?)\\swidth=\"[^\"]*\"")), QStringLiteral("<svg\\1"));
    text.replace(QRegularExpression(QStringLiteral("^<svg([^>]*?)\\sheight=\"[^\"]*\"")), QStringLiteral("<svg\\1"));
    text.replace(QRegularExpression(QStringLiteral("<title>.*?</title>|<desc>.*?</desc>"),
                                    QRegularExpression::DotMatchesEverythingOption),
                 QString());
    text.replace(0, 4,
                 QStringLiteral("<svg class=\"graph\" role=\"img\" aria-label=\"%1\"")
                     .arg(QString::fromStdString(esc(label))));
    return text.toStdString();
}

GraphSettings graphSettings(const std::string& settingsFile)
{
    return ReadGraphSettings(settingsFile, [&](const std::string& key, const char* def) {
        const QColor c(QString::fromStdString(IniFile::ReadString(settingsFile, GraphIni::Section, key, def)));
        return c.isValid() ? c : QColor(def);
    });
}

QSize viewSize(const std::string& settingsFile)
{
    int w = ReadSettingInt(settingsFile, KeltoIni::ViewWidth), h = ReadSettingInt(settingsFile, KeltoIni::ViewHeight);
    if (w < 100 || w > 8000)
        w = KeltoIni::ViewWidth.def;
    if (h < 100 || h > 8000)
        h = KeltoIni::ViewHeight.def;
    return {w, h};
}

// The month's graph page, drawn by the page painter as it prints.
std::string monthGraph(const WebNotebook& nb, const QDate& month, const GraphSettings& g)
{
    const QSize size = viewSize(nb.settingsFile);
    PageSnapshot s;
    s.mode = ViewMode::Graph;
    s.printing = PrintingPrinter;
    s.layoutFile = nb.layoutFile;
    s.notebookFolder = nb.folder;
    s.viewSize = size;
    s.shownYear = month.year();
    s.shownMonth = month.month();
    s.currentDate = month;
    s.today = nb.today;
    s.startDate = nb.startDate;
    GraphMonth days = ReadGraphMonth(nb.folder, month.year(), month.month(), nb.today);
    GraphWeather weather = ReadMonthWeatherFromDays(nb.folder, days);
    s.graph = GraphInput{g, std::move(days), std::move(weather)};
    PageViews views;
    views.LoadGraphAndListLayouts(nb.layoutFile, size);
    const std::optional<QFont> font = CreatePageFont(ReadSettingText(nb.settingsFile, KeltoIni::FontName),
                                                     ReadSettingInt(nb.settingsFile, KeltoIni::FontSize));
    return svgElement(size, monthTitle(month) + "の成長グラフ", [&](QPainter& p) {
        PreparePagePainter(p);
        if (font)
            p.setFont(*font);
        p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        views.DrawGraphPage(p, 0, 0, s);
    });
}

// The series as the graph's legend names them, in their colours; hidden series are left out.
std::string graphLegend(const GraphSettings& g)
{
    static const char* const names[kGraphSeriesCount] = {"草たけ",   "葉の枚数", "葉の大きさ", "養液面の高さ",
                                                         "最低気温", "最高気温", "日照時間",   "室温"};
    std::string out = "<ul class=\"legend\">";
    for (int k = 1; k <= kGraphSeriesCount; ++k)
        if (g.isVisible(k))
            out += "<li><span class=\"swatch\" style=\"background:" + ColorText(g.color(k)) + "\"></span>"
                   + names[k - 1] + "</li>";
    return out + "</ul>";
}

std::string photoAlt(const WebNotebook& nb, const QDate& d)
{
    return longDate(d) + "の" + (nb.info.KindName.empty() ? std::string("植物") : nb.info.KindName) + "の写真";
}

bool hasPhoto(const WebNotebook& nb, const QDate& d)
{
    return std::binary_search(nb.photos.begin(), nb.photos.end(), d);
}

std::string navigation(const std::vector<std::pair<std::string, std::string>>& links)
{
    std::string out = "<nav>";
    for (const auto& [href, text] : links)
        out += href.empty() ? "<span class=\"off\">" + text + "</span>"
                            : "<a href=\"" + href + "\">" + text + "</a>";
    return out + "</nav>\n";
}

std::string indexBody(const WebNotebook& nb, const std::vector<QDate>& months)
{
    const NotebookInfo& i = nb.info;
    std::string b;
    if (nb.inClass)
        b += navigation({{"../../index.html", "← クラスのページ"}});
    b += "<header><h1>" + esc(nb.name) + "</h1>\n<dl class=\"facts\">";
    const std::pair<const char*, std::string> facts[] = {
        {"学校", i.SchoolName}, {"学年", i.GradeNo},      {"組", i.ClassName},
        {"番号", i.StudentNo},  {"名前", i.StudentName},  {"植物", i.KindName},
        {"観察を始めた日", nb.startDate ? longDate(*nb.startDate) : std::string()},
        {"記録した日数", num(nb.recorded) + "日"},
    };
    for (const auto& [label, value] : facts)
        if (!value.empty())
            b += std::string("<div><dt>") + label + "</dt><dd>" + esc(value) + "</dd></div>";
    b += "</dl></header>\n";
    if (nb.video.isValid() && !nb.video.isEmpty())
        b += "<section class=\"video\"><h2>成長のアニメーション</h2><video controls preload=\"metadata\" src=\""
             + std::string(kWebVideoName) + "\" width=\"" + num(nb.video.width()) + "\" height=\""
             + num(nb.video.height()) + "\" aria-label=\"写真をつなげた成長のアニメーション\"></video></section>\n";
    if (months.empty())
        b += "<p>まだ記録がありません。</p>\n";
    static const char* const weekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
    for (const QDate& m : months) {
        b += "<section class=\"month\" id=\"m" + stem(m).substr(0, 6) + "\"><h2>" + monthTitle(m)
             + " <a class=\"more\" href=\"" + MonthPageName(m) + "\">グラフと一覧表</a></h2>\n";
        b += "<table class=\"calendar\"><thead><tr>";
        for (const char* w : weekdays)
            b += std::string("<th scope=\"col\">") + w + "</th>";
        b += "</tr></thead><tbody>\n<tr>";
        const int lead = m.dayOfWeek() % 7;  // Sunday first
        for (int c = 0; c < lead; ++c)
            b += "<td></td>";
        for (int day = 1; day <= m.daysInMonth(); ++day) {
            const QDate d(m.year(), m.month(), day);
            const int cell = lead + day - 1;
            if (cell > 0 && cell % 7 == 0)
                b += "</tr>\n<tr>";
            if (std::binary_search(nb.days.begin(), nb.days.end(), d)) {
                b += "<td class=\"rec\"><a href=\"" + DayPageName(d) + "\"><span class=\"n\">" + num(day)
                     + "</span>";
                if (hasPhoto(nb, d))
                    b += "<img src=\"thumbs/" + stem(d) + ".jpg\" alt=\"" + esc(photoAlt(nb, d)) + "\">";
                b += "</a></td>";
            } else {
                b += "<td><span class=\"n\">" + num(day) + "</span></td>";
            }
        }
        for (int c = (lead + m.daysInMonth()) % 7; c != 0 && c < 7; ++c)
            b += "<td></td>";
        b += "</tr></tbody></table></section>\n";
    }
    return b;
}

std::vector<std::string> memoLines(const std::string& folder, const QDate& d)
{
    std::string bytes;
    if (!ReadFileBytes(DayFilePath(folder, d, "txt"), bytes))
        return {};
    std::vector<std::string> lines;
    for (const QString& line :
         LayoutMemoLines(DecodeFileText(bytes), INT_MAX, INT_MAX, [](const QString&) { return 0; }))
        lines.push_back(line.toStdString());
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

std::string dayBody(const WebNotebook& nb, size_t index, const std::vector<std::string>& captions)
{
    const QDate d = nb.days[index];
    const QDate month(d.year(), d.month(), 1);
    std::string prev, next;
    if (index > 0)
        prev = DayPageName(nb.days[index - 1]);
    if (index + 1 < nb.days.size())
        next = DayPageName(nb.days[index + 1]);
    std::string b = navigation({{prev, "← 前の日"},
                                {"index.html#m" + stem(d).substr(0, 6), "もくじ"},
                                {MonthPageName(month), "この月のグラフ"},
                                {next, "次の日 →"}});
    std::optional<int> dayNumber;
    if (nb.startDate)
        dayNumber = static_cast<int>(nb.startDate->daysTo(d)) + 1;
    b += "<h1>" + longDate(d) + (dayNumber ? " <small>" + num(*dayNumber) + "日目</small>" : "") + "</h1>\n";
    b += "<div class=\"day\">";
    if (hasPhoto(nb, d))
        b += "<figure><img src=\"photos/" + stem(d) + ".jpg\" alt=\"" + esc(photoAlt(nb, d)) + "\"></figure>";
    else
        b += "<p class=\"nophoto\">この日の写真はありません。</p>";
    DayRecord day;
    day.date = d;
    ReadDayValues(nb.folder, d, &day.weather, &day.measurements);
    auto values = DetailValueTexts(day, d, dayNumber, SplitFreeItemCaption(nb.info.Option1).unit,
                                   SplitFreeItemCaption(nb.info.Option2).unit);
    // A page has room for the whole weather text, which the drawn pages cut to their cells.
    if (day.weather && values.size() > kDetailWeatherRow)
        values[kDetailWeatherRow] = day.weather->Weather;
    b += "<table class=\"values\"><tbody>";
    for (size_t r = 0; r < captions.size() && r < values.size(); ++r)
        b += "<tr><th scope=\"row\">" + esc(captions[r]) + "</th><td>" + esc(values[r]) + "</td></tr>";
    b += "</tbody></table></div>\n";
    const std::vector<std::string> memo = memoLines(nb.folder, d);
    b += "<section class=\"memo\"><h2>メモ</h2>";
    if (memo.empty()) {
        b += "<p class=\"empty\">（メモはありません）</p>";
    } else {
        b += "<p>";
        for (size_t k = 0; k < memo.size(); ++k)
            b += (k ? "<br>\n" : "") + esc(memo[k]);
        b += "</p>";
    }
    b += "</section>\n";
    return b;
}

std::string monthBody(const WebNotebook& nb, const std::vector<QDate>& months, size_t index,
                      const GraphSettings& g)
{
    const QDate m = months[index];
    std::string b = navigation({{index > 0 ? MonthPageName(months[index - 1]) : "", "← 前の月"},
                                {"index.html#m" + stem(m).substr(0, 6), "もくじ"},
                                {index + 1 < months.size() ? MonthPageName(months[index + 1]) : "", "次の月 →"}});
    b += "<h1>" + monthTitle(m) + "のグラフと一覧表</h1>\n";
    b += "<figure class=\"graph\">" + monthGraph(nb, m, g) + "<figcaption>" + graphLegend(g)
         + "</figcaption></figure>\n";
    const std::vector<std::string> captions = ListRowCaptions(nb.layoutFile, nb.folder);
    b += "<div class=\"scroll\"><table class=\"list\"><thead><tr>";
    for (const std::string& c : captions)
        b += "<th scope=\"col\">" + esc(c) + "</th>";
    b += "</tr></thead><tbody>\n";
    for (const QDate& d : nb.days) {
        if (d.year() != m.year() || d.month() != m.month())
            continue;
        std::vector<std::string> values = ListDayValues(nb.folder, d, nb.startDate);
        if (values.size() > kListWeatherRow)
            values[kListWeatherRow] =
                IniFile::ReadString(DayFilePath(nb.folder, d, "dat"), "Weather", "Weather", "");
        b += "<tr>";
        for (size_t k = 0; k < captions.size() && k < values.size(); ++k)
            b += k == 0
                     ? "<th scope=\"row\"><a href=\"" + DayPageName(d) + "\">" + esc(values[k]) + "</a></th>"
                 : k == kListWeatherRow ? "<td class=\"text\">" + esc(values[k]) + "</td>"
                                        : "<td>" + esc(values[k]) + "</td>";
        b += "</tr>\n";
    }
    b += "</tbody></table></div>\n";
    return b;
}

// The class graph: each plant's height over the days since its start, one named line each.
std::string classGraph(const std::vector<WebNotebookSummary>& notebooks)
{
    int maxDay = 10;
    float maxHeight = 10;
    for (const WebNotebookSummary& n : notebooks)
        for (const auto& [day, h] : n.heights) {
            maxDay = std::max(maxDay, day);
            maxHeight = std::max(maxHeight, h);
        }
    const int dayStep = maxDay <= 40 ? 5 : maxDay <= 100 ? 10 : maxDay <= 200 ? 20 : 50;
    maxDay = (maxDay + dayStep - 1) / dayStep * dayStep;
    const int hStep = maxHeight <= 20 ? 2 : maxHeight <= 50 ? 5 : maxHeight <= 100 ? 10 : 20;
    const int top = static_cast<int>(std::ceil(maxHeight / hStep)) * hStep;
    const int legendRows = static_cast<int>(notebooks.size());
    const QSize size(780, std::max(420, 60 + legendRows * 22));
    const QRect plot(60, 30, 520, 340);
    auto px = [&](int day) { return plot.left() + plot.width() * day / maxDay; };
    auto py = [&](float h) { return plot.bottom() - static_cast<int>(plot.height() * h / top); };
    return svgElement(size, "草たけのくらべっこ", [&](QPainter& p) {
        PreparePagePainter(p);
        p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        p.setPen(QPen(PageColors::Grey, 1));
        for (int d = 0; d <= maxDay; d += dayStep) {
            p.drawLine(px(d), plot.top(), px(d), plot.bottom());
            DrawPageText(p, px(d) - 8, plot.bottom() + 6, num(d), PageColors::Black);
        }
        for (int h = 0; h <= top; h += hStep) {
            p.drawLine(plot.left(), py(h), plot.right(), py(h));
            DrawPageText(p, plot.left() - 36, py(h) - 8, num(h), PageColors::Black);
        }
        DrawPageText(p, plot.left() - 50, 4, "草たけ (cm)", PageColors::Black);
        DrawPageText(p, plot.right() - 100, plot.bottom() + 26, "始めてからの日数", PageColors::Black);
        p.setRenderHint(QPainter::Antialiasing, true);
        int row = 0;
        for (size_t k = 0; k < notebooks.size(); ++k) {
            const WebNotebookSummary& n = notebooks[k];
            if (n.heights.empty())
                continue;
            const QColor c = QColor::fromHsv(static_cast<int>(k * 137 % 360), 200, 180);
            QPainterPath path;
            for (size_t j = 0; j < n.heights.size(); ++j) {
                const QPointF pt(px(n.heights[j].first), py(n.heights[j].second));
                j == 0 ? path.moveTo(pt) : path.lineTo(pt);
            }
            p.setPen(QPen(c, 2));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
            const int ly = plot.top() + row++ * 22;
            p.drawLine(plot.right() + 16, ly + 9, plot.right() + 40, ly + 9);
            DrawPageText(p, plot.right() + 46, ly, n.name, PageColors::Black);
        }
    });
}
}  // namespace

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string LinkSegment(const std::string& name)
{
    // Byte by byte, so a name that is not UTF-8 (made on Windows) still leads to its folder.
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || c == '-' || c == '.'
            || c == '_' || c == '~')
            out += c;
        else
            out += {'%', hex[b >> 4], hex[b & 15]};
    }
    return out;
}

std::string DayPageName(const QDate& date)
{
    return "day-" + DayFileStem(date) + ".html";
}

std::string MonthPageName(const QDate& date)
{
    return "month-" + DayFileStem(date).substr(0, 6) + ".html";
}

std::string WebPage::html() const
{
    return "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"
           + title + "</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n<main>\n" + body
           + "</main>\n</body>\n</html>\n";
}

std::vector<WebPage> NotebookPages(const WebNotebook& nb)
{
    std::vector<QDate> months;
    for (const QDate& d : nb.days)
        if (months.empty() || months.back().year() != d.year() || months.back().month() != d.month())
            months.emplace_back(d.year(), d.month(), 1);
    std::vector<WebPage> pages;
    const std::string name = esc(nb.name);
    pages.push_back({"index.html", name, indexBody(nb, months)});
    const std::vector<std::string> captions = DetailRowCaptions(nb.layoutFile, nb.folder);
    for (size_t i = 0; i < nb.days.size(); ++i)
        pages.push_back({DayPageName(nb.days[i]), longDate(nb.days[i]) + " - " + name, dayBody(nb, i, captions)});
    const GraphSettings g = graphSettings(nb.settingsFile);
    for (size_t i = 0; i < months.size(); ++i)
        pages.push_back({MonthPageName(months[i]), monthTitle(months[i]) + " - " + name, monthBody(nb, months, i, g)});
    return pages;
}

WebNotebookSummary SummariseNotebook(const WebNotebook& nb)
{
    WebNotebookSummary s;
    s.name = nb.name;
    s.kind = nb.info.KindName;
    s.startDate = nb.startDate ? longDate(*nb.startDate) : std::string();
    s.days = nb.recorded;
    if (!nb.days.empty())
        s.lastDay = nb.days.back();
    if (!nb.photos.empty())
        s.latestPhoto = nb.photos.back();
    const QDate origin = nb.startDate ? *nb.startDate : (nb.days.empty() ? QDate() : nb.days.front());
    for (const QDate& d : nb.days) {
        std::optional<Measurements> m;
        if (!ReadDayValues(nb.folder, d, nullptr, &m) || !m || m->height < 0 || !std::isfinite(m->height))
            continue;
        s.latestHeight = m->height;
        const int since = static_cast<int>(origin.daysTo(d));
        if (since >= 0)
            s.heights.emplace_back(since, m->height);
    }
    return s;
}

WebPage ClassPage(const std::vector<WebNotebookSummary>& notebooks, const QDate& today)
{
    std::string b = "<h1>クラスの観察ノート</h1>\n<p class=\"asof\">" + longDate(today) + "現在 / "
                    + num(static_cast<int>(notebooks.size())) + "冊</p>\n";
    b += "<div class=\"scroll\"><table class=\"class\"><thead><tr><th scope=\"col\">名前</th><th scope=\"col\">"
         "植物</th><th scope=\"col\">始めた日</th><th scope=\"col\">記録した日数</th><th scope=\"col\">最後の日</th>"
         "<th scope=\"col\">最新の草たけ</th><th scope=\"col\">最新の写真</th></tr></thead><tbody>\n";
    for (const WebNotebookSummary& n : notebooks) {
        if (!n.failure.empty()) {
            b += "<tr class=\"failed\"><th scope=\"row\">" + esc(n.name) + "</th><td colspan=\"6\">書き出せません: "
                 + esc(n.failure) + "</td></tr>\n";
            continue;
        }
        // The folder's bytes as they are, so a name made on Windows (CP932) is reached too.
        const std::string site = std::string(kWebNotebooksFolder) + "/" + LinkSegment(n.subfolder) + "/";
        b += "<tr><th scope=\"row\"><a href=\"" + site + "index.html\">" + esc(n.name) + "</a></th><td>"
             + esc(n.kind) + "</td><td>" + esc(n.startDate) + "</td><td>" + num(n.days) + "日</td><td>"
             + (n.lastDay.isValid() ? "<a href=\"" + site + DayPageName(n.lastDay) + "\">" + longDate(n.lastDay) + "</a>"
                                    : std::string())
             + "</td><td>" + (n.latestHeight >= 0 ? oneDecimalText(n.latestHeight) + " cm" : std::string())
             + "</td><td>";
        if (n.latestPhoto.isValid())
            b += "<a href=\"" + site + DayPageName(n.latestPhoto) + "\"><img src=\"" + site + "thumbs/"
                 + stem(n.latestPhoto) + ".jpg\" alt=\"" + esc(n.name) + "の" + longDate(n.latestPhoto)
                 + "の写真\"></a>";
        b += "</td></tr>\n";
    }
    b += "</tbody></table></div>\n<h2>草たけのくらべっこ</h2>\n<figure class=\"graph\">" + classGraph(notebooks)
         + "</figure>\n";
    return {"index.html", "クラスの観察ノート", b};
}

std::string SiteStyleSheet()
{
    return R"(/* One sheet for every page: reads on a tablet held upright and on a laptop, and prints. */
:root { color-scheme: light; }
body { margin: 0; font-family: sans-serif; line-height: 1.5; color: #222; background: #f6f8f2; }
main { max-width: 1100px; margin: 0 auto; padding: 12px 16px 32px; background: #fff; }
h1 { font-size: 1.6em; margin: 0.4em 0; }
h1 small { font-size: 0.65em; color: #555; }
h2 { font-size: 1.25em; margin: 1.2em 0 0.4em; border-bottom: 2px solid #9c6; }
a { color: #1a5fb4; }
nav { display: flex; flex-wrap: wrap; gap: 8px 18px; padding: 8px 0; border-bottom: 1px solid #ddd; }
nav .off { color: #aaa; }
.facts { display: flex; flex-wrap: wrap; gap: 4px 24px; margin: 0; }
.facts div { display: flex; gap: 6px; }
.facts dt { color: #666; }
.facts dd { margin: 0; font-weight: bold; }
img, video, svg.graph { max-width: 100%; height: auto; }
svg.graph { width: 100%; display: block; }
video { display: block; background: #000; }
table { border-collapse: collapse; }
.calendar { width: 100%; table-layout: fixed; }
.calendar th { font-weight: normal; color: #555; }
.calendar th:first-child, .calendar td:first-child .n { color: #c01c28; }
.calendar td { border: 1px solid #ddd; vertical-align: top; height: 4.5em; padding: 2px; }
.calendar td.rec { background: #f1f8e9; }
.calendar td a { display: block; text-decoration: none; }
.calendar .n { display: block; font-size: 0.85em; }
.calendar img { display: block; width: 100%; }
.day { display: flex; flex-wrap: wrap; gap: 16px; align-items: flex-start; }
.day figure { margin: 0; flex: 1 1 420px; }
.day figure img { width: 100%; border: 1px solid #ccc; }
.values { flex: 1 1 260px; }
.values th, .values td, .list th, .list td, .class th, .class td { border: 1px solid #ccc; padding: 4px 8px; text-align: left; }
.values th, .list thead th, .class thead th { background: #eef5e6; font-weight: normal; }
.memo p { white-space: normal; overflow-wrap: anywhere; background: #fffbe6; padding: 8px 12px; border: 1px solid #eedc82; }
.memo .empty { background: none; border: none; color: #777; }
.scroll { overflow-x: auto; }
.list td, .class td { white-space: nowrap; }
.list td.text { white-space: normal; min-width: 7em; overflow-wrap: anywhere; }
.class img { width: 80px; display: block; }
.class .failed td { color: #a51d2d; white-space: normal; }
figure.graph { margin: 8px 0; }
.legend { list-style: none; display: flex; flex-wrap: wrap; gap: 4px 16px; padding: 0; }
.swatch { display: inline-block; width: 1.6em; height: 0.5em; margin-right: 4px; vertical-align: middle; }
@media print {
  body { background: #fff; }
  main { max-width: none; padding: 0; }
  nav, video, .video { display: none; }
  a { color: inherit; text-decoration: none; }
  section.month, figure, table, .day { break-inside: avoid; }
  .swatch { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)";
}
