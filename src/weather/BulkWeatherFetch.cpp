#include "weather/BulkWeatherFetch.h"

#include <chrono>
#include <thread>

namespace {
// The pause between two requests, so the site is not hammered; a stop press ends it early.
void pause(int ms, const Progress* progress)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!(progress && progress->cancelled()) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
}  // namespace

std::optional<DayWeather> MonthPageReuse::day(const QDate& date, WeatherError* error)
{
    if (!date.isValid())
        return std::nullopt;
    if (!m_page || !m_page->holds(m_place, date.year(), date.month())) {
        if (m_requests > 0 && m_site.requestIntervalMs > 0)
            pause(m_site.requestIntervalMs, m_progress);
        ++m_requests;
        m_page = FetchMonthPage(m_fetcher, m_site, m_place, date.year(), date.month(), error);
        if (!m_page)
            return std::nullopt;
    }
    DayWeather w;
    if (!DayFromMonthPage(*m_page, m_site, date.day(), w))
        return std::nullopt;
    return w;
}

BulkWeatherReport RunBulkWeatherFetch(PageFetcher& fetcher, const WeatherSite& site,
                                      const WeatherPlace& place, const std::vector<QDate>& days,
                                      const QDate& today, Progress& progress, const BulkWeatherHooks& hooks)
{
    BulkWeatherReport report;
    progress.setRange(static_cast<int>(days.size()));
    progress.setValue(0);
    std::optional<MonthPage> page;
    int done = 0;
    for (const QDate& date : days) {
        if (!date.isValid() || date >= today) {
            ++report.skipped;
            continue;
        }
        if (!page || !page->holds(place, date.year(), date.month())) {
            if (report.requests > 0 && site.requestIntervalMs > 0)
                pause(site.requestIntervalMs, &progress);
            ++report.requests;
            page = FetchMonthPage(fetcher, site, place, date.year(), date.month(), &report.error);
            if (hooks.monthFetched)
                hooks.monthFetched(date.year(), date.month(), page.has_value());
            if (!page) {
                report.failed = true;
                report.failedDay = date;
                break;
            }
        }
        DayWeather w;
        if (!DayFromMonthPage(*page, site, date.day(), w)) {
            report.failed = true;
            report.failedDay = date;
            report.error = WeatherError{Msg::None, "the page holds no row for "
                                                       + date.toString(Qt::ISODate).toStdString()};
            break;
        }
        if (!hooks.write(date, w)) {
            report.failed = true;
            report.failedDay = date;
            report.error =
                WeatherError{Msg::None, "the day file of " + date.toString(Qt::ISODate).toStdString()
                                            + " could not be written"};
            break;
        }
        ++report.written;
        progress.setValue(++done);
        if (progress.StopConfirmed(hooks.confirmStop)) {
            report.stopped = true;
            break;
        }
    }
    return report;
}
