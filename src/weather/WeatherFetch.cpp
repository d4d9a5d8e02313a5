#include "weather/WeatherFetch.h"

#include "platform/SafeFormat.h"

#include <cstdio>
#include <cstdlib>

namespace {
void fail(WeatherError* e, WeatherFault fault, std::string detail, Msg network = Msg::None, int status = 0)
{
    if (e)
        *e = WeatherError{network, std::move(detail), fault, status};
}

WeatherFault faultOf(FetchFailure f)
{
    switch (f) {
    case FetchFailure::Resolve:
    case FetchFailure::Connect:
        return WeatherFault::Unreachable;
    case FetchFailure::TimedOut:
        return WeatherFault::TimedOut;
    case FetchFailure::Dropped:
        return WeatherFault::Dropped;
    case FetchFailure::Cancelled:
        return WeatherFault::Cancelled;
    default:
        return WeatherFault::Other;
    }
}
}  // namespace

std::string WeatherFaultText(const WeatherError& e)
{
    switch (e.fault) {
    case WeatherFault::None:
        return {};
    case WeatherFault::NoSite:
        return LoadString(Msg::WeatherNoSite);
    case WeatherFault::Unreachable:
        return LoadString(e.network != Msg::None ? e.network : kMsgSiteUnreachable);
    case WeatherFault::TimedOut:
        return LoadString(Msg::WeatherTimedOut);
    case WeatherFault::Dropped:
        return LoadString(Msg::WeatherDropped);
    case WeatherFault::Status:
        return FormatInts(LoadString(Msg::WeatherHttpStatus), {e.status});
    case WeatherFault::NoTable:
        return LoadString(Msg::WeatherNoTable);
    case WeatherFault::NoDayRow:
        return LoadString(Msg::WeatherNoDayRow);
    case WeatherFault::Cancelled:
        return LoadString(Msg::WeatherFetchStop);
    case WeatherFault::Other:
        break;
    }
    // The library's own words (English) say what a user cannot be told better, e.g. a TLS fault.
    const size_t colon = e.detail.rfind(": ");
    const std::string why = colon == std::string::npos ? e.detail : e.detail.substr(colon + 2);
    return std::string(LoadString(Msg::WeatherNoPage)) + (why.empty() ? "" : "（" + why + "）");
}

std::string MonthFailureText(int year, int month, const WeatherError& error, int days)
{
    std::string text = (days > 0 ? FormatInts(LoadString(Msg::WeatherMonthDaysPrefix), {year, month, days})
                                 : FormatInts(LoadString(Msg::WeatherMonthPrefix), {year, month}))
                       + LoadString(kMsgWeatherFetchFailed);
    const std::string why = WeatherFaultText(error);
    return why.empty() ? text : text + "\n" + why;
}

std::optional<FetchedPage> FetchPage(PageFetcher& fetcher, const std::string& url, int timeoutSeconds,
                                     WeatherError* error, const FetchCancel& cancel)
{
    if (url.empty()) {
        fail(error, WeatherFault::NoSite, "Weather.ini names no weather site");
        return std::nullopt;
    }
    FetchResult r = fetcher.fetch(url, timeoutSeconds, cancel);
    if (!r.error.empty()) {
        Msg msg = r.failure == FetchFailure::Resolve   ? kMsgNoInternet
                  : r.failure == FetchFailure::Connect ? kMsgSiteUnreachable
                                                       : Msg::None;
        fail(error, faultOf(r.failure), url + ": " + r.error, msg);
        return std::nullopt;
    }
    // An error status is not a page of values, whatever its body holds.
    if (!r.ok()) {
        fail(error, WeatherFault::Status, url + ": HTTP status " + std::to_string(r.status), Msg::None,
             r.status);
        return std::nullopt;
    }
    if (r.body.empty()) {
        fail(error, WeatherFault::Dropped, url + ": the server sent nothing");
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
                                        const WeatherPlace& place, int year, int month, WeatherError* error,
                                        const FetchCancel& cancel)
{
    if (place.station == 0) {
        fail(error, WeatherFault::NoSite, "no observation place is set");
        return std::nullopt;
    }
    std::optional<FetchedPage> p =
        FetchPage(fetcher, DailyPageUrl(site, place, year, month), site.timeoutSeconds, error, cancel);
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
        fail(error, WeatherFault::NoTable, "the page holds no daily table");
    return table;
}

std::optional<DayWeather> FetchDayWeather(PageFetcher& fetcher, const WeatherSite& site,
                                          const WeatherPlace& place, const QDate& date, WeatherError* error,
                                          const FetchCancel& cancel)
{
    std::optional<MonthPage> page =
        FetchMonthPage(fetcher, site, place, date.year(), date.month(), error, cancel);
    if (!page)
        return std::nullopt;
    DayWeather w;
    if (!DayFromMonthPage(*page, site, date.day(), w)) {
        fail(error, WeatherFault::NoDayRow, "the page holds no row for the day");
        return std::nullopt;
    }
    return w;
}

DayWeather KeepHeldWeather(const DayWeather& fetched, const std::optional<DayWeather>& held)
{
    if (!held)
        return fetched;
    DayWeather w = fetched;
    if (w.LowTemp == kUnsetTemperature)
        w.LowTemp = held->LowTemp;
    if (w.HighTemp == kUnsetTemperature)
        w.HighTemp = held->HighTemp;
    if (w.Daylight == kUnsetLength)
        w.Daylight = held->Daylight;
    if (w.Weather.empty())
        w.Weather = held->Weather;
    return w;
}

Result WriteFetchedWeather(const std::string& folder, const QDate& date, const DayWeather& fetched,
                           DayWeather* written)
{
    std::optional<DayWeather> held;
    ReadDayValues(folder, date, &held, nullptr);
    const DayWeather w = KeepHeldWeather(fetched, held);
    Result r = WriteDayWeather(folder, date, w);
    if (r && written)
        *written = w;
    return r;
}

std::optional<std::vector<PlaceEntry>> FetchPrefectureList(PageFetcher& fetcher, const WeatherSite& site,
                                                           WeatherError* error, const FetchCancel& cancel)
{
    std::optional<FetchedPage> p =
        FetchPage(fetcher, site.prefectureListUrl(), site.timeoutSeconds, error, cancel);
    if (!p)
        return std::nullopt;
    auto list = ParsePrefectureList(p->text, site.prefectureTags, p->utf8);
    if (!list)
        fail(error, WeatherFault::NoTable, "the page holds no prefecture map");
    return list;
}

std::optional<std::vector<PlaceEntry>> FetchStationList(PageFetcher& fetcher, const WeatherSite& site,
                                                        int prefecture, WeatherError* error,
                                                        const FetchCancel& cancel)
{
    std::optional<FetchedPage> p =
        FetchPage(fetcher, site.stationListUrl(prefecture), site.timeoutSeconds, error, cancel);
    if (!p)
        return std::nullopt;
    auto list = ParseStationList(p->text, site.stationTags, p->utf8);
    if (!list)
        fail(error, WeatherFault::NoTable, "the page holds no station map");
    return list;
}
