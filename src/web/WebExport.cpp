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
#include <random>
#include <regex>
#include <set>
#include <thread>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const char* const kMarkerText = "Kelto web export: this folder is replaced by the next export.\n";
// The note an export keeps beside Kelto.ini while it runs: "<prefix><pid>", holding the target.
const char* const kJournalPrefix = ".kelto-web-export-";

// The target without a trailing separator, absolute, so its parent and name are known.
std::string normalisedTarget(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec).lexically_normal();
    if (!p.has_filename() && p.has_parent_path())
        p = p.parent_path();
    return p.string();
}

std::string newSiteId()
{
    std::random_device random;
    std::string id;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
        id += part;
    }
    return id;
}

// The site id in a marker that is a regular file of the form an export writes; empty otherwise.
std::string markerSiteId(const std::string& folder)
{
    const std::string path = JoinPath(folder, kWebSiteMarker);
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec)))
        return {};
    std::string text;
    if (!ReadFileBytes(path, text, 4096))
        return {};
    // A site made before sites had ids holds the first line alone; it is still replaced.
    if (text == kMarkerText)
        return "0";
    static const std::regex form(R"(Kelto web export: [^\n]*\nsite=([0-9a-f]{32})\n)");
    std::smatch m;
    return std::regex_match(text, m, form) ? m[1].str() : std::string();
}

bool isDayPicture(const std::string& name)
{
    static const std::regex form(R"(\d{8}\.jpg)");
    return std::regex_match(name, form);
}

bool isPageName(const std::string& name)
{
    static const std::regex form(R"(index\.html|style\.css|day-\d{8}\.html|month-\d{6}\.html)");
    return std::regex_match(name, form) || name == kWebVideoName;
}

// Whether `folder` holds only what a notebook's site holds (its pages, the style sheet, the
// time-lapse, the photos and thumbnails of days) or, at the top, what a class site holds. No
// link, no other file: a notebook, a day file or a user's letter make it no site.
bool holdsOnlySiteFiles(const std::string& folder, bool top)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const fs::file_status st = it->symlink_status(ec);
        if (ec)
            return false;
        bool ok = false;
        if (fs::is_regular_file(st)) {
            ok = isPageName(name) || (top && name == kWebSiteMarker);
        } else if (fs::is_directory(st) && (name == "photos" || name == "thumbs")) {
            ok = true;
            for (fs::directory_iterator p(it->path(), ec); ok && !ec && p != end; p.increment(ec))
                ok =
                    isDayPicture(p->path().filename().string()) && fs::is_regular_file(p->symlink_status(ec));
        } else if (fs::is_directory(st) && top && name == kWebNotebooksFolder) {
            ok = true;
            for (fs::directory_iterator n(it->path(), ec); ok && !ec && n != end; n.increment(ec))
                ok = fs::is_directory(n->symlink_status(ec)) && holdsOnlySiteFiles(n->path().string(), false);
        }
        if (!ok || ec)
            return false;
    }
    return !ec;
}

// Whether a folder holds none of a notebook's files anywhere below: no Kelto.dat, no day record
// or memo, no day photo outside a site's photo folders, and no link or special file.
bool holdsNoNotebook(const std::string& folder)
{
    static const std::regex dayFile(R"(\d{8}\.(dat|txt|jpg)|kelto\.dat)", std::regex::icase);
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::file_status st = it->symlink_status(ec);
        if (ec || fs::is_directory(st))
            continue;
        if (!fs::is_regular_file(st))
            return false;
        const std::string name = it->path().filename().string();
        const std::string parent = it->path().parent_path().filename().string();
        if (std::regex_match(name, dayFile)
            && !(isDayPicture(name) && (parent == "photos" || parent == "thumbs")))
            return false;
    }
    return !ec;
}

// What the target is now, and the id of the site in it.
struct TargetState {
    enum Kind { Absent, Empty, Site, Link, NotFolder, Foreign } kind = Absent;
    std::string siteId;
    bool operator==(const TargetState&) const = default;
};

TargetState inspectTarget(const std::string& target)
{
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(target, ec);
    if (!fs::exists(st))
        return {};
    if (fs::is_symlink(st))
        return {TargetState::Link, {}};
    if (!fs::is_directory(st))
        return {TargetState::NotFolder, {}};
    if (fs::is_empty(target, ec) && !ec)
        return {TargetState::Empty, {}};
    const std::string id = markerSiteId(target);
    if (!id.empty() && FileExists(JoinPath(target, "index.html")) && holdsOnlySiteFiles(target, true))
        return {TargetState::Site, id};
    return {TargetState::Foreign, {}};
}

Result refusal(const TargetState& state, const std::string& target)
{
    switch (state.kind) {
    case TargetState::Link:
        return Result::Failed(Msg::WebTargetIsLink, target);
    case TargetState::NotFolder:
        return Result::Failed(Msg::WebTargetNotFolder, target);
    case TargetState::Foreign:
        return Result::Failed(Msg::WebTargetNotSite, target);
    default:
        return {};
    }
}

// The folder as the file system finds it, links resolved as far as it exists.
fs::path canonical(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec)
        p = fs::absolute(path, ec).lexically_normal();
    if (!p.has_filename() && p.has_parent_path())
        p = p.parent_path();
    return p;
}

// Whether `inner` is `outer` or lies inside it.
bool within(const fs::path& inner, const fs::path& outer)
{
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i)
        if (i == inner.end() || *i != *o)
            return false;
    return true;
}

bool processGone(long pid)
{
    return pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// A failure of the export's own writes, with what the system said (a full disk, say).
Result writeFailure(const std::string& path, int error)
{
    return Result::Failed(Msg::WebExportFailed, path, error ? std::strerror(error) : std::string());
}

Result writeText(const std::string& path, const std::string& text)
{
    if (WriteFaultFor(path))
        return writeFailure(path, EIO);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return writeFailure(path, errno);
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return writeFailure(path, error);
        }
        done += static_cast<size_t>(n);
    }
    return ::close(fd) == 0 ? Result{} : writeFailure(path, errno);
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
        // The notebook's photo by its own name, never through a link, read once for the
        // thumbnail and the copy (a file too large to be held is read again for the copy).
        QImage picture;
        std::string bytes;
        if (!LoadPictureScaled(from, kWebThumbWidth, kWebThumbHeight, picture, bytes)
            || (bytes.empty() && !ReadFileBytes(from, bytes)))
            return Result::Failed(Msg::WebPhotoUnreadable, from);
        if (Result r = writeText(copy, bytes); !r)
            return r;
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
    // Days before the stored start (photos taken earlier, say) move the start the pages show to
    // the first of them, so no day counts below one; Kelto.dat keeps what it holds.
    if (nb.startDate && !nb.days.empty() && nb.days.front() < *nb.startDate)
        nb.startDate = nb.days.front();
    nb.layoutFile = job.layoutFile;
    nb.settingsFile = job.settingsFile;
    nb.today = job.today;
    nb.inClass = inClass;
    std::error_code ec;
    for (const char* sub : {"photos", "thumbs"})
        if (!fs::create_directory(site + "/" + sub, ec)) {
            report.result = writeFailure(site + "/" + sub, ec.value());
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
        if (Result r = writeText(site + "/" + pages[i].file, pages[i].html()); !r) {
            report.result = r;
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
    if (Result r = writeText(site + "/style.css", SiteStyleSheet()); !r) {
        report.result = r;
        return report;
    }
    if (summary)
        *summary = SummariseNotebook(nb);
    return report;
}

// The temporary folder beside the target that the site is built in ("tmp"), or that an earlier
// site is moved to on a file system that cannot swap two folders ("old"). Made with the user's
// usual permissions (the umask's), as the site is meant to be shared. The name holds the
// process's id, so a later export knows when the folder's writer is gone.
std::string makeTemporaryBeside(const std::string& target, const char* role = "tmp")
{
    const std::string stem =
        ParentFolder(target) + "/." + LastComponent(target) + "." + role + "-" + std::to_string(::getpid());
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string path = stem + "-" + std::to_string(attempt);
        if (::mkdir(path.c_str(), 0777) == 0)
            return path;
        if (errno != EEXIST)
            break;
    }
    return {};
}

struct Temporary {
    std::string path;
    bool newSite = false;  // a site built whole (its marker is written last), not yet in place
    bool oldSite = false;  // an earlier site moved aside for the new one
};

// The temporaries beside `target` whose export is gone, that this user owns and that hold no
// notebook: only these may be removed or put in the target's place.
std::vector<Temporary> staleTemporaries(const std::string& target)
{
    static const std::regex tail(R"((tmp|old)-(\d{1,9})-\d{1,4})");
    const std::string prefix = "." + LastComponent(target) + ".";
    std::vector<Temporary> found;
    std::error_code ec;
    for (fs::directory_iterator it(ParentFolder(target), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::smatch m;
        const std::string rest = name.size() > prefix.size() ? name.substr(prefix.size()) : std::string();
        if (name.rfind(prefix, 0) != 0 || !std::regex_match(rest, m, tail)
            || !processGone(std::stol(m[2].str())))
            continue;
        struct stat st {};
        const std::string path = it->path().string();
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()
            || !holdsNoNotebook(path))
            continue;
        const bool site = !markerSiteId(path).empty() && holdsOnlySiteFiles(path, true);
        found.push_back({path, site && m[1] == "tmp", site && m[1] == "old"});
    }
    return found;
}

// A file system that swaps two names in one step swaps the new site and the old; elsewhere the
// old site is moved aside first. Either way the folder that leaves the target's name is looked
// at once more before it is removed: a notebook put there meanwhile goes back, untouched.
Result publish(const std::string& temporary, const std::string& target, const TargetState& checked)
{
    const TargetState now = inspectTarget(target);
    const bool nothing = now.kind == TargetState::Absent || now.kind == TargetState::Empty;
    const bool wasNothing = checked.kind == TargetState::Absent || checked.kind == TargetState::Empty;
    if (!(now == checked || (nothing && wasNothing)))
        return now.kind == TargetState::Site || nothing ? Result::Failed(Msg::WebTargetNotSite, target)
                                                        : refusal(now, target);
    const auto stillSame = [&](const std::string& moved) {
        std::error_code ec;
        return now.kind == TargetState::Empty ? fs::is_empty(moved, ec) && !ec : inspectTarget(moved) == now;
    };
    std::error_code ec;
    if (now.kind == TargetState::Absent) {
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0
            && (errno != EINVAL || ::rename(temporary.c_str(), target.c_str()) != 0))
            return writeFailure(target, errno);
        return {};
    }
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        if (!stillSame(temporary)) {
            (void)::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
            return Result::Failed(Msg::WebTargetNotSite, target);
        }
        fs::remove_all(temporary, ec);
        return {};
    }
    if (errno != EINVAL)
        return writeFailure(target, errno);
    const std::string old = makeTemporaryBeside(target, "old");
    if (old.empty() || ::rename(target.c_str(), old.c_str()) != 0) {
        const int error = errno;
        if (!old.empty())
            ::rmdir(old.c_str());
        return writeFailure(target, error);
    }
    if (!stillSame(old)) {
        ::rename(old.c_str(), target.c_str());
        return Result::Failed(Msg::WebTargetNotSite, target);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::rename(old.c_str(), target.c_str());
        return writeFailure(target, error);
    }
    fs::remove_all(old, ec);
    return {};
}

std::string journalPath(const std::string& settingsFile, long pid)
{
    return JoinPath(ParentFolder(settingsFile), kJournalPrefix + std::to_string(pid));
}

WebExportReport exportClass(const WebExportJob& job, const std::string& site, Progress& progress)
{
    WebExportReport report;
    const std::vector<NotebookListRow> rows = ListNotebooks(job.dataRoot);
    if (rows.empty()) {
        report.result = Result::Failed(Msg::WebNoNotebooks, job.dataRoot);
        return report;
    }
    const std::string notebooks = JoinPath(site, kWebNotebooksFolder);
    if (std::error_code ec; !fs::create_directory(notebooks, ec)) {
        report.result = writeFailure(notebooks, ec.value());
        return report;
    }
    for (const NotebookListRow& row : rows) {
        WebNotebookSummary summary;
        const std::string sub = JoinPath(notebooks, row.folderName);
        std::error_code ec;
        WebExportReport r;
        if (!IsSafeFolderName(row.folderName))
            r.result = Result::Failed(Msg::WebNotebookUnreadable, {});
        else if (!fs::create_directory(sub, ec))
            r.result = writeFailure(sub, ec.value());
        else
            r = exportNotebook(job, JoinPath(job.dataRoot, row.folderName), sub, true, progress, &summary);
        if (r.stopped) {
            report.stopped = true;
            return report;
        }
        // A file of the site that cannot be written (a full disk) fails the export as a whole:
        // the earlier site stays rather than one missing pupils for no fault of theirs.
        if (!r.ok() && r.result.path.rfind(site + "/", 0) == 0) {
            report.result = r.result;
            return report;
        }
        if (!r.ok()) {
            // The others go on; this one is listed with the reason.
            fs::remove_all(sub, ec);
            // The file by its name in the notebook: no path of this machine goes into the site.
            summary.failure = std::string(LoadString(r.result.message))
                              + (r.result.path.empty() ? "" : " " + LastComponent(r.result.path))
                              + (r.result.detail.empty() ? "" : " (" + r.result.detail + ")");
        } else {
            summary.subfolder = row.folderName;
        }
        summary.name = row.name;
        report.pages += r.pages;
        report.photos += r.photos;
        report.notebooks.push_back(std::move(summary));
    }
    const WebPage page = ClassPage(report.notebooks, job.today);
    for (const auto& [file, text] : {std::pair(page.file, page.html()),
                                     std::pair<std::string, std::string>("style.css", SiteStyleSheet())})
        if (Result r = writeText(JoinPath(site, file), text); !r) {
            report.result = r;
            return report;
        }
    ++report.pages;
    return report;
}
}  // namespace

int WebExportReport::failedNotebooks() const
{
    return static_cast<int>(std::count_if(notebooks.begin(), notebooks.end(),
                                          [](const WebNotebookSummary& n) { return !n.failure.empty(); }));
}

Result CheckWebTarget(const std::string& outFolder, const std::string& source)
{
    const std::string target = normalisedTarget(outFolder);
    const TargetState state = inspectTarget(target);
    if (state.kind == TargetState::Link || state.kind == TargetState::NotFolder)
        return refusal(state, target);
    if (!source.empty()) {
        const fs::path t = canonical(target), from = canonical(source);
        if (within(t, from) || within(from, t))
            return Result::Failed(Msg::WebTargetHoldsNotebook, target);
    }
    return refusal(state, target);
}

void RecoverWebTarget(const std::string& outFolder)
{
    const std::string target = normalisedTarget(outFolder);
    std::vector<Temporary> stale = staleTemporaries(target);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(target, ec))) {
        // A swap cut between its two steps: finished with the complete new site, else undone.
        auto pick = std::find_if(stale.begin(), stale.end(), [](const Temporary& t) { return t.newSite; });
        if (pick == stale.end())
            pick = std::find_if(stale.begin(), stale.end(), [](const Temporary& t) { return t.oldSite; });
        if (pick != stale.end() && ::rename(pick->path.c_str(), target.c_str()) == 0)
            stale.erase(pick);
    }
    for (const Temporary& t : stale)
        fs::remove_all(t.path, ec);
}

void RecoverWebExports(const std::string& settingsFile)
{
    static const std::regex form(std::string(kJournalPrefix) + R"((\d{1,9}))");
    std::error_code ec;
    for (fs::directory_iterator it(ParentFolder(settingsFile), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::smatch m;
        if (!std::regex_match(name, m, form) || !processGone(std::stol(m[1].str())))
            continue;
        std::string target;
        if (fs::is_regular_file(it->symlink_status(ec)) && ReadFileBytes(it->path().string(), target, 4096)
            && !target.empty() && target[0] == '/' && target.find('\0') == std::string::npos)
            RecoverWebTarget(target);
        fs::remove(it->path(), ec);
    }
}

WebExportReport ExportWebSite(const WebExportJob& job, Progress& progress)
{
    WebExportReport report;
    const std::string target = normalisedTarget(job.outFolder);
    RecoverWebTarget(target);
    const std::string source = job.dataRoot.empty() ? job.notebookFolder : job.dataRoot;
    if (Result r = CheckWebTarget(target, source); !r) {
        report.result = r;
        return report;
    }
    if (job.dataRoot.empty() && !IsNotebookFolder(job.notebookFolder)) {
        report.result = Result::Failed(Msg::WebNotebookUnreadable, job.notebookFolder);
        return report;
    }
    const TargetState checked = inspectTarget(target);
    // A note of the target beside Kelto.ini: a start of the program after a kill tidies it up.
    const std::string journal =
        job.settingsFile.empty() ? std::string() : journalPath(job.settingsFile, ::getpid());
    const bool noted = !journal.empty() && writeText(journal, target).ok();
    if (!noted && !journal.empty())
        ::unlink(journal.c_str());  // the next export to the target tidies up all the same
    const std::string site = makeTemporaryBeside(target);
    if (site.empty()) {
        report.result = writeFailure(target, errno);
    } else {
        report = job.dataRoot.empty()
                     ? exportNotebook(job, job.notebookFolder, site, false, progress, nullptr)
                     : exportClass(job, site, progress);
        // The marker goes last: a temporary that holds it is a complete site.
        if (report.ok())
            report.result =
                writeText(JoinPath(site, kWebSiteMarker), kMarkerText + ("site=" + newSiteId() + "\n"));
        if (report.ok())
            report.result = publish(site, target, checked);
        if (!report.ok()) {
            std::error_code ec;
            fs::remove_all(site, ec);
        }
    }
    if (noted) {
        std::error_code ec;
        fs::remove(journal, ec);
    }
    return report;
}
