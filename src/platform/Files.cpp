#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <system_error>

namespace {
std::mutex g_hookMutex;
std::function<bool(const std::string&)> g_writeFault;
}  // namespace

void SetWriteFaultHook(std::function<bool(const std::string&)> hook)
{
    std::lock_guard lock(g_hookMutex);
    g_writeFault = std::move(hook);
}

bool WriteFaultFor(const std::string& path)
{
    std::lock_guard lock(g_hookMutex);
    return g_writeFault && g_writeFault(path);
}

namespace {
std::function<void(size_t)> g_afterRename;
}  // namespace

void SetAfterRenameHook(std::function<void(size_t renamed)> hook)
{
    std::lock_guard lock(g_hookMutex);
    g_afterRename = std::move(hook);
}

namespace {
void afterRename(size_t renamed)
{
    std::function<void(size_t)> hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_afterRename;
    }
    if (hook)
        hook(renamed);
}
}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string r(folder);
    if (!r.empty() && r.back() != '/')
        r += '/';
    r += name;
    return r;
}

std::string ParentFolder(std::string_view path)
{
    size_t p = path.find_last_of('/');
    if (p == std::string_view::npos)
        return {};
    return std::string(path.substr(0, p == 0 ? 1 : p));
}

std::string LastComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    size_t p = path.find_last_of('/');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".."
           && name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ChosenFileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool NotAFile(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WildcardMatch(std::string_view pattern, std::string_view name)
{
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

namespace {
template <typename Keep>
std::vector<std::string> listFolder(const std::string& folder, bool followLinks, Keep keep)
{
    std::vector<std::string> out;
    DIR* d = opendir(folder.c_str());
    if (!d)
        return out;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st;
        if (fstatat(dirfd(d), name.c_str(), &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (keep(name, st))
            out.push_back(name);
    }
    closedir(d);
    return out;
}
}  // namespace

std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern)
{
    return listFolder(folder, false, [&](const std::string& name, const struct stat& st) {
        return S_ISREG(st.st_mode) && WildcardMatch(pattern, name);
    });
}

std::vector<std::string> ListSubfolders(const std::string& folder)
{
    return listFolder(folder, true,
                      [](const std::string&, const struct stat& st) { return S_ISDIR(st.st_mode); });
}

int DeleteFiles(const std::string& folder, std::string_view pattern)
{
    int n = 0;
    for (const auto& name : FindFiles(folder, pattern))
        if (unlink(JoinPath(folder, name).c_str()) == 0)
            ++n;
    return n;
}

namespace {
bool readFileBytes(const std::string& path, std::string& out, size_t limit, bool followLinks)
{
    // Without O_NONBLOCK opening a FIFO waits for a writer; and only a regular file is read,
    // so a FIFO, device or socket under a day file's name can never hang or flood the reader.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    out.clear();
    char buf[65536];
    bool ok = true;
    while (out.size() < limit) {
        ssize_t n = ::read(fd, buf, std::min(sizeof buf, limit - out.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

// umask() can only be read by setting it: do that once, not each time from whichever thread
// writes, where two overlapping reads could leave the process's mask at 0.
mode_t processUmask()
{
    static const mode_t mask = [] {
        mode_t m = umask(0);
        umask(m);
        return m;
    }();
    return mask;
}

// The permissions a new file for `path` gets: those of the regular file of ours it replaces,
// else 0666 less the umask. Never those of what a link points to, nor of someone else's file.
mode_t modeFor(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid())
        return st.st_mode & 0777;
    return 0666 & ~processUmask();
}
}  // namespace

bool ReadFileBytes(const std::string& path, std::string& out, size_t limit)
{
    return readFileBytes(path, out, limit, false);
}

bool ReadChosenFileBytes(const std::string& path, std::string& out, size_t limit)
{
    return readFileBytes(path, out, limit, true);
}

int OpenTemporaryBeside(const std::string& path, std::string_view suffix, std::string& tmp)
{
    tmp = path + ".tmpXXXXXX";
    tmp += suffix;
    int fd = mkostemps(tmp.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0)
        return -1;
    fchmod(fd, modeFor(path));
    flock(fd, LOCK_EX | LOCK_NB);
    return fd;
}

namespace {

// A new file beside its target, complete and on disk, still open (and so locked) until it
// replaces the target or is removed.
struct PendingFile {
    std::string target, tmp;
    int fd = -1;
};

// The files of a set written together are all named after their target and the set's tag (six
// letters or digits, drawn at random for each set): "<target>.tmp<tag>" and one of these.
constexpr std::string_view kSetSuffix = ".set";  // the record of the set, beside its first target
constexpr std::string_view kNewSuffix = ".new";  // the new file as written; kept until the set ends
constexpr std::string_view kMoveSuffix = ".mv";  // a second name of the new file, renamed onto the target
constexpr std::string_view kOldSuffix = ".old";  // a second name of the target's old file
constexpr std::string_view kSetSuffixes[] = {kSetSuffix, kNewSuffix, kMoveSuffix, kOldSuffix};
constexpr std::string_view kSetHeader = "kelto-set 2";
constexpr size_t kTagLength = 6;

std::string randomTag()
{
    thread_local std::minstd_rand random(std::random_device{}());
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string tag;
    for (size_t i = 0; i < kTagLength; ++i)
        tag += kChars[random() % (sizeof kChars - 1)];
    return tag;
}

std::string setFile(const std::string& target, std::string_view tag, std::string_view suffix)
{
    return target + ".tmp" + std::string(tag) + std::string(suffix);
}

// 0, or the system's error number for what failed. With a tag the new file is the set's
// "<target>.tmp<tag>.new" (EEXIST when the name is taken), else a name of its own.
int writePending(const std::string& path, std::string_view bytes, const std::string& tag, PendingFile& out)
{
    out.target = path;
    if (tag.empty()) {
        out.fd = OpenTemporaryBeside(path, {}, out.tmp);
    } else {
        out.tmp = setFile(path, tag, kNewSuffix);
        out.fd = ::open(out.tmp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (out.fd >= 0) {
            fchmod(out.fd, modeFor(path));
            flock(out.fd, LOCK_EX | LOCK_NB);
        }
    }
    if (out.fd < 0)
        return errno ? errno : EIO;
    bool fault = WriteFaultFor(path);
    size_t want = fault ? bytes.size() / 2 : bytes.size();
    size_t done = 0;
    while (done < want) {
        ssize_t w = ::write(out.fd, bytes.data() + done, want - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
            return errno;
        if (w == 0)
            return ENOSPC;
        done += static_cast<size_t>(w);
    }
    if (fault)
        return EIO;
    return fsync(out.fd) == 0 ? 0 : errno;
}

Result writeFailed(const std::string& path, int error)
{
    return Result::Failed(Msg::FileWriteFailed, path, std::generic_category().message(error));
}

void discardPending(std::vector<PendingFile>& files)
{
    for (PendingFile& f : files) {
        if (f.fd < 0)
            continue;
        unlink(f.tmp.c_str());
        ::close(f.fd);
        f.fd = -1;
    }
}

bool syncFolderOf(const std::string& path)
{
    const int dir = ::open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool ok = fsync(dir) == 0;
    ::close(dir);
    return ok;
}

// What a set of several files keeps while its targets are replaced, so that a writer killed half
// way leaves enough for the next start to finish the set (recoverSet):
//   - each new file keeps its ".new" name to the end, and takes its target's name through a
//     second name (".mv"): a target holding the inode of the set's ".new" file holds what this set
//     wrote, which no record can claim of a file written since;
//   - each target that existed keeps its old file under a second name (".old"), locked while the
//     writer works;
//   - the record names the targets and which of them existed; it is written after all of the
//     above, before the first rename, and removed first once the set is whole.
// Where the file system has no hard links nothing is kept and no record is written: the renames
// then go ahead as they can.
struct SetKeep {
    std::string tag, record;
    int recordFd = -1;
    std::vector<bool> existed;
    std::vector<int> oldFds;
    bool kept = false;
};

void removeKept(std::vector<PendingFile>& pending, SetKeep& keep, bool removeNames)
{
    for (size_t i = 0; i < pending.size(); ++i) {
        if (removeNames) {
            unlink(setFile(pending[i].target, keep.tag, kOldSuffix).c_str());
            unlink(setFile(pending[i].target, keep.tag, kMoveSuffix).c_str());
        }
        if (keep.oldFds[i] >= 0)
            ::close(keep.oldFds[i]);
        keep.oldFds[i] = -1;
    }
    keep.kept = false;
}

// 0 with the second names made and the record on disk, 0 with nothing kept for a set that
// cannot be kept, or the system's error number of a record that could not be written.
int keepSet(std::vector<PendingFile>& pending, SetKeep& keep)
{
    const std::string folder = ParentFolder(pending.front().target);
    keep.oldFds.assign(pending.size(), -1);
    std::string text = std::string(kSetHeader) + "\n";
    for (const PendingFile& f : pending) {
        const std::string name = LastComponent(f.target);
        if (ParentFolder(f.target) != folder || !IsPlainFileName(name)
            || name.find_first_of("\t\n") != std::string::npos)
            return 0;
    }
    keep.kept = true;
    for (size_t i = 0; i < pending.size(); ++i) {
        const std::string& target = pending[i].target;
        if (keep.existed[i]) {
            // Locked before it has its second name: a start at work meanwhile never takes it for
            // a file left behind.
            keep.oldFds[i] = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (keep.oldFds[i] >= 0)
                flock(keep.oldFds[i], LOCK_EX | LOCK_NB);
            if (keep.oldFds[i] < 0
                || ::link(target.c_str(), setFile(target, keep.tag, kOldSuffix).c_str()) != 0) {
                removeKept(pending, keep, true);
                return 0;
            }
        }
        if (::link(pending[i].tmp.c_str(), setFile(target, keep.tag, kMoveSuffix).c_str()) != 0) {
            removeKept(pending, keep, true);
            return 0;
        }
        text += LastComponent(target) + "\t" + (keep.existed[i] ? "1" : "0") + "\n";
    }
    text += "end\n";
    keep.record = setFile(pending.front().target, keep.tag, kSetSuffix);
    keep.recordFd = ::open(keep.record.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    int error = keep.recordFd < 0 ? (errno ? errno : EIO) : 0;
    if (!error) {
        flock(keep.recordFd, LOCK_EX | LOCK_NB);
        if (::write(keep.recordFd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            error = errno ? errno : ENOSPC;
        else if (fsync(keep.recordFd) != 0 || !syncFolderOf(keep.record))
            error = errno ? errno : EIO;
        if (error) {
            unlink(keep.record.c_str());
            ::close(keep.recordFd);
            keep.recordFd = -1;
        }
    }
    if (error)
        removeKept(pending, keep, true);
    return error;
}

}  // namespace

Result WriteFilesAtomic(const std::vector<std::pair<std::string, std::string_view>>& files)
{
    // Several files make a set: its files share a tag drawn afresh when a name is taken.
    const bool several = files.size() > 1;
    std::vector<PendingFile> pending(files.size());
    SetKeep keep;
    for (int attempt = 0;; ++attempt) {
        keep.tag = several ? randomTag() : std::string();
        int error = 0;
        size_t i = 0;
        for (; i < files.size() && !error; ++i)
            error = writePending(files[i].first, files[i].second, keep.tag, pending[i]);
        if (!error)
            break;
        discardPending(pending);
        if (error != EEXIST || !several || attempt == 8)
            return writeFailed(files[i - 1].first, error);
    }
    keep.existed.assign(files.size(), false);
    for (size_t i = 0; several && i < files.size(); ++i)
        keep.existed[i] = FileExists(files[i].first);
    if (several) {
        if (const int error = keepSet(pending, keep)) {
            discardPending(pending);
            return writeFailed(files.front().first, error);
        }
    }
    // Renamed while still open: the lock stays until the set is whole.
    Result result;
    size_t renamed = 0;
    for (PendingFile& f : pending) {
        const std::string from = keep.kept ? setFile(f.target, keep.tag, kMoveSuffix) : f.tmp;
        if (result.ok() && std::rename(from.c_str(), f.target.c_str()) != 0)
            result = writeFailed(f.target, errno);
        if (!result.ok())
            unlink(from.c_str());
        else
            afterRename(++renamed);
    }
    // A failed rename: the targets already replaced get their old files back (or go, as this
    // write made them).
    bool putBack = true;
    for (size_t i = 0; !result.ok() && i < renamed; ++i) {
        const std::string& target = pending[i].target;
        if (keep.existed[i])
            putBack = keep.kept
                      && std::rename(setFile(target, keep.tag, kOldSuffix).c_str(), target.c_str()) == 0
                      && putBack;
        else if (unlink(target.c_str()) != 0)
            putBack = false;
    }
    if (keep.kept && putBack) {
        // Whole, or wholly put back: the record goes first, then what it kept.
        unlink(keep.record.c_str());
        ::close(keep.recordFd);
        removeKept(pending, keep, true);
        for (const PendingFile& f : pending)
            unlink(f.tmp.c_str());
    } else if (keep.kept) {
        // Not put back: the record and what it kept stay for the next start to undo.
        ::close(keep.recordFd);
        removeKept(pending, keep, false);
    }
    for (PendingFile& f : pending) {
        ::close(f.fd);
        f.fd = -1;
    }
    return result;
}

Result WriteFileAtomic(const std::string& path, std::string_view bytes)
{
    return WriteFilesAtomic({{path, bytes}});
}

namespace {

bool isTemporaryTag(std::string_view name, size_t at)
{
    if (name.substr(at, 4) != ".tmp" || name.size() < at + 4 + kTagLength)
        return false;
    for (size_t i = at + 4; i < at + 4 + kTagLength; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// A file of a set: "<target>.tmp<tag>" and a set's suffix.
struct SetName {
    std::string_view target, tag, suffix;
};

std::optional<SetName> setName(std::string_view name)
{
    for (std::string_view suffix : kSetSuffixes) {
        if (name.size() <= suffix.size() + 4 + kTagLength
            || name.substr(name.size() - suffix.size()) != suffix)
            continue;
        const size_t at = name.size() - suffix.size() - 4 - kTagLength;
        if (isTemporaryTag(name, at))
            return SetName{name.substr(0, at), name.substr(at + 4, kTagLength), suffix};
    }
    return std::nullopt;
}

// True when nobody holds the file and it was last written a while ago. A set's second name of
// an old file carries that file's time (which may even be ahead of the clock): it is locked
// before it is made, so only the lock tells.
bool abandoned(const std::string& path, bool byAge = true)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool stale = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (!byAge || st.st_mtime + 2 < time(nullptr))
                 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return stale;
}

// Says once in the program's run, on the error stream, what was left alone in a folder and why.
// The name is shown with its control characters replaced: it comes from the folder.
void reportOnce(const std::string& path, const char* what)
{
    static std::mutex mutex;
    static std::set<std::string> told;
    std::lock_guard lock(mutex);
    if (told.size() > 1000 || !told.insert(path + '\n' + what).second)
        return;
    std::string shown = path;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    std::fprintf(stderr, "kelto: %s: %s\n", shown.c_str(), what);
}

constexpr size_t kMaxRecordBytes = 4096;  // a set of 16 day files' names is far less
constexpr size_t kMaxRecordTargets = 16;
constexpr int kMaxRecordsAFolder = 16;  // records acted on in one look at a folder

enum class Recovery { Busy, Untrusted, Done };

// A record that does not end with its "end" line was cut short by a kill while it was written:
// the renames wait for all of it, so none had begun, and its set is only cleared away.
bool cutShort(std::string_view text)
{
    return text.size() < 4 || text.substr(text.size() - 4) != "end\n";
}

struct RecordEntry {
    std::string name;
    bool existed;
};

// The targets a record names, when it is one this program writes: its header, one line per
// target (a plain name that `accept` owns, named once, the first the one the record is named
// after, and whether it existed), "end", within the bounds above. Nothing otherwise.
std::optional<std::vector<RecordEntry>> parseRecord(std::string_view text, std::string_view first,
                                                    const std::function<bool(std::string_view)>& accept)
{
    std::vector<RecordEntry> entries;
    size_t at = 0;
    bool header = true;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (header) {
            if (line != kSetHeader)
                return std::nullopt;
            header = false;
            continue;
        }
        if (line == "end")
            break;
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos || entries.size() == kMaxRecordTargets)
            return std::nullopt;
        const std::string_view name = line.substr(0, tab), existed = line.substr(tab + 1);
        if (!IsPlainFileName(name) || !accept(name) || (existed != "0" && existed != "1")
            || std::any_of(entries.begin(), entries.end(),
                           [&](const RecordEntry& e) { return e.name == name; }))
            return std::nullopt;
        entries.push_back({std::string(name), existed == "1"});
    }
    if (at != text.size() || entries.empty() || entries.front().name != first)
        return std::nullopt;
    return entries;
}

bool lstatRegular(const std::string& path, struct stat& st)
{
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Finishes a set whose writer left its record (see keepSet), or undoes it where it cannot be
// finished, and removes what it kept. Only a record this program writes is acted on, and only
// on the files of its own set: a target is replaced only by the set's own new file (while it
// still is the old file) or by its own old file (while it holds the set's new file); no target
// ever goes. The record is locked while this works, so two starts never recover it at once.
Recovery recoverSet(const std::string& folder, const std::string& recordName, const SetName& name,
                    const std::function<bool(std::string_view)>& accept)
{
    const std::string path = JoinPath(folder, recordName);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Recovery::Busy;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_mtime + 2 >= time(nullptr)
        || flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &st) != 0 || st.st_nlink == 0) {
        ::close(fd);
        return Recovery::Busy;
    }
    std::string text(kMaxRecordBytes + 1, '\0');
    const ssize_t got =
        st.st_size <= static_cast<off_t>(kMaxRecordBytes) ? pread(fd, text.data(), text.size(), 0) : -1;
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    const auto entries =
        got > 0 && text.size() <= kMaxRecordBytes ? parseRecord(text, name.target, accept) : std::nullopt;
    if (!entries) {
        const bool cut = got >= 0 && cutShort(text);
        if (cut)
            unlink(path.c_str());
        ::close(fd);
        return cut ? Recovery::Done : Recovery::Untrusted;
    }
    const std::string tag(name.tag);
    auto file = [&](const RecordEntry& e, std::string_view suffix) {
        return setFile(JoinPath(folder, e.name), tag, suffix);
    };
    // Each target holds the set's new file (done), or still its old one with the new one beside
    // it (ready), or neither.
    std::vector<bool> done, ready;
    for (const RecordEntry& e : *entries) {
        struct stat target, fresh, move, old;
        const bool isNew = lstatRegular(file(e, kNewSuffix), fresh);
        const bool held = lstatRegular(JoinPath(folder, e.name), target);
        done.push_back(isNew && held && sameFile(target, fresh));
        const bool wasOld = e.existed
                                ? held && lstatRegular(file(e, kOldSuffix), old) && sameFile(target, old)
                                : lstat(JoinPath(folder, e.name).c_str(), &target) != 0 && errno == ENOENT;
        ready.push_back(!done.back() && isNew && lstatRegular(file(e, kMoveSuffix), move)
                        && sameFile(move, fresh) && wasOld);
    }
    bool finish = true, whole = true;
    for (size_t i = 0; i < done.size(); ++i)
        finish = finish && (done[i] || ready[i]);
    if (finish) {
        for (size_t i = 0; i < entries->size(); ++i)
            if (ready[i]
                && std::rename(file((*entries)[i], kMoveSuffix).c_str(),
                               JoinPath(folder, (*entries)[i].name).c_str())
                       != 0)
                whole = false;
    } else {
        for (size_t i = 0; i < entries->size(); ++i) {
            const RecordEntry& e = (*entries)[i];
            struct stat old;
            if (done[i] && e.existed && lstatRegular(file(e, kOldSuffix), old)
                && std::rename(file(e, kOldSuffix).c_str(), JoinPath(folder, e.name).c_str()) != 0)
                whole = false;
        }
    }
    if (!whole) {
        // A rename the folder refused: everything stays for a later start.
        syncFolderOf(path);
        ::close(fd);
        reportOnce(path, "an unfinished write of these files could not be finished; left as it is");
        return Recovery::Done;
    }
    syncFolderOf(path);
    unlink(path.c_str());
    for (const RecordEntry& e : *entries)
        for (std::string_view suffix : {kNewSuffix, kMoveSuffix, kOldSuffix})
            unlink(file(e, suffix).c_str());
    syncFolderOf(path);
    ::close(fd);
    return Recovery::Done;
}

struct FolderEntry {
    std::string name;
    bool regular;
};

std::vector<FolderEntry> folderEntries(const std::string& folder)
{
    std::vector<FolderEntry> out;
    listFolder(folder, false, [&out](const std::string& name, const struct stat& st) {
        out.push_back({name, S_ISREG(st.st_mode)});
        return false;
    });
    return out;
}

}  // namespace

int RemoveStaleTemporaries(const std::string& folder,
                           const std::function<bool(std::string_view target, std::string_view suffix)>& ours)
{
    const auto accept = [&ours](std::string_view target) { return ours(target, {}); };
    // First the sets a killed writer left unfinished, while what they kept is still there.
    std::vector<FolderEntry> entries = folderEntries(folder);
    std::set<std::string> leftAlone;  // tags of records not acted on: their files stay too
    int acted = 0;
    for (const FolderEntry& entry : entries) {
        const auto name = setName(entry.name);
        if (!name || name->suffix != kSetSuffix || !accept(name->target))
            continue;
        const std::string path = JoinPath(folder, entry.name);
        Recovery r = Recovery::Busy;
        if (acted == kMaxRecordsAFolder) {
            reportOnce(folder,
                       "holds more records of unfinished writes than are looked at in one start; the rest "
                       "are left as they are");
        } else {
            r = recoverSet(folder, entry.name, *name, accept);
            if (r == Recovery::Untrusted)
                reportOnce(path, "not a record of an unfinished write this program can trust; left as it is");
            else if (r == Recovery::Done)
                ++acted;
        }
        if (r != Recovery::Done)
            leftAlone.insert(std::string(name->tag));
    }
    if (acted)
        entries = folderEntries(folder);
    for (const FolderEntry& entry : entries)
        if (const auto name = setName(entry.name); name && name->suffix == kSetSuffix)
            leftAlone.insert(std::string(name->tag));
    int removed = 0;
    for (const FolderEntry& entry : entries) {
        std::string_view n(entry.name);
        bool match = false, byAge = true;
        if (const auto name = setName(n)) {
            // What a set kept whose record is gone: the set never began its renames, or ended.
            match = !leftAlone.count(std::string(name->tag)) && accept(name->target);
            byAge = name->suffix != kOldSuffix;
        } else {
            for (size_t at = n.find(".tmp"); !match && at != std::string_view::npos;
                 at = n.find(".tmp", at + 1))
                match =
                    at > 0 && isTemporaryTag(n, at) && ours(n.substr(0, at), n.substr(at + 4 + kTagLength));
        }
        const std::string path = JoinPath(folder, entry.name);
        if (match && abandoned(path, byAge) && unlink(path.c_str()) == 0)
            ++removed;
        else if (!match && !entry.regular && accept(n))
            reportOnce(path, "not a regular file (a link is never followed); not read");
    }
    return removed;
}

int RemoveStaleTemporariesOf(const std::string& target)
{
    const std::string name = LastComponent(target);
    return RemoveStaleTemporaries(ParentFolder(target), [&name](std::string_view t, std::string_view suffix) {
        return suffix.empty() && t == name;
    });
}

Result CopyFileSafe(const std::string& from, const std::string& to, bool failIfExists)
{
    if (failIfExists && FileExists(to))
        return Result::Failed(Msg::FileAlreadyExists, to);
    std::string bytes;
    if (!ReadFileBytes(from, bytes))
        return Result::Failed(Msg::FileReadFailed, from);
    return WriteFileAtomic(to, bytes);
}
