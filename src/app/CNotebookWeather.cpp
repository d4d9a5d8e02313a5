// Weather retrieval of the controller: the dialog fetches, the internet settings and the bulk
// fetch on its worker thread. The worker gets values (site, place, days) and hands every day
// it fetched to the user-interface thread, which writes it; it never touches a widget.
#include "app/CNotebook.h"

#include "app/BulkJob.h"
#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Progress.h"
#include "platform/Prompt.h"
#include "platform/UiThread.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"
#include "weather/CurlPageFetcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <mutex>
#include <thread>

namespace {
constexpr Msg kMsgAskBulkWeather = Msg::BulkWeatherReplaces;
constexpr Msg kMsgBulkWeatherFailed = Msg::BulkWeatherFailed;
constexpr Msg kMsgAskStopBulkWeather = Msg::ConfirmCancelBulkWeather;
constexpr Msg kBulkWeatherCaption = Msg::BulkWeatherRunning;
constexpr Msg kMsgAskEnableInternet = Msg::ConfirmInternetWeather;
const char* const kFetchingStatus = "気象データを取得しています...";
}  // namespace

struct WeatherState {
    CurlPageFetcher curl;
    PageFetcher* fetcher = nullptr;  // set by tests; else `curl`
    BulkJob<BulkWeatherReport> job;
};

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

WeatherSite CNotebook::WeatherSiteNow() const
{
    return ReadWeatherSite(JoinPath(m_programFolder, "Weather.ini"));
}

WeatherPlace CNotebook::SavedWeatherPlace() const
{
    return WeatherPlace{ReadSettingInt(m_settingsFile, KeltoIni::Pref),
                        ReadSettingInt(m_settingsFile, KeltoIni::Place)};
}

// A fetch on the user-interface thread runs on a helper thread while the window keeps
// repainting (no input, busy cursor); a worker's queued questions wait until it is done.
template <class F>
auto CNotebook::waitAwayFromUi(F work) -> decltype(work())
{
    using R = decltype(work());
    if (!QCoreApplication::instance() || !UiThread::isCurrent())
        return work();
    if (m_host)
        m_host->SetBusy(kFetchingStatus);
    UiThread::DeferCalls defer;
    QEventLoop loop;
    std::optional<R> result;
    std::atomic<bool> done{false};
    std::thread helper([&] {
        result.emplace(work());
        done = true;
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    helper.join();
    if (m_host)
        m_host->SetBusy({});
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
    std::optional<DayWeather> w =
        waitAwayFromUi([&] { return FetchDayWeather(fetcher, site, p, date, &error); });
    if (!w) {
        if (error.network != Msg::None)
            m_prompt.tell(error.network);
        m_prompt.tell(kMsgWeatherFetchFailed);
    }
    return w;
}

bool CNotebook::FetchCurrentDayWeather()
{
    DayRecord& day = m_store.Day;
    if (!day.date.isValid() || day.date >= Clock::Today())
        return false;
    WeatherPlace p = SavedWeatherPlace();
    if (p.station == 0) {
        m_prompt.tell(kMsgNoPlace);
        return false;
    }
    WeatherSite site = WeatherSiteNow();
    PageFetcher& fetcher = pageFetcher();
    QDate date = day.date;
    std::optional<DayWeather> w =
        waitAwayFromUi([&] { return FetchDayWeather(fetcher, site, p, date, nullptr); });
    if (!w)
        return false;
    // The day may have changed while the window stayed live: the weather goes to its own day.
    if (m_store.Day.date == date) {
        m_store.Day.weather = *w;
        m_store.Day.dirty = true;
        return true;
    }
    return WriteDayWeather(m_notebookFolder, date, *w);
}

std::optional<MonthWeatherTable> CNotebook::FetchMonthWeatherTable(int year, int month)
{
    WeatherPlace p = SavedWeatherPlace();
    if (!m_internetEnabled || p.station == 0)
        return std::nullopt;
    WeatherSite site = WeatherSiteNow();
    PageFetcher& fetcher = pageFetcher();
    return waitAwayFromUi([&] { return FetchMonthWeather(fetcher, site, p, year, month, nullptr); });
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
        auto list = waitAwayFromUi([&] { return FetchPrefectureList(fetcher, site, &error); });
        if (!list) {
            if (error.network != Msg::None)
                m_prompt.tell(error.network);
            m_prompt.tell(kMsgPrefecturesFailed);
        }
        return list;
    };
    ops.stations = [this](int prefecture) -> std::optional<std::vector<PlaceEntry>> {
        WeatherSite site = WeatherSiteNow();
        PageFetcher& fetcher = pageFetcher();
        WeatherError error;
        auto list = waitAwayFromUi([&] { return FetchStationList(fetcher, site, prefecture, &error); });
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
    WriteSettingInt(m_settingsFile, KeltoIni::EnableInternet, m_internetEnabled);
    if (!c.station || !c.prefecture)
        return;
    if (c.station->code == ReadSettingInt(m_settingsFile, KeltoIni::Place)
        && c.prefecture->code == ReadSettingInt(m_settingsFile, KeltoIni::Pref))
        return;
    WriteSettingInt(m_settingsFile, KeltoIni::Pref, c.prefecture->code);
    WriteSettingInt(m_settingsFile, KeltoIni::Place, c.station->code);
    m_currentPrefecture = c.prefecture->code;
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

BulkWeatherReport CNotebook::LastBulkWeatherReport() const
{
    if (!m_weather)
        return {};
    return m_weather->job.lastReport();
}

bool CNotebook::ApplyFetchedWeather(const QDate& date, const DayWeather& weather)
{
    if (!WriteDayWeather(m_notebookFolder, date, weather))
        return false;
    // The day held now gets the same values, so its next flush writes them and not the old ones;
    // its other values (measurements, photo, unsaved edits) stay as the user left them.
    if (m_store.Day.date == date)
        m_store.Day.weather = weather;
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
    s.job.start(
        m_host, kBulkWeatherCaption,
        [this, site, place, days, today, fetcher](Progress& progress,
                                                  const BulkJob<BulkWeatherReport>::Stopping& stopping) {
            BulkWeatherHooks hooks;
            hooks.write = [this](const QDate& date, const DayWeather& w) {
                try {
                    return UiThread::call([&] { return ApplyFetchedWeather(date, w); });
                } catch (const std::future_error&) {
                    return false;  // the application is gone
                }
            };
            hooks.confirmStop = [this, stopping] {
                if (stopping())
                    return true;
                UiThreadPrompt ask(m_prompt);
                return ask.ask(kMsgAskStopBulkWeather, Buttons::YesNo, Icon::Question) == Answer::Yes;
            };
            return RunBulkWeatherFetch(*fetcher, site, place, days, today, progress, hooks);
        },
        [this](const BulkWeatherReport& report) { finishBulkWeather(report); });
}

void CNotebook::finishBulkWeather(const BulkWeatherReport& report)
{
    m_weather->job.end(m_host);
    if (report.written > 0) {
        if (m_host && m_viewMode != ViewMode::None)
            SetViewMode(m_viewMode);
        return;
    }
    if (report.error.network != Msg::None)
        m_prompt.tell(report.error.network);
    m_prompt.tell(kMsgBulkWeatherFailed);
}

void CNotebook::StopBulkWeatherFetch()
{
    if (m_weather)
        m_weather->job.stop(m_host);
}
