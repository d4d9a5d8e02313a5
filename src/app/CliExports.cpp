// The command-line forms of the exports and of the automatic alignment: the same jobs the
// menus run, with a progress line on the console.
#include "app/CliCommon.h"
#include "app/CliMessages.h"

#include "animation/AnimationPlayer.h"
#include "animation/VideoExport.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Progress.h"
#include "platform/Prompt.h"
#include "platform/Words.h"
#include "res/Strings.h"
#include "store/NotebookFile.h"
#include "web/WebExport.h"

#include <QDate>

#include <functional>

using namespace cli;

namespace {
// Answers as the user who asked for the run: yes to running it over the following frames, and
// to replacing days aligned before as --replace says. What the run tells is printed; any other
// message (a day file that could not be written) makes the run a failure.
class AutoAlignPrompt : public Prompt {
public:
    explicit AutoAlignPrompt(bool replace) : m_replace(replace) {}
    bool failed = false;

    Answer ask(Msg id, Buttons buttons, Icon, const std::string& text) override
    {
        const std::string shown = CliMessageText(id, text);
        switch (id) {
        case Msg::ConfirmAutoAlignFollowing:
            return Answer::Yes;
        case Msg::ReplaceStoredAlignments:
            say(QString::fromStdString(shown) + " "
                + (m_replace ? Words::tr("(--replace: yes)") : Words::tr("(no)")));
            return m_replace ? Answer::Yes : Answer::No;
        case Msg::AutoAlignDone:
        case Msg::AutoAlignSomeMissed:
            say(QString::fromStdString(shown));
            return Answer::Ok;
        default:
            complain(shown);
            failed = true;
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        }
    }

private:
    bool m_replace;
};

// Runs an export behind a console progress line showing `running` (Ctrl+C stops it); false,
// with the reason on stderr, when it was stopped or failed.
template <class Report>
bool RunExport(Msg running, const std::string& target, const std::function<Report(Progress&)>& run,
               Report& r)
{
    {
        // Ends its line before anything else is printed.
        ConsoleProgress progress;
        progress.cancelOnInterrupt();
        progress.setText(CliMessageText(running));
        r = run(progress);
    }
    if (r.stopped)
        complain(Words::tr("stopped; %1 was not written").arg(QString::fromStdString(target)));
    else if (!r.ok())
        complain(CliResultText(r.result));
    return !r.stopped && r.ok();
}
}  // namespace

namespace cli {
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
    if (!RunExport<VideoExportReport>(Msg::VideoExportRunning, job.path,
                                      [&](Progress& p) { return ExportVideo(job, p); }, r))
        return 1;
    say(Words::tr("%1 frames at %2 per second written to %3")
            .arg(r.written)
            .arg(job.speed)
            .arg(QString::fromStdString(job.path)));
    return 0;
}

// The notebook, or with --class every notebook of a data root, as a static web site.
int exportWeb(const CommandLine& c, const std::string& programFolder)
{
    const AppFolders folders = AppFolders::ForProgram(programFolder);
    WebExportJob job;
    job.outFolder = c.outPath;
    if (!c.classRoot.empty()) {
        job.dataRoot = c.classRoot;
        if (!FolderExists(job.dataRoot)) {
            complain(CliMessageText(Msg::WebNoNotebooks) + " " + job.dataRoot);
            return 1;
        }
    } else {
        job.notebookFolder = openableNotebook(c, programFolder);
        if (job.notebookFolder.empty())
            return 1;
    }
    RecoverWebTarget(job.outFolder);
    if (const Result refused =
            CheckWebTarget(job.outFolder, c.classRoot.empty() ? job.notebookFolder : job.dataRoot);
        !refused) {
        complain(CliResultText(refused));
        return 1;
    }
    job.layoutFile = folders.kitFile("Layout.ini");
    job.settingsFile = folders.settingsFile();
    job.today = Clock::Today();
    WebExportReport r;
    if (!RunExport<WebExportReport>(Msg::WebExportRunning, job.outFolder,
                                    [&](Progress& p) { return ExportWebSite(job, p); }, r))
        return 1;
    for (const WebNotebookSummary& n : r.notebooks)
        if (!n.failure.empty())
            complain(QString::fromStdString(n.name) + ": " + QString::fromStdString(n.failure));
    say(Words::tr("%1 pages and %2 photos written to %3")
            .arg(r.pages)
            .arg(r.photos)
            .arg(QString::fromStdString(job.outFolder)));
    // The class page lists a pupil whose notebook failed, but the run did not do its whole job.
    if (const int failed = r.failedNotebooks()) {
        complain(Words::tr("%1 of %2 notebooks could not be exported").arg(failed).arg(r.notebooks.size()));
        return 1;
    }
    return 0;
}

// The animation editor's run of automatic alignment over the following frames, without the
// window: the same player, started on the first photo day on --date or later.
int autoAlign(const CommandLine& c, const std::string& programFolder)
{
    QDate from;
    if (!c.date.empty()) {
        from = QDate::fromString(QString::fromStdString(c.date), Qt::ISODate);
        if (!from.isValid() || c.date.size() != 10) {
            complain(badDate(c.date));
            return 1;
        }
    }
    const std::string folder = openableNotebook(c, programFolder);
    if (folder.empty())
        return 1;
    const std::vector<QDate> frames = ScanFrames(folder);
    if (frames.size() < 2) {
        complain(CliMessageText(Msg::TooFewPhotoDays));
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
        progress.setText(Words::tr("Automatic alignment").toStdString());
        player.AutoAlignFollowing([&](int done, int total) {
            progress.setRange(total);
            progress.setValue(done);
            return !progress.cancelled();
        });
    }
    (void)player.Close();  // a frame that could not be written is told, and counts in prompt.failed
    return prompt.failed ? 1 : 0;
}
}  // namespace cli
