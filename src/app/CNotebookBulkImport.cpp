// The bulk photo import of the controller: the questions before the run, the worker behind
// the progress dialog and the end of the run. The worker gets values (folder, settings, its
// own day records) and hands each day to the user-interface thread, which writes it; it asks
// its questions there too and never touches a widget.
#include "app/CNotebook.h"

#include "app/BulkJob.h"
#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/FolderBrowser.h"
#include "platform/Progress.h"
#include "platform/Prompt.h"
#include "platform/TextCodec.h"
#include "platform/UiThread.h"
#include "res/Strings.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <atomic>
#include <mutex>
#include <thread>

struct BulkImportState {
    BulkJob<BulkImportReport> job;
};

namespace {
BulkImportState& state(std::shared_ptr<BulkImportState>& s)
{
    if (!s)
        s = std::make_shared<BulkImportState>();
    return *s;
}

// The question for a photo without a date, naming it; Enter skips only this photo.
UndatedAnswer undatedAnswer(JobLink& link, const std::string& path)
{
    std::string text = LoadString(Msg::PhotoWithoutDateNamed);
    if (size_t at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, DecodeFileName(LastComponent(path)));
    switch (link.ask(Msg::PhotoWithoutDateNamed, Buttons::YesNoCancel, Icon::Question, text)) {
    case Answer::Yes:
        return UndatedAnswer::Skip;
    case Answer::No:
        return UndatedAnswer::SkipAll;
    default:
        return UndatedAnswer::Stop;
    }
}
}  // namespace

bool CNotebook::BulkImportRunning() const
{
    return m_bulkImport && m_bulkImport->job.running();
}

BulkImportReport CNotebook::LastBulkImportReport() const
{
    if (!m_bulkImport)
        return {};
    return m_bulkImport->job.lastReport();
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
    if (m_notebookFolder.empty() || refuseWhileJobRuns())
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
    m_rotationChoice = RotationChoice::None;
    std::optional<std::string> folder =
        browser.BrowseForFolder({}, LoadString(Msg::ChooseBulkPhotoFolder), true);
    if (!folder)
        return;
    WeatherPlace place = SavedWeatherPlace();
    if (weather && place.station == 0) {
        m_prompt.tell(kMsgNoPlace);
        return;
    }
    BulkImportOptions options;
    options.notebookFolder = m_notebookFolder;
    options.pictures = m_pictures;
    options.today = Clock::Today();
    WeatherSite site = WeatherSiteNow();
    PageFetcher* fetcher = weather ? &pageFetcher() : nullptr;
    auto weatherError = std::make_shared<WeatherError>();  // written by the worker, read at the end
    JobDesk desk;
    desk.prompt = &m_prompt;
    desk.writeDay = [this](const DayRecord& day) { return ApplyImportedDay(day); };
    desk.askRotation = [this](const RotateRequest& request) {
        return m_host ? m_host->RunRotateDialog(request) : RotateAnswer{};
    };
    s.job.start(
        m_host, Msg::BulkImportRunning, std::move(desk),
        [folder = *folder, options, site, place, fetcher, months = weatherMonths(),
         weatherError](JobLink& link) {
            BulkImportHooks hooks;
            hooks.askRotation = [&link](const RotateRequest& request) { return link.askRotation(request); };
            hooks.askUndated = [&link](const std::string& path) {
                return link.stopping() ? UndatedAnswer::Stop : undatedAnswer(link, path);
            };
            hooks.confirmStop = [&link] {
                return link.stopping()
                       || link.ask(Msg::ConfirmCancelBulkImport, Buttons::YesNo, Icon::Question)
                              == Answer::Yes;
            };
            std::optional<MonthPageReuse> pages;
            if (fetcher) {
                pages.emplace(*fetcher, site, place, &link.progress(), hooks.confirmStop, months);
                hooks.weather = [&pages, &options, weatherError](const QDate& date, DayWeather& out) {
                    return ImportDayWeather(*pages, options.notebookFolder, date, out, weatherError.get());
                };
            }
            hooks.stoppedWithoutAsking = [&link] { return link.stopping(); };
            hooks.write = [&link, &options](const DayRecord& day) {
                return link.writeDay(day).value_or(Result::Failed(
                    Msg::PictureSaveFailed, DayFilePath(options.notebookFolder, day.date, "jpg")));
            };
            return RunBulkImport(ListPhotoFiles(folder), options, link.progress(), hooks);
        },
        [this, weatherError](const BulkImportReport& report) { finishBulkImport(report, *weatherError); });
}

void CNotebook::finishBulkImport(const BulkImportReport& report, const WeatherError& weatherError)
{
    m_bulkImport->job.end(m_host);
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
    if (report.matching == 0) {
        m_prompt.tell(Msg::NoPhotosInFolder);
    } else if (report.failed) {
        // A weather failure says which month and why, as the bulk weather fetch does.
        const std::string cause =
            report.failure.message == Msg::WeatherFetchFailed && report.failedDay.isValid()
                ? "\n" + MonthFailureText(report.failedDay.year(), report.failedDay.month(), weatherError)
                : std::string();
        m_prompt.tell(Msg::BulkImportFailed, Icon::Exclamation,
                      std::string(LoadString(Msg::BulkImportFailed)) + cause + "\n\n" + summary);
    } else {
        m_prompt.tell(Msg::BulkImportRunning, Icon::Information, summary);
    }
}

void CNotebook::StopBulkImport()
{
    if (m_bulkImport)
        m_bulkImport->job.stop(m_host);
}
