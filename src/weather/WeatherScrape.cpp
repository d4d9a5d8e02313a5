#include "weather/WeatherScrape.h"

#include "platform/TextCodec.h"
#include "store/DayOperations.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {
constexpr size_t npos = std::string_view::npos;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// A cell's text as one line: its first line that is not blank, up to the line break (or NUL),
// each run of white space or other control characters folded into one space, none at either
// end. Nothing a page holds can then start a line of its own in a file the text is written to.
std::string oneLine(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ' && s.front() != '\0')
        s.remove_prefix(1);
    s = s.substr(0, std::min(s.find_first_of(std::string_view("\r\n\0", 3)), s.size()));
    std::string out;
    bool gap = false;
    for (char c : s) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') {
            gap = !out.empty();
            continue;
        }
        if (gap)
            out += ' ';
        gap = false;
        out += c;
    }
    return out;
}

// The text of a cell that starts at `cellTag` (the position of its ColTag) within `row`: what
// follows the tag's '>' up to the next '<'. Nothing when the tag has no '>' in the row.
std::optional<std::string_view> cellText(std::string_view row, size_t cellTag)
{
    size_t gt = row.find('>', cellTag);
    if (gt == npos)
        return std::nullopt;
    size_t lt = row.find('<', gt + 1);
    return row.substr(gt + 1, (lt == npos ? row.size() : lt) - gt - 1);
}

// A table as rows: the span from each RowTag up to the next one (or the table's end).
struct Table {
    std::string_view text;   // from the header rows' start to </table> (or the page's end)
    size_t firstRow = npos;  // first RowTag after the header rows
};

std::optional<Table> findTable(std::string_view page, const DailyTableLayout& l)
{
    if (l.tableTag.empty() || l.rowTag.empty() || l.colTag.empty())
        return std::nullopt;
    size_t t = page.find(l.tableTag);
    if (t == npos)
        return std::nullopt;
    size_t p = page.find('"', t);
    if (p == npos)
        return std::nullopt;
    size_t end = page.find("</table", p);
    std::string_view text = page.substr(0, end == npos ? page.size() : end);
    for (int i = 0; i < std::max(0, l.headerCount); ++i) {
        p = text.find(l.rowTag, p + 1);
        if (p == npos)
            return std::nullopt;
    }
    return Table{text, text.find(l.rowTag, p + 1)};
}

// The row that starts at `at`, up to the next row.
std::string_view rowAt(const Table& t, const DailyTableLayout& l, size_t at, size_t* next)
{
    *next = t.text.find(l.rowTag, at + 1);
    return t.text.substr(at, (*next == npos ? t.text.size() : *next) - at);
}

// Calls `f(k, cellTagPos)` for cells 1..ColCount that the row holds.
template <class F>
void walkCells(std::string_view row, const DailyTableLayout& l, F f)
{
    size_t from = 0;
    for (int k = 1; k <= std::min(l.colCount, 200); ++k) {
        size_t p = row.find(l.colTag, from);
        if (p == npos)
            return;
        f(k, p);
        from = p + 1;
    }
}

// The first of the four columns that names cell k, in the order low, high, sunshine, weather.
enum class Col { None, Low, High, Daylight, Weather };
Col columnOf(const DailyTableLayout& l, int k)
{
    if (k == l.lowTempCol)
        return Col::Low;
    if (k == l.highTempCol)
        return Col::High;
    if (k == l.daylightCol)
        return Col::Daylight;
    if (k == l.weatherCol)
        return Col::Weather;
    return Col::None;
}

// Entity and mark-free weather text ("晴後曇", "快晴"); a cell of marks only is no text.
std::string weatherText(std::string_view raw, bool utf8)
{
    std::string t = oneLine(PageTextToUtf8(oneLine(raw), utf8));
    // Marks after the text (")" usable, "]" doubtful) are not part of the weather.
    while (!t.empty() && (t.back() == ')' || t.back() == ']' || t.back() == ' '))
        t.pop_back();
    if (t.empty() || t == "--" || t == "×" || t == "///" || t == "#" || t == "&nbsp;")
        return {};
    return CutCp932(t, kWeatherBytes);
}
}  // namespace

std::optional<float> CellNumber(std::string_view cell, bool zeroForNone)
{
    std::string_view s = trimmed(cell);
    if (s.empty())
        return std::nullopt;
    if (s == "--")
        return zeroForNone ? std::optional<float>(0.0f) : std::nullopt;
    // A number, then optionally one mark: ")" (usable) and "]" (some input missing) keep it,
    // anything else drops it.
    size_t i = 0;
    if (s[i] == '-' || s[i] == '+')
        ++i;
    size_t digits = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i;
    }
    if (i == digits || (i == digits + 1 && s[digits] == '.'))
        return std::nullopt;
    std::string_view rest = trimmed(s.substr(i));
    if (!rest.empty() && rest != ")" && rest != "]")
        return std::nullopt;
    float v = std::strtof(std::string(s.substr(0, i)).c_str(), nullptr);
    if (!std::isfinite(v) || std::fabs(v) > 1000.0f)
        return std::nullopt;
    return v;
}

bool ScrapeDay(std::string_view page, const DailyTableLayout& l, int day, bool utf8, DayWeather& out)
{
    if (day < 1 || day > 31)
        return false;
    std::optional<Table> t = findTable(page, l);
    if (!t || t->firstRow == npos)
        return false;
    size_t at = t->firstRow, next = npos;
    std::string_view row = rowAt(*t, l, at, &next);
    for (int d = 2; d <= day; ++d) {
        if (next == npos)
            return false;
        at = next;
        row = rowAt(*t, l, at, &next);
    }
    DayWeather w;  // every value the row does not give stays unset
    walkCells(row, l, [&](int k, size_t cell) {
        std::optional<std::string_view> text = cellText(row, cell);
        if (!text)
            return;
        switch (columnOf(l, k)) {
        case Col::Low:
            w.LowTemp = CellNumber(*text, false).value_or(kUnsetTemperature);
            break;
        case Col::High:
            w.HighTemp = CellNumber(*text, false).value_or(kUnsetTemperature);
            break;
        case Col::Daylight:
            w.Daylight = CellNumber(*text, true).value_or(kUnsetLength);
            break;
        case Col::Weather:
            w.Weather = weatherText(*text, utf8);
            break;
        case Col::None:
            break;
        }
    });
    out = w;
    return true;
}

std::optional<MonthWeatherTable> ScrapeMonth(std::string_view page, const DailyTableLayout& l)
{
    std::optional<Table> t = findTable(page, l);
    if (!t)
        return std::nullopt;
    MonthWeatherTable m;
    size_t at = t->firstRow;
    for (int i = 0; i < 31 && at != npos; ++i) {
        size_t next = npos;
        std::string_view row = rowAt(*t, l, at, &next);
        MonthWeatherTable::Entry& e = m.days[i];
        walkCells(row, l, [&](int k, size_t cell) {
            std::optional<std::string_view> text = cellText(row, cell);
            if (!text)
                return;
            switch (columnOf(l, k)) {
            case Col::Low:
                if (auto v = CellNumber(*text, false)) {
                    e.LowTemp = *v;
                    e.marks |= MonthWeatherTable::kLowRead;
                }
                break;
            case Col::High:
                if (auto v = CellNumber(*text, false)) {
                    e.HighTemp = *v;
                    e.marks |= MonthWeatherTable::kHighRead;
                }
                break;
            case Col::Daylight:
                if (auto v = CellNumber(*text, true)) {
                    e.Daylight = *v;
                    e.marks |= MonthWeatherTable::kDaylightRead;
                }
                break;
            default:
                break;
            }
        });
        if (e.marks)
            m.count = i + 1;
        at = next;
    }
    return m;
}

namespace {

// A list page's map: from its table tag (`start`) up to the map's end (or the page's).
bool findListMap(std::string_view page, const std::string& tableTag, size_t& start, std::string_view& map)
{
    start = page.find(tableTag);
    if (start == npos)
        return false;
    size_t mapEnd = page.find("</map", start);
    map = page.substr(0, mapEnd == npos ? page.size() : mapEnd);
    return true;
}

}  // namespace

std::optional<std::vector<PlaceEntry>> ParsePrefectureList(std::string_view page, const PlaceListTags& tags,
                                                           bool utf8)
{
    if (tags.tableTag.empty() || tags.rowTag.empty() || tags.textTag.empty() || tags.codeTag.empty())
        return std::nullopt;
    size_t p = 0;
    std::string_view map;
    if (!findListMap(page, tags.tableTag, p, map))
        return std::nullopt;
    std::vector<PlaceEntry> list;
    std::set<int> seen;
    while ((p = map.find(tags.rowTag, p + 1)) != npos) {
        size_t areaEnd = map.find('>', p);
        std::string_view area = map.substr(p, (areaEnd == npos ? map.size() : areaEnd) - p);
        size_t t = area.find(tags.textTag);
        size_t c = area.find(tags.codeTag);
        if (t == npos || c == npos)
            continue;
        size_t q = t + tags.textTag.size();
        if (q >= area.size() || (area[q] != '"' && area[q] != '\''))
            continue;
        size_t close = area.find(area[q], q + 1);
        if (close == npos)
            continue;
        std::string_view digits = area.substr(c + tags.codeTag.size());
        size_t n = 0;
        while (n < digits.size() && n < 6 && std::isdigit(static_cast<unsigned char>(digits[n])))
            ++n;
        if (n == 0)
            continue;
        int code = std::atoi(std::string(digits.substr(0, n)).c_str());
        std::string name = oneLine(PageTextToUtf8(oneLine(area.substr(q + 1, close - q - 1)), utf8));
        if (name.empty() || !seen.insert(code).second)
            continue;
        list.push_back({name, code});
    }
    return list;
}

std::optional<std::vector<PlaceEntry>> ParseStationList(std::string_view page, const PlaceListTags& tags,
                                                        bool utf8)
{
    if (tags.tableTag.empty() || tags.rowTag.empty())
        return std::nullopt;
    // The search starts at the map: the script that defines the call sits before it.
    size_t p = 0;
    std::string_view map;
    if (!findListMap(page, tags.tableTag, p, map))
        return std::nullopt;
    std::vector<PlaceEntry> list;
    std::set<int> seen;
    while ((p = map.find(tags.rowTag, p + 1)) != npos) {
        // The call's arguments: ('kind','number','name',...
        size_t at = p + tags.rowTag.size();
        if (at >= map.size() || map[at] != '(')
            continue;
        std::vector<std::string_view> args;
        size_t q = at + 1;
        while (args.size() < 3 && q < map.size() && map[q] == '\'') {
            size_t close = map.find('\'', q + 1);
            if (close == npos)
                break;
            args.push_back(map.substr(q + 1, close - q - 1));
            q = close + 1;
            if (q < map.size() && map[q] == ',')
                ++q;
        }
        if (args.size() < 3 || args[0].size() != 1 || args[1].empty() || args[1].size() > 6
            || !std::all_of(args[1].begin(), args[1].end(),
                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            continue;
        int number = std::atoi(std::string(args[1]).c_str());
        if (number == 0)
            continue;
        bool amedas = args[0] == "a";
        int code = amedas ? -number : number;
        std::string name = oneLine(PageTextToUtf8(oneLine(args[2]), utf8));
        if (name.empty() || !seen.insert(code).second)
            continue;
        if (!amedas)
            name += "◎";
        list.push_back({name, code});
    }
    return list;
}
