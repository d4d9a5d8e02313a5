#pragma once
// The months of weather fetched in this run, kept in memory by page (site, place, month), so a
// month is asked of the site once however often the graph, a print or a day fetch wants it.
// What is kept is what the pages said (the graph's table and each day's row), not the pages.
// Safe to use from any thread: a month already being fetched on one thread is waited for by
// another, not asked twice.
#include "platform/PageFetcher.h"
#include "weather/WeatherFetch.h"

#include <QDate>

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct MonthWeather {
    MonthWeatherTable table;                         // the graph's values
    std::array<std::optional<DayWeather>, 31> days;  // day d at d - 1; none when the page has no row
};

class WeatherMonths {
public:
    using Month = std::shared_ptr<const MonthWeather>;

    // How a caller deals with earlier failures. A draw (graph, print) does not ask again a month
    // that failed a short while ago, nor any month while the site gave no answer a short while
    // ago: the page is drawn from the day files meanwhile. What the user asks for always asks.
    enum class Retry { Always, NotSoon };
    static constexpr std::chrono::seconds kRetryAfter{120};

    // Keeps at most `capacity` months, the earliest fetched leaving first.
    explicit WeatherMonths(size_t capacity = 36) : m_capacity(capacity) {}

    // The month as kept: null when it was not fetched, or was fetched before its last day was
    // published and `today` is a later day than the fetch.
    Month kept(const WeatherSite& site, const WeatherPlace& place, int year, int month, const QDate& today) const;
    // Kept, else fetched now. Null with `error` set when it could not be had; a fetch `cancel`
    // ended leaves no trace (fault Cancelled). `asked` tells whether a request went out.
    Month fetch(PageFetcher& fetcher, const WeatherSite& site, const WeatherPlace& place, int year, int month,
                const QDate& today, WeatherError* error, const FetchCancel& cancel = {},
                Retry retry = Retry::Always, bool* asked = nullptr);
    // The day's row of a month as `fetch` gets it.
    std::optional<DayWeather> day(PageFetcher& fetcher, const WeatherSite& site, const WeatherPlace& place,
                                  const QDate& date, const QDate& today, WeatherError* error,
                                  const FetchCancel& cancel = {}, Retry retry = Retry::Always);
    // Whether a draw would wait for the site now, or take the day files at once.
    bool wouldAsk(const WeatherSite& site, const WeatherPlace& place, int year, int month, const QDate& today,
                  Retry retry) const;

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        Month month;
        QDate fetchedOn;
        std::optional<WeatherError> failure;
        Clock::time_point failedAt;
        bool inFlight = false;
    };
    static bool current(const Entry& e, int year, int month, const QDate& today);
    bool holdsOff(const Entry* e, Clock::time_point now) const;  // with m_mutex held
    void remember(const std::string& key, Month month, const QDate& today);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, Entry> m_entries;
    std::deque<std::string> m_order;  // keys of kept months, earliest fetched first
    std::optional<Clock::time_point> m_siteSilentAt;
    size_t m_capacity;
};

// The day `date` of a month it belongs to; nothing, with `error` set, when the page had no row for it.
std::optional<DayWeather> DayOfMonth(const MonthWeather& month, const QDate& date, WeatherError* error);

// The month's page read into what a MonthWeather keeps; nullopt when the page holds no daily table.
std::optional<MonthWeather> ReadMonthWeather(const MonthPage& page, const WeatherSite& site);
