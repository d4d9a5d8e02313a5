// The time-lapse video export of the controller: the file is chosen on the user-interface
// thread, then the worker writes it from values (folder, frames, geometry, speed) behind the
// progress dialog. It only reads the notebook, so the window stays usable meanwhile.
#include "app/CNotebook.h"

#include "animation/VideoExport.h"
#include "app/BulkJob.h"
#include "platform/FileChooser.h"
#include "platform/Prompt.h"
#include "platform/SafeFormat.h"
#include "res/Strings.h"

namespace {
const char* const kVideoFilter = "AVIﾌｧｲﾙ (*.avi *.AVI);;MP4ﾌｧｲﾙ (*.mp4 *.MP4)";
const char* const kVideoDialogTitle = "アニメーション作成";
}  // namespace

struct CNotebook::VideoExportState {
    BulkJob<VideoExportReport> job;
    std::string path;  // the file being written
};

bool CNotebook::VideoExportRunning() const
{
    return m_videoExport && m_videoExport->job.running();
}

void CNotebook::StartVideoExport(FileChooser& chooser)
{
    if (m_notebookFolder.empty() || refuseWhileJobRuns())
        return;
    // Unsaved changes of the day (a photo just taken in) go into the video too.
    if (!FlushDay())
        return;
    VideoExportJob job;
    job.notebookFolder = m_notebookFolder;
    job.frames = ScanFrames(m_notebookFolder);
    if (job.frames.size() < 2) {
        m_prompt.tell(Msg::TooFewPhotoDays);
        return;
    }
    if (!chooser.SaveFile(kVideoDialogTitle, kVideoFilter, "avi", job.path))
        return;
    job.path = VideoTargetPath(job.path);
    job.geometry = ReadFrameGeometry(m_settingsFile);
    job.speed = ReadVideoSpeed(m_settingsFile);
    if (!m_videoExport)
        m_videoExport = std::make_shared<VideoExportState>();
    m_videoExport->path = job.path;
    m_videoExport->job.start(
        m_host, Msg::VideoExportRunning, JobDesk{},
        [job](JobLink& link) { return ExportVideo(job, link.progress()); },
        [this](const VideoExportReport& report) { finishVideoExport(report.result, report.stopped); });
}

void CNotebook::finishVideoExport(const Result& result, bool stopped)
{
    m_videoExport->job.end(m_host);
    if (!stopped && !result)
        m_prompt.tell(result.message, Icon::Exclamation, ResultText(result));
    else if (!stopped)
        m_prompt.tell(Msg::VideoExportDone, Icon::Information,
                      FormatInts(LoadString(Msg::VideoExportDone), {m_videoExport->job.lastReport().written})
                          + "\n" + m_videoExport->path);
    // As after the animation dialog: the current day and its page are shown from the files.
    if (currentDate().isValid() && LoadDay(currentDate()) && m_host && m_viewMode != ViewMode::None)
        SetViewMode(m_viewMode);
}

void CNotebook::StopVideoExport()
{
    if (m_videoExport)
        m_videoExport->job.stop(m_host);
}
