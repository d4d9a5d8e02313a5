#pragma once
// Fetching the weather of every past day of a notebook: one request per month (the month is
// kept for the further days of that month), a pause between requests, progress and stop.
// It runs on a worker thread or on the command line; what it touches comes in as values and
// hooks, so it shares nothing with the user-interface thread.
#include "store/BulkImport.h"
#include "platform/PageFetcher.h"
#include "platform/Progress.h"
#include "weather/WeatherFetch.h"
#include "weather/WeatherMonths.h"

#include <QDate>

#include <functional>
#include <memory>
#include <vector>

struct BulkWeatherHooks {
    // Stores a day's weather; false stops the run (the day could not be written).
    std::function<bool(const QDate& date, const DayWeather& weather)> write;
    // The user pressed stop: true ends the run, false goes on (the cancel flag is cleared).
    std::function<bool()> confirmStop;
    // After each month asked, for the command line's report: null when it came, else why not.
    std::function<void(int year, int month, const WeatherError* error)> monthFetched;
};

// A month whose days got no weather, and why.
struct MonthFailure {
    int year = 0, month = 0;
    int days = 0;  // its past days that got none
    WeatherError error;
};

struct BulkWeatherReport {
    int written = 0;
    int skipped = 0;  // today or later: not published yet
    int requests = 0;
    bool stopped = false;  // the user stopped the run
    bool failed = false;   // some past day got no weather (a month failed, a file not written)
    QDate failedDay;       // the first such day
    WeatherError error;    // why (the first failure)
    // The months that failed, in order. A page that came but could not be read costs its month
    // only; a site that gives no answer ends the run there.
    std::vector<MonthFailure> failedMonths;
    QDate unwrittenDay;       // a day file that could not be written: the run ended there
    int notFetched = 0;       // past days after the one the run ended on, not asked
    QDate notFetchedFrom;     // the first of them
};

// The weather of single days with one request per month: a month asked once is kept (in
// `months`, or the object's own store) for the further days of that month (the photos of a bulk
// import, the days of a bulk fetch).
class MonthPageReuse {
public:
    // Between two requests it pauses as Weather.ini asks. A stop of `progress` ends a pause or a
    // request at once and asks `confirmStop` (none: stop): going on asks the month again.
    MonthPageReuse(PageFetcher& fetcher, WeatherSite site, WeatherPlace place, Progress* progress = nullptr,
                   std::function<bool()> confirmStop = {}, std::shared_ptr<WeatherMonths> months = {});
    std::optional<DayWeather> day(const QDate& date, WeatherError* error);
    WeatherMonths::Month month(int year, int month, WeatherError* error);
    int requests() const { return m_requests; }
    // The user confirmed a stop during a request: nothing more is asked.
    bool stopped() const { return m_stopped; }

private:
    PageFetcher& m_fetcher;
    WeatherSite m_site;
    WeatherPlace m_place;
    Progress* m_progress;
    std::function<bool()> m_confirmStop;
    std::shared_ptr<WeatherMonths> m_months;
    int m_requests = 0;
    bool m_stopped = false;
};

// The weather step of a bulk photo import for `date`: fetched through `pages`, laid over what the
// day file in `folder` holds (a value the site does not give keeps the held one). `error` gets
// why when nothing came.
DayWeatherOutcome ImportDayWeather(MonthPageReuse& pages, const std::string& folder, const QDate& date,
                                   DayWeather& out, WeatherError* error);

// `days` ascending. `today` decides which days are published (those before it). `months`, when
// given, is the run's store of months shared with the rest of the program.
BulkWeatherReport RunBulkWeatherFetch(PageFetcher& fetcher, const WeatherSite& site,
                                      const WeatherPlace& place, const std::vector<QDate>& days,
                                      const QDate& today, Progress& progress, const BulkWeatherHooks& hooks,
                                      std::shared_ptr<WeatherMonths> months = {});

// The end of a run in the user's words (Japanese): the days written, each failed month with its
// reason, what was not asked; a stop says so.
std::string BulkWeatherSummary(const BulkWeatherReport& report);
