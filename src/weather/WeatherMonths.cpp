#include "weather/WeatherMonths.h"

#include <algorithm>

namespace {
constexpr auto kWaitSlice = std::chrono::milliseconds(50);  // how soon a waiter sees its cancel
}

std::optional<MonthWeather> ReadMonthWeather(const MonthPage& page, const WeatherSite& site)
{
    const DailyTableLayout layout = site.layout(page.place.station < 0);
    std::optional<MonthWeatherTable> table = ScrapeMonth(page.page.text, layout);
    if (!table)
        return std::nullopt;
    MonthWeather m;
    m.table = *table;
    for (int d = 1; d <= 31; ++d) {
        DayWeather w;
        if (ScrapeDay(page.page.text, layout, d, page.page.utf8, w))
            m.days[d - 1] = w;
    }
    return m;
}

bool WeatherMonths::current(const Entry& e, int year, int month, const QDate& today)
{
    if (!e.month)
        return false;
    // A month fetched after its last day holds every day it will ever hold.
    const QDate first(year, month, 1);
    return e.fetchedOn == today || (first.isValid() && e.fetchedOn > first.addDays(first.daysInMonth() - 1));
}

bool WeatherMonths::holdsOff(const Entry* e, Clock::time_point now) const
{
    if (m_siteSilentAt && now - *m_siteSilentAt < kRetryAfter)
        return true;
    return e && e->failure && now - e->failedAt < kRetryAfter;
}

WeatherMonths::Month WeatherMonths::kept(const WeatherSite& site, const WeatherPlace& place, int year,
                                         int month, const QDate& today) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(DailyPageUrl(site, place, year, month));
    return it != m_entries.end() && current(it->second, year, month, today) ? it->second.month : nullptr;
}

bool WeatherMonths::wouldAsk(const WeatherSite& site, const WeatherPlace& place, int year, int month,
                             const QDate& today, Retry retry) const
{
    const std::string key = DailyPageUrl(site, place, year, month);
    if (key.empty())
        return false;
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(key);
    const Entry* e = it == m_entries.end() ? nullptr : &it->second;
    if (e && current(*e, year, month, today))
        return false;
    return retry == Retry::Always || !holdsOff(e, Clock::now());
}

void WeatherMonths::remember(const std::string& key, Month month, const QDate& today)
{
    Entry& e = m_entries[key];
    const bool wasKept = e.month != nullptr;
    e.month = std::move(month);
    e.fetchedOn = today;
    e.failure.reset();
    if (wasKept)
        m_order.erase(std::remove(m_order.begin(), m_order.end(), key), m_order.end());
    m_order.push_back(key);
    while (m_order.size() > m_capacity) {
        auto old = m_entries.find(m_order.front());
        if (old != m_entries.end() && !old->second.inFlight)
            m_entries.erase(old);
        else if (old != m_entries.end())
            old->second.month.reset();
        m_order.pop_front();
    }
}

WeatherMonths::Month WeatherMonths::fetch(PageFetcher& fetcher, const WeatherSite& site,
                                          const WeatherPlace& place, int year, int month, const QDate& today,
                                          WeatherError* error, const FetchCancel& cancel, Retry retry,
                                          bool* asked)
{
    if (asked)
        *asked = false;
    const std::string key = DailyPageUrl(site, place, year, month);
    if (key.empty()) {
        // Nothing to ask: FetchMonthPage says why.
        WeatherError e;
        FetchMonthPage(fetcher, site, place, year, month, &e);
        if (error)
            *error = e;
        return nullptr;
    }
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            Entry& e = m_entries[key];
            if (current(e, year, month, today))
                return e.month;
            if (!e.inFlight) {
                if (retry == Retry::NotSoon && holdsOff(&e, Clock::now())) {
                    if (error)
                        *error = e.failure ? *e.failure
                                           : WeatherError{Msg::None, "the site gave no answer a moment ago",
                                                          WeatherFault::TimedOut, 0};
                    return nullptr;
                }
                e.inFlight = true;
                break;
            }
            // Another thread asks for this month now: its answer serves here too.
            m_changed.wait_for(lock, kWaitSlice);
            if (cancel && cancel()) {
                if (error)
                    *error = WeatherError{Msg::None, key + ": stopped", WeatherFault::Cancelled, 0};
                return nullptr;
            }
        }
    }
    if (asked)
        *asked = true;
    WeatherError failure;
    std::optional<MonthPage> page = FetchMonthPage(fetcher, site, place, year, month, &failure, cancel);
    std::optional<MonthWeather> read;
    if (page) {
        read = ReadMonthWeather(*page, site);
        if (!read)
            failure = WeatherError{Msg::None, key + ": the page holds no daily table", WeatherFault::NoTable, 0};
    }
    Month result = read ? std::make_shared<const MonthWeather>(std::move(*read)) : nullptr;
    {
        std::lock_guard lock(m_mutex);
        Entry& e = m_entries[key];
        e.inFlight = false;
        if (result) {
            remember(key, result, today);
            m_siteSilentAt.reset();
        } else if (failure.fault != WeatherFault::Cancelled) {
            e.failure = failure;
            e.failedAt = Clock::now();
            if (failure.siteSilent())
                m_siteSilentAt = e.failedAt;
        }
        if (!result && !e.month && !e.failure)
            m_entries.erase(key);
    }
    m_changed.notify_all();
    if (!result && error)
        *error = failure;
    return result;
}

std::optional<DayWeather> WeatherMonths::day(PageFetcher& fetcher, const WeatherSite& site,
                                             const WeatherPlace& place, const QDate& date, const QDate& today,
                                             WeatherError* error, const FetchCancel& cancel, Retry retry)
{
    if (!date.isValid())
        return std::nullopt;
    Month m = fetch(fetcher, site, place, date.year(), date.month(), today, error, cancel, retry);
    if (!m)
        return std::nullopt;
    return DayOfMonth(*m, date, error);
}

std::optional<DayWeather> DayOfMonth(const MonthWeather& month, const QDate& date, WeatherError* error)
{
    const std::optional<DayWeather>& w = month.days[date.day() - 1];
    if (!w && error)
        *error = WeatherError{Msg::None, date.toString(Qt::ISODate).toStdString() + ": the page holds no row for the day",
                              WeatherFault::NoDayRow, 0};
    return w;
}
