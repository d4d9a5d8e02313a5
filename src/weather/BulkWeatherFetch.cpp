#include "weather/BulkWeatherFetch.h"

#include "platform/Clock.h"
#include "platform/SafeFormat.h"

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

MonthPageReuse::MonthPageReuse(PageFetcher& fetcher, WeatherSite site, WeatherPlace place, Progress* progress,
                               std::function<bool()> confirmStop, std::shared_ptr<WeatherMonths> months)
    : m_fetcher(fetcher), m_site(std::move(site)), m_place(place), m_progress(progress),
      m_confirmStop(std::move(confirmStop)),
      m_months(months ? std::move(months) : std::make_shared<WeatherMonths>(3))
{}

WeatherMonths::Month MonthPageReuse::month(int year, int month, WeatherError* error)
{
    const QDate today = Clock::Today();
    FetchCancel cancel;
    if (m_progress)
        cancel = [p = m_progress] { return p->cancelled(); };
    while (!m_stopped) {
        if (m_requests > 0 && m_site.requestIntervalMs > 0
            && m_months->wouldAsk(m_site, m_place, year, month, today, WeatherMonths::Retry::Always))
            pause(m_site.requestIntervalMs, m_progress);
        bool asked = false;
        WeatherError e;
        WeatherMonths::Month m = m_months->fetch(m_fetcher, m_site, m_place, year, month, today, &e, cancel,
                                                 WeatherMonths::Retry::Always, &asked);
        if (asked)
            ++m_requests;
        if (m || e.fault != WeatherFault::Cancelled) {
            if (!m && error)
                *error = e;
            return m;
        }
        // The stop button ended the request: ask, and on going on ask the site again.
        if (m_progress && m_progress->StopConfirmed(m_confirmStop))
            m_stopped = true;
        else if (!m_progress)
            m_stopped = true;
        if (m_stopped && error)
            *error = e;
    }
    return nullptr;
}

std::optional<DayWeather> MonthPageReuse::day(const QDate& date, WeatherError* error)
{
    if (!date.isValid())
        return std::nullopt;
    WeatherMonths::Month m = month(date.year(), date.month(), error);
    if (!m)
        return std::nullopt;
    return DayOfMonth(*m, date, error);
}

DayWeatherOutcome ImportDayWeather(MonthPageReuse& pages, const std::string& folder, const QDate& date,
                                   DayWeather& out, WeatherError* error)
{
    std::optional<DayWeather> w = pages.day(date, error);
    if (!w)
        return pages.stopped() ? DayWeatherOutcome::Stopped : DayWeatherOutcome::Failed;
    std::optional<DayWeather> held;
    ReadDayValues(folder, date, &held, nullptr);
    out = KeepHeldWeather(*w, held);
    return DayWeatherOutcome::Fetched;
}

BulkWeatherReport RunBulkWeatherFetch(PageFetcher& fetcher, const WeatherSite& site,
                                      const WeatherPlace& place, const std::vector<QDate>& days,
                                      const QDate& today, Progress& progress, const BulkWeatherHooks& hooks,
                                      std::shared_ptr<WeatherMonths> months)
{
    BulkWeatherReport report;
    progress.setRange(static_cast<int>(days.size()));
    progress.setValue(0);
    MonthPageReuse pages(fetcher, site, place, &progress, hooks.confirmStop, std::move(months));
    auto failDay = [&](const QDate& date, const WeatherError& why) {
        if (!report.failed) {
            report.failed = true;
            report.failedDay = date;
            report.error = why;
        }
        if (report.failedMonths.empty() || report.failedMonths.back().year != date.year()
            || report.failedMonths.back().month != date.month())
            report.failedMonths.push_back(MonthFailure{date.year(), date.month(), 0, why});
        ++report.failedMonths.back().days;
    };
    auto notFetched = [&](const QDate& date) {
        if (report.notFetched++ == 0)
            report.notFetchedFrom = date;
    };
    // The month at hand: asked once, its failure (if any) kept for its further days.
    int year = 0, month = 0;
    WeatherMonths::Month shown;
    std::optional<WeatherError> monthError;
    int done = 0;
    for (size_t i = 0; i < days.size(); ++i) {
        const QDate& date = days[i];
        if (!date.isValid() || date >= today) {
            ++report.skipped;
            continue;
        }
        if (date.year() != year || date.month() != month) {
            year = date.year();
            month = date.month();
            WeatherError e;
            shown = pages.month(year, month, &e);
            if (pages.stopped()) {
                report.stopped = true;
                break;
            }
            monthError = shown ? std::nullopt : std::optional<WeatherError>(e);
            if (hooks.monthFetched)
                hooks.monthFetched(year, month, monthError ? &*monthError : nullptr);
            if (monthError && monthError->siteSilent()) {
                // The site gives no answer: the later months would fare the same.
                failDay(date, *monthError);
                for (size_t j = i + 1; j < days.size(); ++j) {
                    if (!days[j].isValid() || days[j] >= today)
                        continue;
                    if (days[j].year() == year && days[j].month() == month)
                        ++report.failedMonths.back().days;
                    else
                        notFetched(days[j]);
                }
                break;
            }
        }
        if (monthError) {
            failDay(date, *monthError);
            continue;
        }
        WeatherError noRow;
        const std::optional<DayWeather> w = DayOfMonth(*shown, date, &noRow);
        if (!w) {
            failDay(date, noRow);
            continue;
        }
        if (!hooks.write(date, *w)) {
            const WeatherError why{Msg::None,
                                   "the day file of " + date.toString(Qt::ISODate).toStdString()
                                       + " could not be written",
                                   WeatherFault::Other, 0};
            if (!report.failed) {
                report.failed = true;
                report.failedDay = date;
                report.error = why;
            }
            report.unwrittenDay = date;
            for (size_t j = i + 1; j < days.size(); ++j)
                if (days[j].isValid() && days[j] < today)
                    notFetched(days[j]);
            break;
        }
        ++report.written;
        progress.setValue(++done);
        if (progress.StopConfirmed(hooks.confirmStop)) {
            report.stopped = true;
            break;
        }
    }
    report.requests = pages.requests();
    return report;
}

std::string BulkWeatherSummary(const BulkWeatherReport& r)
{
    // Nothing written and not stopped: the run failed as a whole (169).
    std::string s = r.written == 0 && !r.stopped
                        ? std::string(LoadString(Msg::BulkWeatherFailed))
                        : FormatInts(LoadString(r.stopped ? Msg::WeatherStoppedAfter : Msg::WeatherDaysWritten),
                                     {r.written});
    for (const MonthFailure& m : r.failedMonths)
        s += "\n" + MonthFailureText(m.year, m.month, m.error, m.days);
    if (const QDate& d = r.unwrittenDay; d.isValid())
        s += "\n" + FormatInts(LoadString(Msg::WeatherDayPrefix), {d.year(), d.month(), d.day()})
             + LoadString(Msg::DayWriteFailed);
    if (r.notFetched > 0)
        s += "\n"
             + FormatInts(LoadString(Msg::WeatherDaysNotFetched),
                          {r.notFetchedFrom.year(), r.notFetchedFrom.month(), r.notFetchedFrom.day(), r.notFetched});
    return s;
}
