#pragma once
// Fetching the weather of every past day of a notebook: one request per month (the page is
// reused for the further days of that month), a pause between requests, progress and cancel.
// It runs on a worker thread or on the command line; what it touches comes in as values and
// hooks, so it shares nothing with the user-interface thread.
#include "platform/PageFetcher.h"
#include "platform/Progress.h"
#include "weather/WeatherFetch.h"

#include <QDate>

#include <functional>
#include <vector>

struct BulkWeatherHooks {
    // Stores a day's weather; false stops the run (the day could not be written).
    std::function<bool(const QDate& date, const DayWeather& weather)> write;
    // The user pressed stop: true ends the run, false goes on (the cancel flag is cleared).
    std::function<bool()> confirmStop;
    // After each request, for the command line's report.
    std::function<void(int year, int month, bool ok)> monthFetched;
};

struct BulkWeatherReport {
    int written = 0;
    int skipped = 0;  // today or later: not published yet
    int requests = 0;
    bool stopped = false;  // the user stopped the run
    bool failed = false;   // a page could not be fetched or read, or a day not written
    QDate failedDay;
    WeatherError error;
};

// The weather of single days with one request per month: the page of the last month asked is
// kept and read again for further days of that month (the photos of a bulk import).
class MonthPageReuse {
public:
    // Between two requests it pauses as Weather.ini asks; a stop of `progress` ends the pause.
    MonthPageReuse(PageFetcher& fetcher, WeatherSite site, WeatherPlace place, const Progress* progress = nullptr)
        : m_fetcher(fetcher), m_site(std::move(site)), m_place(place), m_progress(progress)
    {}
    std::optional<DayWeather> day(const QDate& date, WeatherError* error);
    int requests() const { return m_requests; }

private:
    PageFetcher& m_fetcher;
    WeatherSite m_site;
    WeatherPlace m_place;
    const Progress* m_progress;
    std::optional<MonthPage> m_page;
    int m_requests = 0;
};

// `days` ascending. `today` decides which days are published (those before it).
BulkWeatherReport RunBulkWeatherFetch(PageFetcher& fetcher, const WeatherSite& site,
                                      const WeatherPlace& place, const std::vector<QDate>& days,
                                      const QDate& today, Progress& progress, const BulkWeatherHooks& hooks);
