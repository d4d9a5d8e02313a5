#include "weather/WeatherScrape.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
// The s1 layout of the shipped Weather.ini: 4 header rows, high in 8, low in 9.
DailyTableLayout s1()
{
    DailyTableLayout l;
    l.tableTag = "tablefix1";
    l.headerCount = 4;
    l.colCount = 21;
    l.lowTempCol = 9;
    l.highTempCol = 8;
    l.daylightCol = 17;
    l.weatherCol = 20;
    return l;
}

// A row of `cells` cells (the day cell counts), with the given cells' texts.
std::string row(int day, std::map<int, std::string> values, int cells = 21)
{
    std::string r = "<tr class=\"mtx\" style=\"text-align:right;\"><td style=\"white-space:nowrap\"><div "
                    "class=\"a_print\"><a href=\"hourly_s1.php?day="
                    + std::to_string(day) + "\">" + std::to_string(day) + "</a></div></td>";
    for (int k = 2; k <= cells; ++k)
        r += "<td class=data_0_0>" + (values.count(k) ? values[k] : "1.0") + "</td>";
    return r + "</tr>\n";
}

std::string page(const std::vector<std::string>& rows, int headers = 4)
{
    std::string p = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html><table id=\"tablefix1\" "
                    "class=\"data2_s\">\n";
    for (int i = 0; i < headers; ++i)
        p += "<tr class=\"mtx\"><th>h</th></tr>\n";
    for (const auto& r : rows)
        p += r;
    return p + "</table><table><tr><td>after</td></tr></table></html>";
}

std::string plainDay(int d)
{
    return row(
        d, {{8, std::to_string(20 + d) + ".5"}, {9, std::to_string(d) + ".1"}, {17, "5.0"}, {20, "晴後曇"}});
}
}  // namespace

TEST(WeatherScrape, CellNumbersKeepOnlyUsableValues)
{
    struct Case {
        const char* cell;
        bool zeroForNone;
        std::optional<float> want;
    } cases[] = {
        {"12.3", false, 12.3f}, {" 12.3 )", false, 12.3f}, {"-3.5", false, -3.5f}, {"0.0", true, 0.0f},
        {"--", true, 0.0f},     {"--", false, {}},         {"12.3 ]", false, 12.3f},  {"×", false, {}},
        {"///", false, {}},     {"#", false, {}},          {"", false, {}},        {"  ", true, {}},
        {"-", false, {}},       {".", false, {}},          {"1e300", false, {}},   {"12.3 # ", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        std::optional<float> got = CellNumber(c.cell, c.zeroForNone);
        ASSERT_EQ(got.has_value(), c.want.has_value());
        if (got) {
            EXPECT_FLOAT_EQ(*got, *c.want);
        }
    }
}

TEST(WeatherScrape, DayRowsAreFoundAfterTheHeaderRows)
{
    std::vector<std::string> rows;
    for (int d = 1; d <= 31; ++d)
        rows.push_back(plainDay(d));
    const std::string p = page(rows);
    for (int d : {1, 15, 31}) {
        DayWeather w;
        ASSERT_TRUE(ScrapeDay(p, s1(), d, true, w)) << d;
        EXPECT_FLOAT_EQ(w.HighTemp, 20 + d + 0.5f);
        EXPECT_FLOAT_EQ(w.LowTemp, d + 0.1f);
        EXPECT_FLOAT_EQ(w.Daylight, 5.0f);
        EXPECT_EQ(w.Weather, "晴後曇");
    }
    DayWeather w;
    EXPECT_FALSE(ScrapeDay(p, s1(), 32, true, w));
    // A page whose rows stop at day 10 (the current month) has no day 11.
    rows.resize(10);
    EXPECT_TRUE(ScrapeDay(page(rows), s1(), 10, true, w));
    EXPECT_FALSE(ScrapeDay(page(rows), s1(), 11, true, w));
    // Without the table or with too few header rows, nothing is read.
    EXPECT_FALSE(ScrapeDay("<html>ページを表示することが出来ませんでした。</html>", s1(), 1, true, w));
    EXPECT_FALSE(ScrapeDay(page({}, 2), s1(), 1, true, w));
}

TEST(WeatherScrape, MissingCellsAreNotZeroAndARowEndingEarlyDoesNotReadTheNext)
{
    const std::string p = page({row(1, {{8, "×"}, {9, "///"}, {17, "--"}, {20, "×"}}),
                                row(2, {{8, "25.0 ]"}, {9, "#"}, {17, ""}}),
                                row(3, {{8, "26.0"}}, 8),  // stops before the low temperature
                                plainDay(4)});
    DayWeather w;
    ASSERT_TRUE(ScrapeDay(p, s1(), 1, true, w));
    EXPECT_EQ(w.HighTemp, kUnsetTemperature);
    EXPECT_EQ(w.LowTemp, kUnsetTemperature);
    EXPECT_EQ(w.Daylight, 0.0f);  // "--": no sunshine
    EXPECT_EQ(w.Weather, "");
    ASSERT_TRUE(ScrapeDay(p, s1(), 2, true, w));
    EXPECT_FLOAT_EQ(w.HighTemp, 25.0f);  // "]": some input missing, still the site's value
    EXPECT_EQ(w.LowTemp, kUnsetTemperature);
    EXPECT_EQ(w.Daylight, kUnsetLength);
    ASSERT_TRUE(ScrapeDay(p, s1(), 3, true, w));
    EXPECT_FLOAT_EQ(w.HighTemp, 26.0f);
    EXPECT_EQ(w.LowTemp, kUnsetTemperature);  // not day 4's
    EXPECT_EQ(w.Weather, "");
}

TEST(WeatherScrape, EqualColumnsGiveTheValueToTheFirstKey)
{
    DailyTableLayout l = s1();
    l.highTempCol = l.lowTempCol;  // the format's own defaults name cell 7 twice
    DayWeather w;
    ASSERT_TRUE(ScrapeDay(page({plainDay(1)}), l, 1, true, w));
    EXPECT_FLOAT_EQ(w.LowTemp, 1.1f);
    EXPECT_EQ(w.HighTemp, kUnsetTemperature);
}

TEST(WeatherScrape, AWeatherTextIsOneLineWhateverTheCellHolds)
{
    struct Case {
        std::string cell;
        const char* text;
    } cases[] = {
        {"x\n[Growth]\nDataHeight=999", "x"},
        {"x\r\n[Growth]\r\nDataHeight=999", "x"},
        {std::string("晴\0[Growth]", 12), "晴"},
        {"\n  晴後曇 )\n[Weather]", "晴後曇"},  // the first line that holds anything
        {" 曇 \t 一時\x01雨 ", "曇 一時 雨"},
        {"\r\n\r\n", ""},
    };
    for (const Case& c : cases) {
        DayWeather w;
        ASSERT_TRUE(ScrapeDay(page({row(1, {{20, c.cell}})}), s1(), 1, true, w)) << c.text;
        EXPECT_EQ(w.Weather, c.text);
    }
    // Place names alike.
    PlaceListTags tags;
    tags.rowTag = "<area shape";
    auto list = ParsePrefectureList(
        "<map name=\"point\">\n<area shape=\"rect\" alt=\"東京都\n[Data]\nPlace=1\" href=\"x?prec_no=44&\">\n</map>",
        tags, true);
    ASSERT_TRUE(list && list->size() == 1);
    EXPECT_EQ((*list)[0].name, "東京都");
}

TEST(WeatherScrape, LongWeatherTextIsCutAtACharacter)
{
    std::string longText;
    for (int i = 0; i < 20; ++i)
        longText += "晴";
    DayWeather w;
    ASSERT_TRUE(ScrapeDay(page({row(1, {{20, longText + " )"}})}), s1(), 1, true, w));
    EXPECT_EQ(w.Weather, longText.substr(0, 15 * 3));  // 15 characters of two Shift-JIS bytes
}

TEST(WeatherScrape, MonthScanMarksWhatItReadAndStopsAtTheLastDayWithValues)
{
    std::vector<std::string> rows;
    for (int d = 1; d <= 12; ++d)
        rows.push_back(d == 5 ? row(5, {{9, ""}, {8, "22.0"}}) : d == 6 ? row(6, {{9, "///"}}) : plainDay(d));
    rows.push_back(row(13, {{8, ""}, {9, ""}, {17, ""}}));  // a future day listed empty
    rows.push_back(row(14, {{8, ""}, {9, ""}, {17, ""}}));
    std::optional<MonthWeatherTable> m = ScrapeMonth(page(rows), s1());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->count, 12);
    EXPECT_EQ(m->days[0].marks,
              MonthWeatherTable::kLowRead | MonthWeatherTable::kHighRead | MonthWeatherTable::kDaylightRead);
    EXPECT_FLOAT_EQ(m->days[11].LowTemp, 12.1f);
    // Day 5's empty low and day 6's slash leave those entries without a low; the scan goes on.
    EXPECT_EQ(m->days[4].marks & MonthWeatherTable::kLowRead, 0u);
    EXPECT_FLOAT_EQ(m->days[4].HighTemp, 22.0f);
    EXPECT_EQ(m->days[5].marks & MonthWeatherTable::kLowRead, 0u);
    EXPECT_EQ(m->days[5].LowTemp, kUnsetTemperature);
    EXPECT_FALSE(ScrapeMonth("<html></html>", s1()));
}

TEST(WeatherScrape, StationListStartsAtTheMapAndListsEachStationOnce)
{
    auto area = [](const char* kind, const char* block, const char* name) {
        return std::string("<area shape=\"rect\" alt=\"") + name + "\" onmouseover=\"javascript:viewPoint('"
               + kind + "','" + block + "','" + name + "','カナ','35','41.5');\">\n";
    };
    std::string p =
        "<head><script>function viewPoint(kind,block,name){}\nviewPoint('s','99999','偽');</script></head>"
        "<map name=\"point\">\n<area alt=\"全地点\" href=\"../index.php?block_no=00\">\n";
    p += area("s", "47662", "東京") + area("s", "47662", "東京") + area("a", "0363", "練馬")
         + area("s", "47662", "東京");
    for (int i = 1; i <= 120; ++i)
        p += area("a", std::to_string(1000 + i).c_str(), ("地点" + std::to_string(i)).c_str());
    p += "<area alt=\"神奈川県\" href=\"prefecture.php?prec_no=46\">\n</map>";
    PlaceListTags tags;
    tags.rowTag = "viewPoint";
    auto list = ParseStationList(p, tags, true);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 122u);  // more than a hundred areas are not cut
    EXPECT_EQ((*list)[0].name, "東京◎");
    EXPECT_EQ((*list)[0].code, 47662);
    EXPECT_EQ((*list)[1].name, "練馬");
    EXPECT_EQ((*list)[1].code, -363);
    EXPECT_EQ(list->back().code, -1120);
    EXPECT_FALSE(ParseStationList("<html>no map</html>", tags, true));
}

TEST(WeatherScrape, PrefectureListKeepsEveryArea)
{
    std::string p = "<map name=\"point\">\n";
    for (int i = 1; i <= 70; ++i)
        p += "<area shape=\"rect\" alt=\"県" + std::to_string(i)
             + "\" coords=\"1\" href=\"prefecture.php?prec_no=" + std::to_string(i) + "&block_no=\">\n";
    p += "<area shape=\"rect\" alt=\"壊れ\" href=\"prefecture.php?prec_no=&\">\n</map>";
    PlaceListTags tags;
    tags.rowTag = "<area shape";
    auto list = ParsePrefectureList(p, tags, true);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 70u);
    EXPECT_EQ((*list)[43].name, "県44");
    EXPECT_EQ((*list)[43].code, 44);
}

TEST(WeatherSite, CharsetAndHostNameRules)
{
    struct Charset {
        const char* text;
        bool utf8;
    } charsets[] = {
        {"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=Shift_JIS\r\n\r\n<meta charset=\"UTF-8\">",
         false},
        {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<meta charset=\"UTF-8\">", true},
        {"HTTP/1.1 200 OK\r\n\r\n\x93\x8c\x8b\x9e", false},  // no declaration, Shift-JIS bytes
    };
    for (const Charset& c : charsets)
        EXPECT_EQ(PageIsUtf8(c.text), c.utf8) << c.text;

    struct Host {
        const char* value;
        const char* base;
    } hosts[] = {
        {"www.data.jma.go.jp", "http://www.data.jma.go.jp"},
        {"https://www.data.jma.go.jp/", "https://www.data.jma.go.jp"},
        {"HTTP://127.0.0.1:8080", "http://127.0.0.1:8080"},
        {"", ""},
        {"ftp://host", ""},
        {"host/path", ""},
        {"user@host", ""},
    };
    for (const Host& h : hosts)
        EXPECT_EQ(SiteBaseUrl(h.value), h.base) << h.value;
}
