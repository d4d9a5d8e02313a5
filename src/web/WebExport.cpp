#include "web/WebExport.h"

#include "animation/FrameAlignment.h"
#include "animation/VideoExport.h"
#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Progress.h"
#include "res/Strings.h"
#include "store/DataFolders.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "web/WebPages.h"

#include <QImage>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const char* const kMarkerText = "Kelto web export: this folder is replaced by the next export.\n";

// The target without a trailing separator, absolute, so its parent and name are known.
std::string normalisedTarget(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec).lexically_normal();
    if (!p.has_filename() && p.has_parent_path())
        p = p.parent_path();
    return p.string();
}

[[nodiscard]] bool writeText(const std::string& path, const std::string& text)
{
    if (WriteFaultFor(path))
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return out.good();
}

// The photo stage: each photo copied as it is stored and its thumbnail made, on worker threads,
// while the calling thread does other work of the export (the pages) meanwhile.
class PhotoWorkers {
public:
    PhotoWorkers(const std::string& notebook, const std::string& site, const std::vector<QDate>& photos, int threads)
        : m_notebook(notebook), m_site(site), m_photos(photos)
    {
        for (int t = 0; t < std::clamp(threads, 1, 16); ++t)
            m_workers.emplace_back([this] { work(); });
    }
    ~PhotoWorkers() { halt(); }
    size_t done() const { return m_done; }
    // Waits for every photo (or the first failure, or a stop of `progress`, which sets
    // `stopped`), showing `before` + the photos done.
    Result finish(Progress& progress, int before, bool& stopped)
    {
        {
            std::unique_lock lock(m_mutex);
            while (m_done < m_photos.size() && !m_halt) {
                m_changed.wait_for(lock, std::chrono::milliseconds(100));
                progress.setValue(before + static_cast<int>(m_done));
                if (progress.cancelled()) {
                    stopped = true;
                    m_halt = true;
                }
            }
        }
        halt();
        std::lock_guard lock(m_mutex);
        return m_failure;
    }
    void halt()
    {
        m_halt = true;
        for (std::thread& w : m_workers)
            if (w.joinable())
                w.join();
    }

private:
    void work()
    {
        for (size_t i; !m_halt && (i = m_next++) < m_photos.size();) {
            const Result r = copyOne(m_photos[i]);
            std::lock_guard lock(m_mutex);
            ++m_done;
            if (!r && m_failure) {
                m_failure = r;
                m_halt = true;
            }
            m_changed.notify_all();
        }
    }
    Result copyOne(const QDate& date) const
    {
        const std::string stem = DayFileStem(date);
        const std::string from = DayFilePath(m_notebook, date, "jpg");
        const std::string copy = m_site + "/photos/" + stem + ".jpg";
        const std::string thumb = m_site + "/thumbs/" + stem + ".jpg";
        std::string bytes;  // the notebook's photo by its own name, never through a link
        if (!ReadFileBytes(from, bytes) || !writeText(copy, bytes))
            return Result::Failed(Msg::WebExportFailed, from);
        QImage picture;
        if (!LoadPictureScaled(from, kWebThumbWidth, kWebThumbHeight, picture))
            return Result::Failed(Msg::WebPhotoUnreadable, from);
        const QImage small =
            picture.scaled(kWebThumbWidth, kWebThumbHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return SavePictureFile(thumb, small, small.width(), small.height(), 85).as(Msg::WebExportFailed);
    }

    const std::string& m_notebook;
    const std::string& m_site;
    const std::vector<QDate>& m_photos;
    std::atomic<size_t> m_next{0}, m_done{0};
    std::atomic<bool> m_halt{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Result m_failure;
    std::vector<std::thread> m_workers;
};

// Every day that has a record or a photo, oldest first.
std::vector<QDate> siteDays(const std::string& folder, std::vector<QDate>& photos, int& recorded)
{
    const std::vector<QDate> records = ListDayFileDates(folder, "dat");
    photos = ListDayFileDates(folder, "jpg");
    recorded = static_cast<int>(records.size());
    std::set<QDate> all(records.begin(), records.end());
    all.insert(photos.begin(), photos.end());
    return {all.begin(), all.end()};
}

// One notebook's site inside `site` (which exists and is empty).
WebExportReport exportNotebook(const WebExportJob& job, const std::string& notebook, const std::string& site,
                               bool inClass, Progress& progress, WebNotebookSummary* summary)
{
    WebExportReport report;
    std::string kelto;
    if (!ReadFileBytes(NotebookFilePath(notebook), kelto)) {
        report.result = Result::Failed(Msg::WebNotebookUnreadable, NotebookFilePath(notebook));
        return report;
    }
    WebNotebook nb;
    nb.folder = notebook;
    nb.name = DataNameOfFolder(LastComponent(notebook));
    nb.info = ReadNotebookInfo(notebook);
    nb.startDate = ParseStartDate(nb.info.StartDate);
    nb.days = siteDays(notebook, nb.photos, nb.recorded);
    nb.layoutFile = job.layoutFile;
    nb.settingsFile = job.settingsFile;
    nb.today = job.today;
    nb.inClass = inClass;
    std::error_code ec;
    for (const char* sub : {"photos", "thumbs"})
        if (!fs::create_directory(site + "/" + sub, ec)) {
            report.result = Result::Failed(Msg::WebExportFailed, site + "/" + sub);
            return report;
        }

    const std::vector<QDate> frames = ScanFrames(notebook);
    const bool video = job.video && frames.size() >= 2;
    VideoExportJob videoJob;
    if (video) {
        videoJob.notebookFolder = notebook;
        videoJob.frames = frames;
        videoJob.geometry = ReadFrameGeometry(job.settingsFile);
        videoJob.speed = ReadVideoSpeed(job.settingsFile);
        videoJob.path = site + "/" + kWebVideoName;
        nb.video = videoJob.geometry.frame;
    }

    // The pages are made and written while the workers copy the photos.
    progress.setText(LoadString(Msg::WebWritingPages));
    PhotoWorkers photos(notebook, site, nb.photos, job.threads);
    const std::vector<WebPage> pages = NotebookPages(nb);
    const int steps = static_cast<int>(nb.photos.size() + pages.size());
    progress.setRange(steps);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (progress.cancelled()) {
            report.stopped = true;
            return report;
        }
        const std::string path = site + "/" + pages[i].file;
        if (!writeText(path, pages[i].html())) {
            report.result = Result::Failed(Msg::WebExportFailed, path);
            return report;
        }
        progress.setValue(static_cast<int>(i + 1 + photos.done()));
    }
    progress.setText(LoadString(Msg::WebCopyingPhotos));
    report.result = photos.finish(progress, static_cast<int>(pages.size()), report.stopped);
    if (!report.ok())
        return report;
    report.photos = static_cast<int>(nb.photos.size());

    // The time-lapse through the video export itself: the aligned frames it always makes.
    if (video) {
        progress.setText(LoadString(Msg::VideoExportRunning));
        const VideoExportReport r = ExportVideo(videoJob, progress);
        if (r.stopped) {
            report.stopped = true;
            return report;
        }
        if (!r.ok()) {
            report.result = r.result;
            return report;
        }
        report.video = true;
    }
    report.pages = static_cast<int>(pages.size());
    if (!writeText(site + "/style.css", SiteStyleSheet())) {
        report.result = Result::Failed(Msg::WebExportFailed, site + "/style.css");
        return report;
    }
    if (summary)
        *summary = SummariseNotebook(nb);
    return report;
}

// The temporary folder beside the target that the site is built in.
// Made with the user's usual permissions (the umask's), as the site is meant to be shared.
std::string makeTemporaryBeside(const std::string& target)
{
    const std::string stem = ParentFolder(target) + "/." + LastComponent(target) + ".tmp-" + std::to_string(::getpid());
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string path = stem + "-" + std::to_string(attempt);
        if (::mkdir(path.c_str(), 0777) == 0)
            return path;
        if (errno != EEXIST)
            break;
    }
    return {};
}

// Puts the finished site in the target's place; a previous site goes only once the new one
// has its name.
Result publish(const std::string& temporary, const std::string& target)
{
    std::error_code ec;
    std::string old;
    if (fs::exists(fs::symlink_status(target, ec))) {
        old = makeTemporaryBeside(target);
        if (old.empty() || (fs::remove(old, ec), false) || (fs::rename(target, old, ec), ec))
            return Result::Failed(Msg::WebExportFailed, target);
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        if (!old.empty())
            fs::rename(old, target, ec);
        return Result::Failed(Msg::WebExportFailed, target);
    }
    if (!old.empty())
        fs::remove_all(old, ec);
    return {};
}

WebExportReport exportClass(const WebExportJob& job, const std::string& site, Progress& progress)
{
    WebExportReport report;
    const std::vector<NotebookListRow> rows = ListNotebooks(job.dataRoot);
    if (rows.empty()) {
        report.result = Result::Failed(Msg::WebNoNotebooks, job.dataRoot);
        return report;
    }
    for (const NotebookListRow& row : rows) {
        WebNotebookSummary summary;
        summary.name = row.name;
        summary.subfolder = row.folderName;
        const std::string sub = site + "/" + row.folderName;
        std::error_code ec;
        WebExportReport r;
        if (!IsSafeFolderName(row.folderName) || !fs::create_directory(sub, ec))
            r.result = Result::Failed(Msg::WebExportFailed, sub);
        else
            r = exportNotebook(job, JoinPath(job.dataRoot, row.folderName), sub, true, progress, &summary);
        if (r.stopped) {
            report.stopped = true;
            return report;
        }
        if (!r.ok()) {
            // The others go on; this one is listed with the reason.
            fs::remove_all(sub, ec);
            // The file by its name in the notebook: no path of this machine goes into the site.
            summary.failure = std::string(LoadString(r.result.message))
                              + (r.result.path.empty() ? "" : " " + LastComponent(r.result.path));
            summary.subfolder.clear();
        }
        summary.name = row.name;
        if (r.ok())
            summary.subfolder = row.folderName;
        report.pages += r.pages;
        report.photos += r.photos;
        report.notebooks.push_back(std::move(summary));
    }
    const WebPage page = ClassPage(report.notebooks, job.today);
    if (!writeText(site + "/" + page.file, page.html()) || !writeText(site + "/style.css", SiteStyleSheet())) {
        report.result = Result::Failed(Msg::WebExportFailed, site + "/" + page.file);
        return report;
    }
    ++report.pages;
    return report;
}
}  // namespace

Result CheckWebTarget(const std::string& outFolder)
{
    const std::string target = normalisedTarget(outFolder);
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(target, ec);
    if (!fs::exists(st))
        return {};
    if (fs::is_directory(st)) {
        if (fs::is_empty(target, ec) && !ec)
            return {};
        if (FileExists(JoinPath(target, kWebSiteMarker)))
            return {};
    }
    return Result::Failed(Msg::WebTargetNotSite, target);
}

WebExportReport ExportWebSite(const WebExportJob& job, Progress& progress)
{
    WebExportReport report;
    const std::string target = normalisedTarget(job.outFolder);
    if (Result r = CheckWebTarget(target); !r) {
        report.result = r;
        return report;
    }
    if (job.dataRoot.empty() && !IsNotebookFolder(job.notebookFolder)) {
        report.result = Result::Failed(Msg::WebNotebookUnreadable, job.notebookFolder);
        return report;
    }
    const std::string site = makeTemporaryBeside(target);
    if (site.empty()) {
        report.result = Result::Failed(Msg::WebExportFailed, target);
        return report;
    }
    report = job.dataRoot.empty() ? exportNotebook(job, job.notebookFolder, site, false, progress, nullptr)
                                  : exportClass(job, site, progress);
    if (report.ok() && !writeText(JoinPath(site, kWebSiteMarker), kMarkerText))
        report.result = Result::Failed(Msg::WebExportFailed, JoinPath(site, kWebSiteMarker));
    if (report.ok())
        report.result = publish(site, target);
    if (!report.ok()) {
        std::error_code ec;
        fs::remove_all(site, ec);
    }
    return report;
}
