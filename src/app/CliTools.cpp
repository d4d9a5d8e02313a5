#include "app/CliTools.h"

#include "app/HeadlessHost.h"

#include "animation/AnimationPlayer.h"
#include "animation/VideoExport.h"
#include "app/CNotebook.h"
#include "app/ViewHost.h"
#include "photos/BulkImport.h"
#include "photos/ExifDate.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/InstanceLock.h"
#include "platform/Files.h"
#include "platform/Progress.h"
#include "platform/Prompt.h"
#include "res/Strings.h"
#include "store/CsvExport.h"
#include "store/DataFolders.h"
#include "store/DayList.h"
#include "store/KeltoIni.h"
#include "store/NotebookFile.h"
#include "weather/BulkWeatherFetch.h"
#include "weather/CurlPageFetcher.h"

#include <QDate>
#include <QImageWriter>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {
// --notebook, or the notebook remembered in Kelto.ini.
std::string notebookFolder(const CommandLine& c, const std::string& programFolder)
{
    if (!c.notebook.empty())
        return c.notebook;
    const AppFolders folders = AppFolders::ForProgram(programFolder);
    std::string name = ReadSettingText(folders.settingsFile(), KeltoIni::DataName);
    if (name.empty())
        return {};
    std::string root = ReadDataRoot(folders);
    return JoinPath(root, FindNotebookFolderName(root, name));
}
// Questions get the answer that changes nothing; messages go to stderr.
class StderrPrompt : public Prompt {
public:
    Answer ask(Msg id, Buttons buttons, Icon, const std::string& text) override
    {
        std::fprintf(stderr, "kelto: %s\n", text.empty() ? LoadString(id) : text.c_str());
        switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return Answer::Cancel;
        default:
            return Answer::No;
        }
    }
};

int renderPage(const CommandLine& c, const std::string& programFolder)
{
    QDate date = QDate::fromString(QString::fromStdString(c.date), Qt::ISODate);
    if (!date.isValid() || c.date.size() != 10) {
        std::fprintf(stderr, "kelto: --date must be a real date written YYYY-MM-DD, not \"%s\"\n",
                     c.date.c_str());
        return 1;
    }
    std::string folder = notebookFolder(c, programFolder);
    if (folder.empty()) {
        std::fprintf(stderr, "kelto: no notebook: give --notebook DIR (Kelto.ini remembers none)\n");
        return 1;
    }
    if (!IsNotebookFolder(folder)) {
        std::fprintf(stderr, "kelto: %s is not a notebook folder\n", folder.c_str());
        return 1;
    }
    StderrPrompt prompt;
    HeadlessHost host;
    // Its own lock name: drawing a page must work while the window is open.
    CNotebook nb(programFolder, prompt, "KeltoRender-" + std::to_string(::getpid()));
    nb.SetCommandLineNotebook(folder);
    nb.Initialize(&host);
    if (!nb.host()) {
        std::fprintf(stderr, "kelto: the notebook could not be opened\n");
        return 1;
    }
    if (c.page == "calendar" || c.page == "graph" || c.page == "list") {
        nb.SetCurrentDate(date);
        nb.SetViewMode(c.page == "graph"  ? ViewMode::Graph
                       : c.page == "list" ? ViewMode::List
                                          : ViewMode::Calendar);
    } else {
        nb.LoadDay(date);
        nb.SetViewMode(ViewMode::Detail);
    }
    QImageWriter writer(QString::fromStdString(c.outPath), "png");
    if (!writer.write(nb.pageBuffer())) {
        std::fprintf(stderr, "kelto: cannot write %s: %s\n", c.outPath.c_str(),
                     writer.errorString().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
// The notebook a command works on; empty, with the reason on stderr, when there is none.
std::string openableNotebook(const CommandLine& c, const std::string& programFolder)
{
    std::string folder = notebookFolder(c, programFolder);
    if (folder.empty() || !IsNotebookFolder(folder)) {
        std::fprintf(stderr, "kelto: no notebook: give --notebook DIR (Kelto.ini remembers none)\n");
        return {};
    }
    return folder;
}

// The observation place saved in Kelto.ini and the site of Weather.ini; false, with the reason
// on stderr, when either is missing.
bool savedWeatherSite(const std::string& programFolder, WeatherPlace& place, WeatherSite& site)
{
    const AppFolders folders = AppFolders::ForProgram(programFolder);
    const std::string& settings = folders.settingsFile();
    place = WeatherPlace{ReadSettingInt(settings, KeltoIni::Pref), ReadSettingInt(settings, KeltoIni::Place)};
    if (place.station == 0) {
        std::fprintf(stderr, "kelto: %s\n", LoadString(kMsgNoPlace));
        return false;
    }
    site = ReadWeatherSite(folders.kitFile("Weather.ini"));
    if (site.baseUrl.empty()) {
        std::fprintf(stderr, "kelto: Weather.ini names no weather site ([Net] HostName)\n");
        return false;
    }
    return true;
}

// The bulk weather fetch of the window, without it: same loop, same writes of the day files.
int fetchWeather(const CommandLine& c, const std::string& programFolder)
{
    const std::string folder = openableNotebook(c, programFolder);
    if (folder.empty())
        return 1;
    WeatherPlace place;
    WeatherSite site;
    if (!savedWeatherSite(programFolder, place, site))
        return 1;
    DayList days = ScanDayList(folder);
    CurlPageFetcher fetcher;
    ConsoleProgress progress;
    progress.cancelOnInterrupt();
    BulkWeatherHooks hooks;
    hooks.write = [&](const QDate& date, const DayWeather& w) { return WriteDayWeather(folder, date, w); };
    hooks.confirmStop = [] { return true; };
    hooks.monthFetched = [](int year, int month, bool ok) {
        std::printf("%04d-%02d: %s\n", year, month, ok ? "fetched" : "failed");
        std::fflush(stdout);
    };
    BulkWeatherReport r =
        RunBulkWeatherFetch(fetcher, site, place, days.dates, Clock::Today(), progress, hooks);
    std::printf("%d days written, %d skipped (today or later), %d requests\n", r.written, r.skipped,
                r.requests);
    if (r.failed || r.stopped) {
        if (r.failed)
            std::fprintf(stderr, "kelto: %s%s%s\n",
                         r.error.network != Msg::None ? LoadString(r.error.network) : "",
                         r.error.network != Msg::None ? " " : "", r.error.detail.c_str());
        else
            std::fprintf(stderr, "kelto: stopped\n");
        return 1;
    }
    if (r.written == 0 && r.skipped == 0 && days.count() == 0)
        std::printf("the notebook has no days\n");
    return 0;
}
// The bulk photo import of the window, without it: the same run writes the same day files.
int importPhotos(const CommandLine& c, const std::string& programFolder)
{
    const std::string folder = openableNotebook(c, programFolder);
    if (folder.empty())
        return 1;
    // The day files keep the photo's full path, wherever the program was started.
    std::error_code ec;
    const std::string photoFolder = std::filesystem::absolute(c.photoFolder, ec).lexically_normal().string();
    std::vector<std::string> files = ListPhotoFiles(photoFolder);
    if (files.empty()) {
        std::fprintf(stderr, "kelto: %s: %s\n", LoadString(Msg::NoPhotosInFolder), c.photoFolder.c_str());
        return 1;
    }
    std::string settings = AppFolders::ForProgram(programFolder).settingsFile();
    BulkImportOptions options;
    options.notebookFolder = folder;
    options.pictures = ReadPictureSettings(settings);
    options.today = Clock::Today();
    options.rotation = c.rotate == "cw"     ? RotationChoice::Clockwise
                       : c.rotate == "ccw"  ? RotationChoice::Anticlockwise
                       : c.rotate == "cut"  ? RotationChoice::CutTopBottom
                       : c.rotate == "keep" ? RotationChoice::KeepTopBottom
                                            : RotationChoice::None;
    BulkImportHooks hooks;
    hooks.confirmStop = [] { return true; };
    CurlPageFetcher fetcher;
    std::optional<MonthPageReuse> pages;
    WeatherError weatherError;
    if (c.weather) {
        WeatherPlace place;
        WeatherSite site;
        if (!savedWeatherSite(programFolder, place, site))
            return 1;
        pages.emplace(fetcher, site, place);
        hooks.weather = [&](const QDate& date, DayWeather& out) {
            std::optional<DayWeather> w = pages->day(date, &weatherError);
            if (!w)
                return DayWeatherOutcome::Failed;
            out = *w;
            return DayWeatherOutcome::Fetched;
        };
    }
    ConsoleProgress progress;
    progress.cancelOnInterrupt();
    BulkImportReport r = RunBulkImport(files, options, progress, hooks);
    std::fputs(BulkImportSummary(r).c_str(), stdout);
    if (pages)
        std::printf("weather pages fetched: %d\n", pages->requests());
    if (r.failed) {
        std::fprintf(stderr, "kelto: %s %s\n", LoadString(Msg::BulkImportFailed),
                     weatherError.detail.c_str());
        return 1;
    }
    if (r.stopped) {
        std::fprintf(stderr, "kelto: stopped\n");
        return 1;
    }
    return 0;
}
// The print dialog's pagination into a PDF file, without a window: the notebook opened as the
// window opens it, the day of --date on show on its detail page.
int printPdf(const CommandLine& c, const std::string& programFolder)
{
    QDate date = Clock::Today();
    if (!c.date.empty()) {
        date = QDate::fromString(QString::fromStdString(c.date), Qt::ISODate);
        if (!date.isValid() || c.date.size() != 10) {
            std::fprintf(stderr, "kelto: --date must be a real date written YYYY-MM-DD, not \"%s\"\n",
                         c.date.c_str());
            return 1;
        }
    }
    PrintOptions options;
    options.range = c.range == "day"     ? PrintRange::ShownPage
                    : c.range == "month" ? PrintRange::ShownMonth
                                         : PrintRange::AllData;
    if (!c.kinds.empty()) {
        const std::string kinds = "," + c.kinds + ",";
        options.detail = kinds.find(",detail,") != std::string::npos;
        options.graph = kinds.find(",graph,") != std::string::npos;
        options.list = kinds.find(",list,") != std::string::npos;
    } else {
        options.detail = options.graph = options.list = true;
    }
    const std::string folder = openableNotebook(c, programFolder);
    if (folder.empty())
        return 1;
    StderrPrompt prompt;
    HeadlessHost host;
    // Its own lock name: printing must work while the window is open.
    CNotebook nb(programFolder, prompt, "KeltoPrint-" + std::to_string(::getpid()));
    nb.SetCommandLineNotebook(folder);
    nb.Initialize(&host);
    if (!nb.host()) {
        std::fprintf(stderr, "kelto: the notebook could not be opened\n");
        return 1;
    }
    nb.LoadDay(date);
    nb.SetViewMode(ViewMode::Detail);
    std::string error;
    if (!nb.PrintToPdf(c.outPath, options, &error)) {
        std::fprintf(stderr, "kelto: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

// The menu's video export without the window: the same frames, alignment and writer.
int exportVideo(const CommandLine& c, const std::string& programFolder)
{
    const std::string folder = openableNotebook(c, programFolder);
    if (folder.empty())
        return 1;
    const std::string settings = AppFolders::ForProgram(programFolder).settingsFile();
    VideoExportJob job;
    job.notebookFolder = folder;
    job.frames = ScanFrames(folder);
    job.geometry = ReadFrameGeometry(settings);
    job.speed = ReadVideoSpeed(settings);
    job.path = VideoTargetPath(c.outPath);
    VideoExportReport r;
    {
        // Ends its line before anything else is printed.
        ConsoleProgress progress;
        progress.cancelOnInterrupt();
        progress.setText(LoadString(Msg::VideoExportRunning));
        r = ExportVideo(job, progress);
    }
    if (r.stopped) {
        std::fprintf(stderr, "kelto: stopped; %s was not written\n", job.path.c_str());
        return 1;
    }
    if (!r.ok()) {
        std::fprintf(stderr, "kelto: %s\n", ResultText(r.result).c_str());
        return 1;
    }
    std::printf("%d frames at %d per second written to %s\n", r.written, job.speed, job.path.c_str());
    return 0;
}

// Answers as the user who asked for the run: yes to running it over the following frames, and
// to replacing days aligned before as --replace says. What the run tells is printed; any other
// message (a day file that could not be written) makes the run a failure.
class AutoAlignPrompt : public Prompt {
public:
    explicit AutoAlignPrompt(bool replace) : m_replace(replace) {}
    bool failed = false;

    Answer ask(Msg id, Buttons buttons, Icon, const std::string& text) override
    {
        const std::string shown = text.empty() ? LoadString(id) : text;
        switch (id) {
        case Msg::ConfirmAutoAlignFollowing:
            return Answer::Yes;
        case Msg::ReplaceStoredAlignments:
            std::printf("%s %s\n", shown.c_str(), m_replace ? "(--replace: yes)" : "(no)");
            return m_replace ? Answer::Yes : Answer::No;
        case Msg::AutoAlignDone:
        case Msg::AutoAlignSomeMissed:
            std::printf("%s\n", shown.c_str());
            return Answer::Ok;
        default:
            std::fprintf(stderr, "kelto: %s\n", shown.c_str());
            failed = true;
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        }
    }

private:
    bool m_replace;
};

// The animation editor's run of automatic alignment over the following frames, without the
// window: the same player, started on the first photo day on --date or later.
int autoAlign(const CommandLine& c, const std::string& programFolder)
{
    QDate from;
    if (!c.date.empty()) {
        from = QDate::fromString(QString::fromStdString(c.date), Qt::ISODate);
        if (!from.isValid() || c.date.size() != 10) {
            std::fprintf(stderr, "kelto: --date must be a real date written YYYY-MM-DD, not \"%s\"\n",
                         c.date.c_str());
            return 1;
        }
    }
    const std::string folder = openableNotebook(c, programFolder);
    if (folder.empty())
        return 1;
    const std::vector<QDate> frames = ScanFrames(folder);
    if (frames.size() < 2) {
        std::fprintf(stderr, "kelto: %s\n", LoadString(Msg::TooFewPhotoDays));
        return 1;
    }
    AutoAlignPrompt prompt(c.replace);
    const std::optional<QDate> startDate = ParseStartDate(ReadNotebookInfo(folder).StartDate);
    const std::string settings = AppFolders::ForProgram(programFolder).settingsFile();
    AnimationPlayer player(NotebookAnimationSetup(folder, settings, startDate,
                                                  from.isValid() ? from : frames.front(),
                                                  AnimationMode::Edit),
                           prompt);
    player.Open();
    {
        ConsoleProgress progress;
        progress.cancelOnInterrupt();
        progress.setText("自動位置合わせ");
        player.AutoAlignFollowing([&](int done, int total) {
            progress.setRange(total);
            progress.setValue(done);
            return !progress.cancelled();
        });
    }
    player.Close();
    return prompt.failed ? 1 : 0;
}
// The folders in use, one "name<TAB>path" line each ("-" for none).
int printFolders(const std::string& programFolder)
{
    const AppFolders folders = AppFolders::ForProgram(programFolder);
    const std::string userFolder = folders.userFolder().empty() ? "-" : folders.userFolder();
    std::printf("mode\t%s\nprogram\t%s\nsettings\t%s\nuser-files\t%s\nnotebooks\t%s\nlock\t%s\n",
                folders.modeName(), folders.programFolder().c_str(), folders.settingsFile().c_str(),
                userFolder.c_str(), ReadDataRoot(folders).c_str(), InstanceLock().path().c_str());
    return 0;
}
}  // namespace

int RunCommandLineTool(const CommandLine& c, const std::string& programFolder)
{
    switch (c.action) {
    case CommandLine::Action::Help:
        std::fputs(CommandLineHelp(), stdout);
        return 0;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "kelto: %s\n%s", c.error.c_str(), CommandLineHelp());
        return 1;
    case CommandLine::Action::ExportCsv: {
        std::string folder = notebookFolder(c, programFolder);
        if (folder.empty()) {
            std::fprintf(stderr, "kelto: no notebook: give --notebook DIR (Kelto.ini remembers none)\n");
            return 1;
        }
        std::string error;
        if (!ExportNotebookCsv(folder, c.outPath, &error)) {
            std::fprintf(stderr, "kelto: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    case CommandLine::Action::Render:
        return renderPage(c, programFolder);
    case CommandLine::Action::PhotoDate: {
        int status = 0;
        for (const std::string& file : c.files) {
            // The import's own reading of the date.
            PhotoExif exif = ReadPhotoExif(file);
            if (!exif.readable)
                status = 1;
            const std::string date = exif.date ? exif.date->toString(Qt::ISODate).toStdString() : "-";
            std::printf("%s\t%s\n", date.c_str(), file.c_str());
        }
        return status;
    }
    case CommandLine::Action::FetchWeather:
        return fetchWeather(c, programFolder);
    case CommandLine::Action::ImportPhotos:
        return importPhotos(c, programFolder);
    case CommandLine::Action::PrintPdf:
        return printPdf(c, programFolder);
    case CommandLine::Action::ExportVideo:
        return exportVideo(c, programFolder);
    case CommandLine::Action::AutoAlign:
        return autoAlign(c, programFolder);
    case CommandLine::Action::Where:
        return printFolders(programFolder);
    default:
        std::fprintf(stderr, "kelto: this option is not available\n");
        return 1;
    }
}
