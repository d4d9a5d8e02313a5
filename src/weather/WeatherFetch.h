#pragma once
// Fetching the weather site's pages and taking the weather out of them. No state is kept
// here: a fetched month page is a value its caller keeps as long as it wants to reuse it, so
// a worker and the user-interface thread never share one.
#include "platform/PageFetcher.h"
#include "store/DayRecord.h"
#include "weather/WeatherScrape.h"
#include "weather/WeatherSite.h"

#include "res/Strings.h"

#include <QDate>

#include <optional>
#include <string>
#include <vector>

// Message numbers of the weather fetches.
inline constexpr Msg kMsgWeatherFetchFailed = Msg::WeatherFetchFailed;
inline constexpr Msg kMsgNoPlace = Msg::NoObservationPlace;
inline constexpr Msg kMsgPrefecturesFailed = Msg::PrefectureCodeFailed;
inline constexpr Msg kMsgFetchOnlyPastDays = Msg::WeatherOnlyForPastDays;
inline constexpr Msg kMsgNoInternet = Msg::InternetConnectFailed;
inline constexpr Msg kMsgSiteUnreachable = Msg::WeatherSiteUnreachable;

struct WeatherPlace {
    int prefecture = 0;
    int station = 0;  // 0: none chosen; negative: an AMeDAS-only station
};

// What kept a fetch from giving weather, in the terms the user is told.
enum class WeatherFault {
    None,
    NoSite,       // Weather.ini names no site, or no place is set
    Unreachable,  // no connection: `network` says which (150 or 185)
    TimedOut,     // connected, but no whole answer in time
    Dropped,      // the site closed the connection mid-answer
    Status,       // an HTTP error status (`status`)
    NoTable,      // a page came, but without the daily table (an error page, another layout)
    NoDayRow,     // the table holds no row for the day
    Cancelled,    // the user's stop ended the request
    Other,        // TLS, a page too large, ... (`detail`)
};

// Why a fetch gave nothing. `network` is 150 or 185 when the site could not be reached, else
// 0; `detail` is for logs and the command line (English, with the address asked).
struct WeatherError {
    Msg network = Msg::None;
    std::string detail;
    WeatherFault fault = WeatherFault::Other;
    int status = 0;
    // The site gave no answer at all: asking it again at once would fare the same.
    bool siteSilent() const
    {
        return fault == WeatherFault::Unreachable || fault == WeatherFault::TimedOut
               || fault == WeatherFault::Dropped;
    }
};

// The reason of `error` in the user's words (Japanese), one line.
std::string WeatherFaultText(const WeatherError& error);
// "2024年4月: 気象データの取得に失敗しました。" and the reason on the next line; the wording
// every weather failure of a month is told in (bulk fetch, bulk photo import, a draw). `days`,
// when given, is how many of the month's days got no weather.
std::string MonthFailureText(int year, int month, const WeatherError& error, int days = 0);

// A fetched page: the final response's headers and body as the scrapers search them.
struct FetchedPage {
    std::string text;
    bool utf8 = false;
};
std::optional<FetchedPage> FetchPage(PageFetcher& fetcher, const std::string& url, int timeoutSeconds,
                                     WeatherError* error, const FetchCancel& cancel = {});

// The daily statistics page of a station for a month: daily_s1 for an observatory, daily_a1
// (block number of four digits at least) for an AMeDAS-only station. Empty without a site.
std::string DailyPageUrl(const WeatherSite& site, const WeatherPlace& place, int year, int month);

// One month's page, kept to scrape further days of that month without another request.
struct MonthPage {
    WeatherPlace place;
    int year = 0, month = 0;
    FetchedPage page;
    bool holds(const WeatherPlace& p, int y, int m) const
    {
        return !page.text.empty() && p.station == place.station && p.prefecture == place.prefecture
               && y == year && m == month;
    }
};
std::optional<MonthPage> FetchMonthPage(PageFetcher& fetcher, const WeatherSite& site,
                                        const WeatherPlace& place, int year, int month, WeatherError* error,
                                        const FetchCancel& cancel = {});
// The day `day` of a fetched month; false when the page holds no row for it.
bool DayFromMonthPage(const MonthPage& page, const WeatherSite& site, int day, DayWeather& out);

// The whole month for the graph: one request.
std::optional<MonthWeatherTable> FetchMonthWeather(PageFetcher& fetcher, const WeatherSite& site,
                                                   const WeatherPlace& place, int year, int month,
                                                   WeatherError* error);
// One day's weather: one request. Station 0 sends nothing and fails.
std::optional<DayWeather> FetchDayWeather(PageFetcher& fetcher, const WeatherSite& site,
                                          const WeatherPlace& place, const QDate& date, WeatherError* error,
                                          const FetchCancel& cancel = {});

// What a fetched day's weather leaves of the weather a day already holds: a value the site
// gives replaces the held one, a value it does not give ("×", "///", an empty cell) never
// erases it.
DayWeather KeepHeldWeather(const DayWeather& fetched, const std::optional<DayWeather>& held);
// Writes a fetched day's weather into its day file, over the values the file holds by the rule
// of KeepHeldWeather; `written` gets what the file holds now. Fails naming the day file.
Result WriteFetchedWeather(const std::string& folder, const QDate& date, const DayWeather& fetched,
                           DayWeather* written = nullptr);

// The lists of the observation place settings.
std::optional<std::vector<PlaceEntry>> FetchPrefectureList(PageFetcher& fetcher, const WeatherSite& site,
                                                           WeatherError* error, const FetchCancel& cancel = {});
std::optional<std::vector<PlaceEntry>> FetchStationList(PageFetcher& fetcher, const WeatherSite& site,
                                                        int prefecture, WeatherError* error,
                                                        const FetchCancel& cancel = {});
