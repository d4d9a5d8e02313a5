#include "weather/WeatherFetch.h"

#include <cstdio>
#include <cstdlib>

namespace {
void fail(WeatherError* e, Msg network, std::string detail)
{
    if (e)
        *e = WeatherError{network, std::move(detail)};
}
}  // namespace

std::optional<FetchedPage> FetchPage(PageFetcher& fetcher, const std::string& url, int timeoutSeconds,
                                     WeatherError* error)
{
    if (url.empty()) {
        fail(error, Msg::None, "Weather.ini names no weather site");
        return std::nullopt;
    }
    FetchResult r = fetcher.fetch(url, timeoutSeconds);
    if (!r.error.empty()) {
        Msg msg = r.failure == FetchFailure::Resolve   ? kMsgNoInternet
                  : r.failure == FetchFailure::Connect ? kMsgSiteUnreachable
                                                       : Msg::None;
        fail(error, msg, url + ": " + r.error);
        return std::nullopt;
    }
    // An error status is not a page of values, whatever its body holds.
    if (!r.ok()) {
        fail(error, Msg::None, url + ": HTTP status " + std::to_string(r.status));
        return std::nullopt;
    }
    if (r.body.empty()) {
        fail(error, Msg::None, url + ": the server sent nothing");
        return std::nullopt;
    }
    FetchedPage p;
    p.text = r.headers + r.body;
    p.utf8 = PageIsUtf8(p.text);
    return p;
}

std::string DailyPageUrl(const WeatherSite& site, const WeatherPlace& place, int year, int month)
{
    if (site.baseUrl.empty() || place.station == 0)
        return {};
    char path[200];
    std::snprintf(path, sizeof path,
                  "/stats/etrn/view/daily_%c1.php?prec_no=%02d&block_no=%04d&year=%d&month=%d&day=&view=",
                  place.station < 0 ? 'a' : 's', std::abs(place.prefecture) % 1000,
                  std::abs(place.station) % 1000000, year, month);
    return site.baseUrl + path;
}

std::optional<MonthPage> FetchMonthPage(PageFetcher& fetcher, const WeatherSite& site,
                                        const WeatherPlace& place, int year, int month, WeatherError* error)
{
    if (place.station == 0) {
        fail(error, Msg::None, "no observation place is set");
        return std::nullopt;
    }
    std::optional<FetchedPage> p =
        FetchPage(fetcher, DailyPageUrl(site, place, year, month), site.timeoutSeconds, error);
    if (!p)
        return std::nullopt;
    return MonthPage{place, year, month, std::move(*p)};
}

bool DayFromMonthPage(const MonthPage& page, const WeatherSite& site, int day, DayWeather& out)
{
    return ScrapeDay(page.page.text, site.layout(page.place.station < 0), day, page.page.utf8, out);
}

std::optional<MonthWeatherTable> FetchMonthWeather(PageFetcher& fetcher, const WeatherSite& site,
                                                   const WeatherPlace& place, int year, int month,
                                                   WeatherError* error)
{
    std::optional<MonthPage> page = FetchMonthPage(fetcher, site, place, year, month, error);
    if (!page)
        return std::nullopt;
    std::optional<MonthWeatherTable> table = ScrapeMonth(page->page.text, site.layout(place.station < 0));
    if (!table)
        fail(error, Msg::None, "the page holds no daily table");
    return table;
}

std::optional<DayWeather> FetchDayWeather(PageFetcher& fetcher, const WeatherSite& site,
                                          const WeatherPlace& place, const QDate& date, WeatherError* error)
{
    std::optional<MonthPage> page = FetchMonthPage(fetcher, site, place, date.year(), date.month(), error);
    if (!page)
        return std::nullopt;
    DayWeather w;
    if (!DayFromMonthPage(*page, site, date.day(), w)) {
        fail(error, Msg::None, "the page holds no row for the day");
        return std::nullopt;
    }
    return w;
}

std::optional<std::vector<PlaceEntry>> FetchPrefectureList(PageFetcher& fetcher, const WeatherSite& site,
                                                           WeatherError* error)
{
    std::optional<FetchedPage> p = FetchPage(fetcher, site.prefectureListUrl(), site.timeoutSeconds, error);
    if (!p)
        return std::nullopt;
    auto list = ParsePrefectureList(p->text, site.prefectureTags, p->utf8);
    if (!list)
        fail(error, Msg::None, "the page holds no prefecture map");
    return list;
}

std::optional<std::vector<PlaceEntry>> FetchStationList(PageFetcher& fetcher, const WeatherSite& site,
                                                        int prefecture, WeatherError* error)
{
    std::optional<FetchedPage> p =
        FetchPage(fetcher, site.stationListUrl(prefecture), site.timeoutSeconds, error);
    if (!p)
        return std::nullopt;
    auto list = ParseStationList(p->text, site.stationTags, p->utf8);
    if (!list)
        fail(error, Msg::None, "the page holds no station map");
    return list;
}
