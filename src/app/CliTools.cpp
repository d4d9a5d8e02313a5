#include "app/CliTools.h"
#include "app/CliCommon.h"
#include "app/CliMessages.h"

#include "app/HeadlessHost.h"

#include "app/CNotebook.h"
#include "app/ViewHost.h"
#include "store/BulkImport.h"
#include "photos/ExifDate.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/InstanceLock.h"
#include "platform/Files.h"
#include "platform/Progress.h"
#include "platform/Prompt.h"
#include "platform/Words.h"
#include "print/PrintSheets.h"
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

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace cli {
void complain(const std::string& text)
{
    std::fprintf(stderr, "kelto: %s\n", text.c_str());
}
void complain(const QString& text)
{
    complain(text.toStdString());
}
void say(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

QString badDate(const std::string& date)
{
    return Words::tr("--date must be a real date written YYYY-MM-DD, not \"%1\"")
        .arg(QString::fromStdString(date));
}
}  // namespace cli

using namespace cli;

namespace {
QString noNotebook()
{
    return Words::tr("no notebook: give --notebook DIR (Kelto.ini remembers none)");
}
// Why `folder` is no notebook: it has no Kelto.dat, or what it holds under that name is not a
// file this program wrote (a folder, a link, a pipe).
QString notNotebook(const std::string& folder)
{
    const QString name = QString::fromStdString(folder);
    if (!FolderExists(folder))
        return Words::tr("%1 is not a folder").arg(name);
    if (NotAFile(JoinPath(folder, kNotebookFileName)))
        return Words::tr("%1 is not a notebook folder: its Kelto.dat is not a regular file").arg(name);
    return Words::tr("not a notebook folder (no Kelto.dat): %1").arg(name);
}

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
        if (id == Msg::DaysBeforeStartDate) {
            // No one answers here: say what stays and how to change it, not the window's question.
            complain(Words::tr("days lie before the notebook's start date, which stays as it is "
                               "(kelto --move-start moves it back to the first day)"));
            return Answer::No;
        }
        complain(CliMessageText(id, text));
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
        complain(badDate(c.date));
        return 1;
    }
    std::string folder = notebookFolder(c, programFolder);
    if (folder.empty() || !IsNotebookFolder(folder)) {
        complain(folder.empty() ? noNotebook() : notNotebook(folder));
        return 1;
    }
    StderrPrompt prompt;
    HeadlessHost host;
    // Its own lock name: drawing a page must work while the window is open.
    CNotebook nb(programFolder, prompt, "KeltoRender-" + std::to_string(::getpid()));
    nb.SetCommandLineNotebook(folder);
    nb.Initialize(&host);
    if (!nb.host()) {
        complain(Words::tr("the notebook could not be opened"));
        return 1;
    }
    if (c.page == "calendar" || c.page == "graph" || c.page == "list") {
        nb.SetCurrentDate(date);
        nb.SetViewMode(c.page == "graph"  ? ViewMode::Graph
                       : c.page == "list" ? ViewMode::List
                                          : ViewMode::Calendar);
    } else {
        (void)nb.LoadDay(date);  // a notebook just opened holds no change to write first
        nb.SetViewMode(ViewMode::Detail);
    }
    QImageWriter writer(QString::fromStdString(c.outPath), "png");
    if (!writer.write(nb.pageBuffer())) {
        complain(
            Words::tr("cannot write %1: %2").arg(QString::fromStdString(c.outPath), writer.errorString()));
        return 1;
    }
    return 0;
}
}  // namespace

std::string cli::openableNotebook(const CommandLine& c, const std::string& programFolder)
{
    std::string folder = notebookFolder(c, programFolder);
    if (folder.empty() || !IsNotebookFolder(folder)) {
        complain(folder.empty() ? noNotebook() : notNotebook(folder));
        return {};
    }
    RemoveStaleNotebookTemporaries(folder);
    return folder;
}

namespace {
// EnableInternet=0 (the internet settings' switch) means no request at all: false, with the
// setting named on stderr, when it is off.
bool internetSwitchedOn(const std::string& programFolder)
{
    const std::string settings = AppFolders::ForProgram(programFolder).settingsFile();
    if (ReadSettingInt(settings, KeltoIni::EnableInternet) != 0)
        return true;
    complain(
        Words::tr("the internet is switched off in the settings (インターネット設定: EnableInternet=0 in "
                  "%1), so nothing was fetched; switch it on in the window (設定 → インターネット設定)")
            .arg(QString::fromStdString(settings)));
    return false;
}

// The observation place saved in Kelto.ini and the site of Weather.ini; false, with the reason
// on stderr, when either is missing.
bool savedWeatherSite(const std::string& programFolder, WeatherPlace& place, WeatherSite& site)
{
    const AppFolders folders = AppFolders::ForProgram(programFolder);
    const std::string& settings = folders.settingsFile();
    place = WeatherPlace{ReadSettingInt(settings, KeltoIni::Pref), ReadSettingInt(settings, KeltoIni::Place)};
    if (place.station == 0) {
        complain(CliMessageText(kMsgNoPlace));
        return false;
    }
    site = ReadWeatherSite(folders.kitFile("Weather.ini"));
    if (site.baseUrl.empty()) {
        complain(Words::tr("Weather.ini names no weather site ([Net] HostName)"));
        return false;
    }
    return true;
}

// The bulk weather fetch of the window, without it: same loop, same writes of the day files.
int fetchWeather(const CommandLine& c, const std::string& programFolder)
{
    const std::string folder = openableNotebook(c, programFolder);
    if (folder.empty() || !internetSwitchedOn(programFolder))
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
    Result unwritten;  // the day file that ended the run, with the system's reason
    hooks.write = [&](const QDate& date, const DayWeather& w) {
        unwritten = WriteFetchedWeather(folder, date, w);
        return unwritten.ok();
    };
    hooks.confirmStop = [] { return true; };
    hooks.monthFetched = [](int year, int month, const WeatherError* error) {
        const QString name = QDate(year, month, 1).toString(QStringLiteral("yyyy-MM"));
        if (!error) {
            say(Words::tr("%1: fetched").arg(name));
            return;
        }
        // The reason as the window gives it in Japanese, the library's words in English.
        const std::string why = Words::japanese() ? WeatherFaultText(*error) : error->detail;
        say(Words::tr("%1: failed (%2)").arg(name, QString::fromStdString(why)));
    };
    BulkWeatherReport r =
        RunBulkWeatherFetch(fetcher, site, place, days.dates, Clock::Today(), progress, hooks);
    say(Words::tr("%1 days written, %2 skipped (today or later), %3 requests")
            .arg(r.written)
            .arg(r.skipped)
            .arg(r.requests));
    int without = 0;
    for (const MonthFailure& m : r.failedMonths)
        without += m.days;
    if (without > 0 || r.notFetched > 0)
        say(Words::tr("%1 days without weather (%2 months failed), %3 days not asked")
                .arg(without)
                .arg(r.failedMonths.size())
                .arg(r.notFetched));
    if (r.failed || r.stopped) {
        if (r.failed && r.failedDay != r.unwrittenDay)
            complain((r.error.network != Msg::None ? CliMessageText(r.error.network) + " " : std::string())
                     + r.error.detail);
        if (r.unwrittenDay.isValid())
            complain(r.unwrittenDay.toString(Qt::ISODate).toStdString() + ": " + CliResultText(unwritten));
        if (!r.failed)
            complain(Words::tr("stopped"));
        return 1;
    }
    if (r.written == 0 && r.skipped == 0 && days.count() == 0)
        say(Words::tr("the notebook has no days"));
    return 0;
}
// Days before the notebook's start date count back from it. With `move` the start date becomes
// the first day's date; without, the user is told and it stays. False when it could not be
// written.
bool daysBeforeStart(const std::string& folder, bool move)
{
    const std::optional<QDate> start = ParseStartDate(ReadNotebookInfo(folder).StartDate);
    const DayList days = ScanDayList(folder);
    const QString name = QString::fromStdString(folder);
    if (!start || !days.first.isValid() || days.first >= *start) {
        if (move)
            say(Words::tr("no day lies before the start date of %1: it stays as it is").arg(name));
        return true;
    }
    const QString from = start->toString(Qt::ISODate), first = days.first.toString(Qt::ISODate);
    if (!move) {
        say(Words::tr("days lie before the start date %1 and count back from it; the first is %2. "
                      "To start the notebook on that day: kelto --move-start --notebook %3")
                .arg(from, first, name));
        return true;
    }
    if (const Result r = WriteNotebookKey(folder, "StartDate", FormatIniDate(days.first)); !r) {
        complain(CliResultText(r));
        return false;
    }
    say(Words::tr("the start date was moved from %1 back to %2, the first day").arg(from, first));
    return true;
}

int moveStart(const CommandLine& c, const std::string& programFolder)
{
    const std::string folder = openableNotebook(c, programFolder);
    return !folder.empty() && daysBeforeStart(folder, true) ? 0 : 1;
}

// The bulk photo import of the window, without it: the same run writes the same day files.
int importPhotos(const CommandLine& c, const std::string& programFolder)
{
    const std::string folder = openableNotebook(c, programFolder);
    if (folder.empty() || (c.weather && !internetSwitchedOn(programFolder)))
        return 1;
    // The day files keep the photo's full path, wherever the program was started.
    std::error_code ec;
    const std::string photoFolder = std::filesystem::absolute(c.photoFolder, ec).lexically_normal().string();
    std::vector<std::string> files = ListPhotoFiles(photoFolder);
    if (files.empty()) {
        complain(CliMessageText(Msg::NoPhotosInFolder) + " " + c.photoFolder);
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
            return ImportDayWeather(*pages, folder, date, out, &weatherError);
        };
    }
    ConsoleProgress progress;
    progress.cancelOnInterrupt();
    BulkImportReport r = RunBulkImport(files, options, progress, hooks);
    std::fputs(BulkImportSummary(r, Words::japanese() ? SummaryLanguage::Japanese : SummaryLanguage::English)
                   .c_str(),
               stdout);
    if (pages)
        say(Words::tr("weather pages fetched: %1").arg(pages->requests()));
    if (r.failed) {
        complain(CliMessageText(Msg::BulkImportFailed) + " "
                 + (r.failure.message == Msg::WeatherFetchFailed ? weatherError.detail
                                                                 : CliResultText(r.failure)));
        return 1;
    }
    const bool startTold = r.imported == 0 || daysBeforeStart(folder, c.moveStart);
    if (r.stopped) {
        complain(Words::tr("stopped"));
        return 1;
    }
    return startTold ? 0 : 1;
}
// The print dialog's pagination into a PDF file, without a window: the notebook opened as the
// window opens it, the day of --date on show on its detail page.
int printPdf(const CommandLine& c, const std::string& programFolder)
{
    QDate date = Clock::Today();
    if (!c.date.empty()) {
        date = QDate::fromString(QString::fromStdString(c.date), Qt::ISODate);
        if (!date.isValid() || c.date.size() != 10) {
            complain(badDate(c.date));
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
        complain(Words::tr("the notebook could not be opened"));
        return 1;
    }
    (void)nb.LoadDay(date);  // a notebook just opened holds no change to write first
    nb.SetViewMode(ViewMode::Detail);
    if (const Result printed = nb.PrintToPdf(c.outPath, options); !printed) {
        complain(printed.message == Msg::NothingToPrint
                     ? Words::tr("nothing to print: no pages of the chosen kinds in the range").toStdString()
                     : PdfFailureText(printed));
        return 1;
    }
    return 0;
}

// The folders in use, one "name<TAB>path" line each ("-" for none), control characters escaped.
int printFolders(const std::string& programFolder)
{
    const AppFolders folders = AppFolders::ForProgram(programFolder);
    const std::string userFolder = folders.userFolder().empty() ? "-" : folders.userFolder();
    std::printf("mode\t%s\nprogram\t%s\nsettings\t%s\nuser-files\t%s\nnotebooks\t%s\nlock\t%s\n",
                folders.modeName(), EscapedLine(folders.programFolder()).c_str(),
                EscapedLine(folders.settingsFile()).c_str(), EscapedLine(userFolder).c_str(),
                EscapedLine(ReadDataRoot(folders)).c_str(), EscapedLine(InstanceLock().path()).c_str());
    return 0;
}
}  // namespace

int RunCommandLineTool(const CommandLine& c, const std::string& programFolder)
{
    switch (c.action) {
    case CommandLine::Action::Help:
        std::fputs(CommandLineHelp().c_str(), stdout);
        return 0;
    case CommandLine::Action::Error:
        complain(CommandLineError(c));
        std::fputs(CommandLineHelp().c_str(), stderr);
        return 1;
    case CommandLine::Action::ExportCsv: {
        std::string folder = notebookFolder(c, programFolder);
        if (folder.empty()) {
            complain(noNotebook());
            return 1;
        }
        if (const Result exported = ExportNotebookCsv(folder, c.outPath); !exported) {
            const QString path = QString::fromStdString(exported.path);
            complain(exported.message == Msg::NotNotebookFolder
                         ? notNotebook(folder)
                         : Words::tr("cannot write the file: %1").arg(path)
                               + QString::fromStdString(
                                   exported.detail.empty() ? "" : " (" + exported.detail + ")"));
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
    case CommandLine::Action::ExportWeb:
        return exportWeb(c, programFolder);
    case CommandLine::Action::Where:
        return printFolders(programFolder);
    case CommandLine::Action::MoveStart:
        return moveStart(c, programFolder);
    default:
        complain(Words::tr("this option is not available"));
        return 1;
    }
}
