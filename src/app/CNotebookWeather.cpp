// Weather retrieval of the controller: the day fetch of the data dialog, the graph's months, the
// internet settings and the bulk fetch on its worker thread. Every request runs away from the
// user-interface thread and can be stopped at once; the months fetched are kept for the run
// (WeatherMonths), so the graph, printing and the day fetch ask the site for a month once.
// Workers get values (site, place, days) and hand what they got to the user-interface thread,
// which writes it; they never touch a widget.
#include "app/CNotebook.h"

#include "app/BulkJob.h"
#include "app/WeatherRequests.h"
#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Progress.h"
#include "platform/Prompt.h"
#include "platform/UiThread.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"
#include "weather/WeatherMonths.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace {
constexpr Msg kMsgAskBulkWeather = Msg::BulkWeatherReplaces;
constexpr Msg kMsgAskStopBulkWeather = Msg::ConfirmCancelBulkWeather;
constexpr Msg kBulkWeatherCaption = Msg::BulkWeatherRunning;
constexpr Msg kMsgAskEnableInternet = Msg::ConfirmInternetWeather;

// `message` (131, 137) with the reason under it; nothing for a request the user stopped.
void tellFetchFailed(Prompt& prompt, const WeatherError& error, Msg message = Msg::WeatherFetchFailed)
{
    if (error.fault == WeatherFault::Cancelled)
        return;
    const std::string why = WeatherFaultText(error);
    prompt.tell(message, Icon::Exclamation, std::string(LoadString(message)) + (why.empty() ? "" : "\n" + why));
}
}  // namespace

namespace {
WeatherState& state(std::shared_ptr<WeatherState>& s)
{
    if (!s)
        s = std::make_shared<WeatherState>();
    return *s;
}
}  // namespace

void CNotebook::SetPageFetcher(PageFetcher* fetcher)
{
    state(m_weather).fetcher = fetcher;
}

PageFetcher& CNotebook::pageFetcher()
{
    WeatherState& s = state(m_weather);
    return s.fetcher ? *s.fetcher : static_cast<PageFetcher&>(s.curl);
}

std::shared_ptr<WeatherMonths> CNotebook::weatherMonths()
{
    return state(m_weather).months;
}

WeatherSite CNotebook::WeatherSiteNow() const
{
    return ReadWeatherSite(m_folders.kitFile("Weather.ini"));
}

WeatherPlace CNotebook::SavedWeatherPlace() const
{
    return WeatherPlace{ReadSettingInt(m_settingsFile, KeltoIni::Pref),
                        ReadSettingInt(m_settingsFile, KeltoIni::Place)};
}

// A fetch the user-interface thread must have before it goes on (the place lists, a print's
// months) runs on a helper thread meanwhile: the window keeps repainting and, after a moment, a
// small window offers to stop the request. Until that window shows, input stays queued (keys
// typed ahead of a quick answer still count); while it shows, input elsewhere is dropped. A
// worker's queued questions wait until it is done.
template <class F>
auto CNotebook::waitAwayFromUi(F work) -> decltype(work(FetchCancel{}))
{
    using R = decltype(work(FetchCancel{}));
    RequestFlag stop = NewRequestFlag();
    FetchCancel cancel = [stop] { return stop->load(); };
    if (!QCoreApplication::instance() || !UiThread::isCurrent())
        return work(cancel);
    if (m_host)
        m_host->BeginWait(LoadString(Msg::WeatherFetching), [stop] { *stop = true; });
    UiThread::DeferCalls defer;
    QEventLoop loop;
    std::optional<R> result;
    std::atomic<bool> done{false};
    std::thread helper([&] {
        result.emplace(work(cancel));
        done = true;
        QMetaObject::invokeMethod(&loop, [] {}, Qt::QueuedConnection);  // wakes the loop below
    });
    while (!done) {
        const bool shown = m_host && m_host->WaitShown();
        loop.processEvents((shown ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents)
                           | QEventLoop::WaitForMoreEvents);
    }
    helper.join();
    if (m_host)
        m_host->EndWait();
    return std::move(*result);
}

std::optional<DayWeather> CNotebook::FetchWeatherForDialog(const QDate& date,
                                                           std::optional<WeatherPlace> place)
{
    // The site publishes a day once it has ended.
    if (!date.isValid() || date >= Clock::Today()) {
        m_prompt.tell(kMsgFetchOnlyPastDays);
        return std::nullopt;
    }
    WeatherPlace p = place ? *place : SavedWeatherPlace();
    if (p.station == 0) {
        m_prompt.tell(kMsgNoPlace);
        return std::nullopt;
    }
    WeatherSite site = WeatherSiteNow();
    PageFetcher& fetcher = pageFetcher();
    WeatherError error;
    // A test of the place asks the site itself, whatever was kept.
    std::optional<DayWeather> w = waitAwayFromUi(
        [&](const FetchCancel& cancel) { return FetchDayWeather(fetcher, site, p, date, &error, cancel); });
    if (!w)
        tellFetchFailed(m_prompt, error);
    return w;
}

std::shared_ptr<void> CNotebook::StartDayWeatherFetch(const QDate& date,
                                                      std::function<void(std::optional<DayWeather>)> done)
{
    if (!date.isValid() || date >= Clock::Today()) {
        m_prompt.tell(kMsgFetchOnlyPastDays);
        return nullptr;
    }
    const WeatherPlace place = SavedWeatherPlace();
    if (place.station == 0) {
        m_prompt.tell(kMsgNoPlace);
        return nullptr;
    }
    WeatherState& s = state(m_weather);
    PageFetcher* fetcher = &pageFetcher();
    WeatherRequest& r = s.start([prompt = &m_prompt, fetcher, site = WeatherSiteNow(), place, date,
                                 today = Clock::Today(), months = s.months, done](const FetchCancel& cancel) -> WeatherState::Delivery {
        WeatherError error;
        std::optional<DayWeather> w = months->day(*fetcher, site, place, date, today, &error, cancel);
        if (error.fault == WeatherFault::Cancelled)
            return nullptr;
        // Runs only while the request was not stopped, which the controller does before it goes.
        return [prompt, w, error, done] {
            if (!w)
                tellFetchFailed(*prompt, error);
            done(w);
        };
    });
    auto handle = std::make_shared<CancelOnDrop>();
    handle->flag = r.cancelled;
    return handle;
}

bool CNotebook::siteWeatherForGraph() const
{
    return m_internetEnabled && m_paging.graphSettings.GetWeather && SavedWeatherPlace().station != 0;
}

std::shared_ptr<const MonthWeather> CNotebook::keptMonthWeather(int year, int month) const
{
    if (!m_weather || !siteWeatherForGraph())
        return nullptr;
    return m_weather->months->kept(WeatherSiteNow(), SavedWeatherPlace(), year, month, Clock::Today());
}

void CNotebook::fetchGraphWeather(int year, int month)
{
    if (!siteWeatherForGraph())
        return;
    WeatherState& s = state(m_weather);
    const WeatherSite site = WeatherSiteNow();
    const WeatherPlace place = SavedWeatherPlace();
    const QDate today = Clock::Today();
    if (!s.months->wouldAsk(site, place, year, month, today, WeatherMonths::Retry::NotSoon))
        return;
    // Drawn once, without an event loop to hand a later answer to (--render): wait here.
    if (!m_host || !m_host->DeliversLater()) {
        fetchForDrawNow(year, month);
        return;
    }
    s.reap();
    if (s.graphRequest && s.graphRequest->year == year && s.graphRequest->month == month)
        return;  // under way
    // The graph has moved on: the month it showed before is no longer awaited.
    if (s.graphRequest)
        *s.graphRequest->cancelled = true;
    PageFetcher* fetcher = &pageFetcher();
    // The month came: the graph draws it if it still shows that month. The worker only hands
    // this back; it runs on the user-interface thread unless the request was stopped.
    WeatherState::Delivery redraw = [this, year, month] {
        if (m_shutDown || !m_host || m_viewMode != ViewMode::Graph)
            return;
        const QDate shown = graphShownMonth();
        if (shown.year() == year && shown.month() == month) {
            DrawPage(ViewMode::Graph);
            PresentPage();
        }
    };
    WeatherRequest& r = s.start([fetcher, site, place, year, month, today, months = s.months,
                                 redraw](const FetchCancel& cancel) -> WeatherState::Delivery {
        if (!months->fetch(*fetcher, site, place, year, month, today, nullptr, cancel,
                           WeatherMonths::Retry::NotSoon))
            return nullptr;
        return redraw;
    });
    r.year = year;
    r.month = month;
    s.graphRequest = &r;
}

void CNotebook::fetchForDrawNow(int year, int month)
{
    WeatherState& s = state(m_weather);
    WeatherError error;
    if (s.months->fetch(pageFetcher(), WeatherSiteNow(), SavedWeatherPlace(), year, month, Clock::Today(),
                        &error, {}, WeatherMonths::Retry::NotSoon)
        || s.toldDrawFailure)
        return;
    // Once a run: why the pages show the day files' weather (and why the site was waited for).
    s.toldDrawFailure = true;
    m_prompt.tell(Msg::WeatherFetchFailed, Icon::Exclamation,
                  MonthFailureText(year, month, error) + "\n" + LoadString(Msg::WeatherFromDayFiles));
}

void CNotebook::PrefetchGraphWeather(const std::vector<QDate>& months)
{
    if (!siteWeatherForGraph() || months.empty())
        return;
    WeatherState& s = state(m_weather);
    const WeatherSite site = WeatherSiteNow();
    const WeatherPlace place = SavedWeatherPlace();
    const QDate today = Clock::Today();
    std::vector<QDate> wanted;
    for (const QDate& m : months)
        if (m.isValid() && s.months->wouldAsk(site, place, m.year(), m.month(), today, WeatherMonths::Retry::NotSoon)
            && std::find(wanted.begin(), wanted.end(), m) == wanted.end())
            wanted.push_back(m);
    if (wanted.empty())
        return;
    if (!m_host || !m_host->DeliversLater()) {
        // --render and --print-pdf: nobody to press stop, no window to keep alive.
        for (const QDate& m : wanted)
            fetchForDrawNow(m.year(), m.month());
        return;
    }
    PageFetcher& fetcher = pageFetcher();
    // After a month the site did not answer, the others are not asked (NotSoon).
    waitAwayFromUi([&](const FetchCancel& cancel) {
        for (const QDate& m : wanted) {
            if (cancel())
                break;
            s.months->fetch(fetcher, site, place, m.year(), m.month(), today, nullptr, cancel,
                            WeatherMonths::Retry::NotSoon);
        }
        return true;
    });
}

void CNotebook::StopWeatherRequests()
{
    if (m_weather)
        m_weather->stopAll();
}

InternetSettingsFields CNotebook::InternetSettingsDialogFields() const
{
    InternetSettingsFields f;
    f.enabled = m_internetEnabled != 0;
    f.savedPref = IniFile::ReadInt(m_settingsFile, KeltoIni::Pref.section, KeltoIni::Pref.key, -1);
    f.savedPlace = IniFile::ReadInt(m_settingsFile, KeltoIni::Place.section, KeltoIni::Place.key, -1);
    return f;
}

InternetSettingsOps CNotebook::InternetSettingsDialogOps()
{
    InternetSettingsOps ops;
    ops.confirmEnable = [this] {
        return m_prompt.ask(kMsgAskEnableInternet, Buttons::YesNo, Icon::Question) == Answer::Yes;
    };
    ops.prefectures = [this]() -> std::optional<std::vector<PlaceEntry>> {
        WeatherSite site = WeatherSiteNow();
        PageFetcher& fetcher = pageFetcher();
        WeatherError error;
        auto list = waitAwayFromUi(
            [&](const FetchCancel& cancel) { return FetchPrefectureList(fetcher, site, &error, cancel); });
        if (!list)
            tellFetchFailed(m_prompt, error, kMsgPrefecturesFailed);
        return list;
    };
    ops.stations = [this](int prefecture) -> std::optional<std::vector<PlaceEntry>> {
        WeatherSite site = WeatherSiteNow();
        PageFetcher& fetcher = pageFetcher();
        WeatherError error;
        auto list = waitAwayFromUi([&](const FetchCancel& cancel) {
            return FetchStationList(fetcher, site, prefecture, &error, cancel);
        });
        if (!list && error.network != Msg::None)
            m_prompt.tell(error.network);
        return list;
    };
    ops.test = [this](int prefecture, int station) {
        // Two days ago is always published.
        return FetchWeatherForDialog(Clock::Today().addDays(-2), WeatherPlace{prefecture, station});
    };
    ops.apply = [this](const InternetSettingsChoice& c) { SaveInternetSettings(c); };
    return ops;
}

void CNotebook::SaveInternetSettings(const InternetSettingsChoice& c)
{
    m_internetEnabled = c.enabled ? 1 : 0;
    std::vector<std::pair<IntSetting, int>> values{{KeltoIni::EnableInternet, m_internetEnabled}};
    const bool newPlace = c.station && c.prefecture
                          && (c.station->code != ReadSettingInt(m_settingsFile, KeltoIni::Place)
                              || c.prefecture->code != ReadSettingInt(m_settingsFile, KeltoIni::Pref));
    if (newPlace) {
        values.push_back({KeltoIni::Pref, c.prefecture->code});
        values.push_back({KeltoIni::Place, c.station->code});
    }
    // One write: the prefecture and the station never part, and a failure leaves the place the
    // fetches use as it was, which the user is told.
    if (Result r = WriteSettingInts(m_settingsFile, values); !r) {
        const Result told = Result::Failed(Msg::InternetSettingsWriteFailed, r.path);
        m_prompt.tell(told.message, Icon::Stop, ResultText(told));
        return;
    }
}

bool CNotebook::EditInternetSettings()
{
    if (!m_host)
        return false;
    return m_host->RunInternetSettingsDialog(InternetSettingsDialogFields(), InternetSettingsDialogOps());
}

bool CNotebook::BulkWeatherRunning() const
{
    return m_weather && m_weather->job.running();
}

bool CNotebook::ApplyFetchedWeather(const QDate& date, const DayWeather& weather)
{
    if (!WriteFetchedWeather(m_notebookFolder, date, weather))
        return false;
    // The day held now gets the same values, so its next flush writes them and not the old ones;
    // its other values (measurements, photo, unsaved edits) stay as the user left them.
    if (m_store.Day.date == date)
        m_store.Day.weather = KeepHeldWeather(weather, m_store.Day.weather);
    return true;
}

void CNotebook::StartBulkWeatherFetch()
{
    WeatherState& s = state(m_weather);
    if (m_notebookFolder.empty() || refuseWhileJobRuns())
        return;
    if (m_prompt.ask(kMsgAskBulkWeather, Buttons::OkCancel, Icon::Question) != Answer::Ok)
        return;
    WeatherPlace place = SavedWeatherPlace();
    if (place.station == 0) {
        m_prompt.tell(kMsgNoPlace);
        return;
    }
    if (!FlushDay())
        return;
    RescanDays();
    std::vector<QDate> days = m_days.dates;
    WeatherSite site = WeatherSiteNow();
    QDate today = Clock::Today();
    PageFetcher* fetcher = &pageFetcher();
    JobDesk desk;
    desk.prompt = &m_prompt;
    desk.writeWeather = [this](const QDate& date, const DayWeather& w) { return ApplyFetchedWeather(date, w); };
    s.job.start(
        m_host, kBulkWeatherCaption, std::move(desk),
        [site, place, days, today, fetcher, months = s.months](JobLink& link) {
            BulkWeatherHooks hooks;
            hooks.write = [&link](const QDate& date, const DayWeather& w) { return link.writeWeather(date, w); };
            hooks.confirmStop = [&link] {
                return link.stopping()
                       || link.ask(kMsgAskStopBulkWeather, Buttons::YesNo, Icon::Question) == Answer::Yes;
            };
            return RunBulkWeatherFetch(*fetcher, site, place, days, today, link.progress(), hooks, months);
        },
        [this](const BulkWeatherReport& report) { finishBulkWeather(report); });
}

void CNotebook::finishBulkWeather(const BulkWeatherReport& report)
{
    m_weather->job.end(m_host);
    if (report.written > 0 && m_host && m_viewMode != ViewMode::None)
        SetViewMode(m_viewMode);
    // What was written, which months failed and why, what was not asked: the command line's
    // report in the user's words.
    const Msg id = report.written == 0 && !report.stopped ? Msg::BulkWeatherFailed
                   : report.stopped                       ? Msg::WeatherStoppedAfter
                                                          : Msg::WeatherDaysWritten;
    m_prompt.tell(id, report.failed || report.written == 0 ? Icon::Exclamation : Icon::Information,
                  BulkWeatherSummary(report));
}

void CNotebook::StopBulkWeatherFetch()
{
    if (m_weather)
        m_weather->job.stop(m_host);
}
