// The bulk photo import of the controller: the questions before the run, the worker behind
// the progress dialog and the end of the run. The worker gets values (folder, settings, its
// own day records) and hands each day to the user-interface thread, which writes it; it asks
// its questions there too and never touches a widget.
#include "app/CNotebook.h"

#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/FolderBrowser.h"
#include "platform/Progress.h"
#include "platform/Prompt.h"
#include "platform/UiThread.h"
#include "res/Strings.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <atomic>
#include <mutex>
#include <thread>

namespace {
class SilentProgress : public Progress {
public:
    void setRange(int) override {}
    void setValue(int) override {}
    void setText(const std::string&) override {}
};
}  // namespace

struct BulkImportState {
    std::thread worker;
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};   // shutdown: the worker stops without asking
    std::atomic<bool> workerDone{true};  // the worker has nothing left to ask of this thread
    Progress* progress = nullptr;
    SilentProgress silent;
    mutable std::mutex reportMutex;
    BulkImportReport lastReport;
    int threads = 0;
};

namespace {
BulkImportState& state(std::shared_ptr<BulkImportState>& s)
{
    if (!s)
        s = std::make_shared<BulkImportState>();
    return *s;
}
}  // namespace

bool CNotebook::BulkImportRunning() const
{
    return m_bulkImport && m_bulkImport->running;
}

BulkImportReport CNotebook::LastBulkImportReport() const
{
    if (!m_bulkImport)
        return {};
    std::lock_guard lock(m_bulkImport->reportMutex);
    return m_bulkImport->lastReport;
}

void CNotebook::SetBulkImportThreads(int threads)
{
    state(m_bulkImport).threads = threads;
}

Result CNotebook::ApplyImportedDay(const DayRecord& day)
{
    Result r = WriteDayFiles(m_notebookFolder, day, m_pictures);
    if (!r)
        return r;
    // The day held now takes the new photo (and weather), so its next flush keeps them; its
    // measurements and unsaved edits stay as they are.
    if (m_store.Day.date == day.date) {
        m_store.Day.picture = day.picture;
        m_store.Day.sourcePath = day.sourcePath;
        if (day.weather)
            m_store.Day.weather = day.weather;
    }
    return r;
}

void CNotebook::StartBulkImport(FolderBrowser& browser)
{
    BulkImportState& s = state(m_bulkImport);
    if (s.running || BulkWeatherRunning() || m_notebookFolder.empty())
        return;
    bool weather = false;
    if (m_internetEnabled) {
        Answer a = m_prompt.ask(Msg::ChooseBulkImportFolder, Buttons::YesNoCancel, Icon::Question);
        if (a == Answer::Cancel)
            return;
        weather = a == Answer::Yes;
    }
    if (!FlushDay())
        return;
    ForgetRotationChoice();
    std::optional<std::string> folder =
        browser.BrowseForFolder({}, LoadString(Msg::ChooseBulkPhotoFolder), true);
    if (!folder)
        return;
    WeatherPlace place = SavedWeatherPlace();
    if (weather && place.station == 0) {
        m_prompt.tell(kMsgNoPlace);
        return;
    }
    if (s.worker.joinable())
        s.worker.join();
    Progress* progress = m_host ? m_host->ShowProgressDialog(LoadString(Msg::BulkImportRunning)) : nullptr;
    s.progress = progress ? progress : &s.silent;
    s.progress->reset();
    s.stopping = false;
    s.running = true;
    s.workerDone = false;

    BulkImportOptions options;
    options.notebookFolder = m_notebookFolder;
    options.pictures = m_pictures;
    options.threads = s.threads;
    options.today = Clock::Today();
    WeatherSite site = WeatherSiteNow();
    PageFetcher* fetcher = weather ? &pageFetcher() : nullptr;
    std::weak_ptr<BulkImportState> weak = m_bulkImport;
    s.worker =
        std::thread([this, weak, folder = *folder, options, site, place, fetcher, progress = s.progress] {
            auto stopping = [weak] {
                auto st = weak.lock();
                return !st || st->stopping;
            };
            BulkImportHooks hooks;
            hooks.askRotation = [this, stopping](const RotateRequest& request) {
                if (stopping())
                    return RotateAnswer{};
                try {
                    return UiThread::call(
                        [&] { return m_host ? m_host->RunRotateDialog(request) : RotateAnswer{}; });
                } catch (const std::future_error&) {
                    return RotateAnswer{};
                }
            };
            hooks.stopOnUndated = [this, stopping](const std::string&) {
                if (stopping())
                    return true;
                UiThreadPrompt ask(m_prompt);
                return ask.ask(Msg::PhotoWithoutDate, Buttons::YesNo, Icon::Question) == Answer::Yes;
            };
            hooks.confirmStop = [this, stopping] {
                if (stopping())
                    return true;
                UiThreadPrompt ask(m_prompt);
                return ask.ask(Msg::ConfirmCancelBulkImport, Buttons::YesNo, Icon::Question) == Answer::Yes;
            };
            std::optional<MonthPageReuse> pages;
            if (fetcher) {
                pages.emplace(*fetcher, site, place, progress);
                hooks.weather = [&pages](const QDate& date, DayWeather& out) {
                    std::optional<DayWeather> w = pages->day(date, nullptr);
                    if (!w)
                        return DayWeatherOutcome::Failed;
                    out = *w;
                    return DayWeatherOutcome::Fetched;
                };
            }
            hooks.write = [this, &options](const DayRecord& day) {
                try {
                    return UiThread::call([&] { return ApplyImportedDay(day); });
                } catch (const std::future_error&) {
                    return Result::Failed(Msg::PictureSaveFailed,
                                          DayFilePath(options.notebookFolder, day.date, "jpg"));
                }
            };
            BulkImportReport report = RunBulkImport(ListPhotoFiles(folder), options, *progress, hooks);
            if (auto st = weak.lock()) {
                std::lock_guard lock(st->reportMutex);
                st->lastReport = report;
            }
            UiThread::post([this, weak, report] {
                auto st = weak.lock();
                if (!st || st->stopping)
                    return;
                finishBulkImport(report);
            });
            if (auto st = weak.lock())
                st->workerDone = true;
        });
}

void CNotebook::finishBulkImport(const BulkImportReport& report)
{
    BulkImportState& s = *m_bulkImport;
    if (s.worker.joinable())
        s.worker.join();
    s.running = false;
    if (m_host)
        m_host->HideProgressDialog();
    m_rotationChoice = report.rotation;
    if (report.imported > 0) {
        RescanDays();
        // The run ends on the last imported photo's day, as its page shows.
        if (report.lastDate.isValid() && LoadDay(report.lastDate))
            SetCalendarMonth(report.lastDate.year(), report.lastDate.month());
        if (m_host && m_viewMode != ViewMode::None)
            SetViewMode(m_viewMode);
    }
    const std::string summary = BulkImportSummary(report);
    if (report.matching == 0)
        m_prompt.tell(Msg::NoPhotosInFolder);
    else if (report.failed)
        m_prompt.tell(Msg::BulkImportFailed, Icon::Exclamation,
                      std::string(LoadString(Msg::BulkImportFailed)) + "\n\n" + summary);
    else
        m_prompt.tell(Msg::BulkImportRunning, Icon::Information, summary);
}

void CNotebook::StopBulkImport()
{
    if (!m_bulkImport || !m_bulkImport->worker.joinable())
        return;
    BulkImportState& s = *m_bulkImport;
    s.stopping = true;
    if (s.progress)
        s.progress->cancel();
    // The worker may be waiting for this thread to write a day: keep serving it until it ends.
    if (QCoreApplication::instance() && UiThread::isCurrent())
        while (!s.workerDone)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    s.worker.join();
    s.running = false;
    if (m_host)
        m_host->HideProgressDialog();
}
