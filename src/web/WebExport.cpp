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

bool writeText(const std::string& path, const std::string& text)
{
    if (WriteFaultFor(path))
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return out.good();
}

// The photo stage: each photo copied as it is stored and its thumbnail made, on `threads`
// threads. Progress is reported from the calling thread, which also watches for a stop.
Result copyPhotos(const std::string& notebook, const std::string& site, const std::vector<QDate>& photos,
                  int threads, Progress& progress, bool& stopped)
{
    std::atomic<size_t> next{0};
    std::atomic<bool> halt{false};
    std::mutex mutex;
    std::condition_variable changed;
    size_t done = 0;
    Result failure;
    auto work = [&] {
        for (size_t i; !halt && (i = next++) < photos.size();) {
            const std::string stem = DayFileStem(photos[i]);
            const std::string from = DayFilePath(notebook, photos[i], "jpg");
            const std::string copy = site + "/photos/" + stem + ".jpg";
            const std::string thumb = site + "/thumbs/" + stem + ".jpg";
            Result r;
            std::error_code ec;
            QImage picture;
            if (WriteFaultFor(copy) || !fs::copy_file(from, copy, fs::copy_options::overwrite_existing, ec))
                r = Result::Failed(Msg::WebExportFailed, from);
            else if (!LoadPictureScaled(from, kWebThumbWidth, kWebThumbHeight, picture))
                r = Result::Failed(Msg::WebPhotoUnreadable, from);
            else {
                const QImage small = picture.scaled(kWebThumbWidth, kWebThumbHeight, Qt::KeepAspectRatio,
                                                    Qt::SmoothTransformation);
                if (!SavePictureFile(thumb, small, small.width(), small.height(), 85, nullptr))
                    r = Result::Failed(Msg::WebExportFailed, thumb);
            }
            std::lock_guard lock(mutex);
            ++done;
            if (!r && failure) {
                failure = r;
                halt = true;
            }
            changed.notify_all();
        }
    };
    progress.setRange(static_cast<int>(photos.size()));
    std::vector<std::thread> workers;
    const int n = std::clamp(threads, 1, 16);
    for (int t = 0; t < n; ++t)
        workers.emplace_back(work);
    {
        std::unique_lock lock(mutex);
        size_t shown = 0;
        while (done < photos.size() && !(halt && next >= photos.size())) {
            changed.wait_for(lock, std::chrono::milliseconds(100));
            if (done != shown)
                progress.setValue(static_cast<int>(shown = done));
            if (progress.cancelled()) {
                stopped = true;
                halt = true;
            }
            if (halt)
                break;
        }
    }
    for (std::thread& w : workers)
        w.join();
    return failure;
}

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

    progress.setText(LoadString(Msg::WebCopyingPhotos));
    report.result = copyPhotos(notebook, site, nb.photos, job.threads, progress, report.stopped);
    if (!report.ok())
        return report;
    report.photos = static_cast<int>(nb.photos.size());

    // The time-lapse through the video export itself: the aligned frames it always makes.
    const std::vector<QDate> frames = ScanFrames(notebook);
    if (job.video && frames.size() >= 2) {
        VideoExportJob video;
        video.notebookFolder = notebook;
        video.frames = frames;
        video.geometry = ReadFrameGeometry(job.settingsFile);
        video.speed = ReadVideoSpeed(job.settingsFile);
        video.path = site + "/" + kWebVideoName;
        progress.setText(LoadString(Msg::VideoExportRunning));
        const VideoExportReport r = ExportVideo(video, progress);
        if (r.stopped) {
            report.stopped = true;
            return report;
        }
        if (!r.ok()) {
            report.result = r.result;
            return report;
        }
        nb.video = QSize(video.geometry.frame);
        report.video = true;
    }

    progress.setText(LoadString(Msg::WebWritingPages));
    const std::vector<WebPage> pages = NotebookPages(nb);
    progress.setRange(static_cast<int>(pages.size()));
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
        progress.setValue(static_cast<int>(i + 1));
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
