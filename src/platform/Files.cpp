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
#include <random>
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
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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
std::vector<std::string> listFolder(const std::string& folder, Keep keep)
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
        if (stat(JoinPath(folder, name).c_str(), &st) != 0)
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
    return listFolder(folder, [&](const std::string& name, const struct stat& st) {
        return S_ISREG(st.st_mode) && WildcardMatch(pattern, name);
    });
}

std::vector<std::string> ListSubfolders(const std::string& folder)
{
    return listFolder(folder, [](const std::string&, const struct stat& st) { return S_ISDIR(st.st_mode); });
}

int DeleteFiles(const std::string& folder, std::string_view pattern)
{
    int n = 0;
    for (const auto& name : FindFiles(folder, pattern))
        if (unlink(JoinPath(folder, name).c_str()) == 0)
            ++n;
    return n;
}

bool ReadFileBytes(const std::string& path, std::string& out, size_t limit)
{
    // Without O_NONBLOCK opening a FIFO waits for a writer; and only a regular file is read,
    // so a FIFO, device or socket under a day file's name can never hang or flood the reader.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

int OpenTemporaryBeside(const std::string& path, std::string_view suffix, std::string& tmp)
{
    tmp = path + ".tmpXXXXXX";
    tmp += suffix;
    int fd = mkstemps(tmp.data(), static_cast<int>(suffix.size()));
    if (fd < 0)
        return -1;
    // Keep the permissions an existing file had; new files get the usual 0644 less the umask.
    struct stat st;
    mode_t mode = 0666;
    if (stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else {
        // umask() can only be read by setting it: do that once, not each time from whichever
        // thread writes, where two overlapping reads could leave the process's mask at 0.
        static const mode_t mask = [] {
            mode_t m = umask(0);
            umask(m);
            return m;
        }();
        mode &= ~mask;
    }
    fchmod(fd, mode);
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

// 0, or the system's error number for what failed.
int writePending(const std::string& path, std::string_view bytes, PendingFile& out)
{
    out.target = path;
    out.fd = OpenTemporaryBeside(path, {}, out.tmp);
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

}  // namespace

namespace {

// A second name for an existing target, taken before the target is replaced, so the old file can
// be put back. It is named as a temporary file of the target (what a killed writer leaves is
// removed at the next start) and locked while the write is at work. No backup where the file
// system has no hard links.
struct Backup {
    std::string path;
    int fd = -1;
};

Backup backUp(const std::string& target)
{
    thread_local std::minstd_rand random(std::random_device{}());
    Backup b;
    const int fd = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return b;
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = target + ".tmp";
        for (int i = 0; i < 6; ++i)
            name += kChars[random() % (sizeof kChars - 1)];
        if (::link(target.c_str(), name.c_str()) == 0) {
            flock(fd, LOCK_EX | LOCK_NB);
            b.path = std::move(name);
            b.fd = fd;
            return b;
        }
        if (errno != EEXIST)
            break;
    }
    ::close(fd);
    return b;
}

void dropBackup(Backup& b)
{
    if (!b.path.empty())
        unlink(b.path.c_str());
    if (b.fd >= 0)
        ::close(b.fd);
    b = Backup{};
}

}  // namespace

namespace {

// The record of a set of files being written together, beside the first target: a line per
// target with its name, the second name of its old file (none when it is new) and the inode of
// its new file, then "end".
// While it is there the set is not complete: a writer killed half way through the renames
// leaves it, and the next start puts every old file back (recoverSet). Written only when all
// targets share a folder and every old file has its second name.
constexpr std::string_view kSetHeader = "kelto-set 1";
constexpr std::string_view kSetSuffix = ".set";

struct SetRecord {
    std::string path;
    int fd = -1;
};

bool syncFolderOf(const std::string& path)
{
    const int dir = ::open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool ok = fsync(dir) == 0;
    ::close(dir);
    return ok;
}

// 0 with `out` open and on disk (its folder too), or the system's error number. Nothing is
// written (and 0 returned with `out` empty) for a set that cannot be put back.
int beginSet(const std::vector<PendingFile>& pending, const std::vector<Backup>& backups,
             const std::vector<bool>& existed, SetRecord& out)
{
    const std::string folder = ParentFolder(pending.front().target);
    std::string text = std::string(kSetHeader) + "\n";
    for (size_t i = 0; i < pending.size(); ++i) {
        const std::string name = LastComponent(pending[i].target);
        if (ParentFolder(pending[i].target) != folder || (existed[i] && backups[i].path.empty())
            || name.find_first_of("\t\n") != std::string::npos)
            return 0;
        struct stat st;
        if (fstat(pending[i].fd, &st) != 0)
            return 0;
        text += name + "\t" + (existed[i] ? LastComponent(backups[i].path) : std::string()) + "\t"
                + std::to_string(st.st_ino) + "\n";
    }
    text += "end\n";
    out.fd = OpenTemporaryBeside(pending.front().target, kSetSuffix, out.path);
    if (out.fd < 0)
        return errno ? errno : EIO;
    int error = 0;
    if (::write(out.fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        error = errno ? errno : ENOSPC;
    else if (fsync(out.fd) != 0 || !syncFolderOf(out.path))
        error = errno ? errno : EIO;
    if (error) {
        unlink(out.path.c_str());
        ::close(out.fd);
        out = SetRecord{};
    }
    return error;
}

void endSet(SetRecord& record)
{
    if (record.fd < 0)
        return;
    unlink(record.path.c_str());
    ::close(record.fd);
    record = SetRecord{};
}

}  // namespace

Result WriteFilesAtomic(const std::vector<std::pair<std::string, std::string_view>>& files)
{
    std::vector<PendingFile> pending(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (const int error = writePending(files[i].first, files[i].second, pending[i])) {
            discardPending(pending);
            return writeFailed(files[i].first, error);
        }
    }
    // With more than one target, every target keeps a second name until all are replaced: when a
    // later rename fails, the files already replaced get their old versions back (or go, if they
    // were new), and so does a set whose writer was killed half way, at the next start.
    std::vector<Backup> backups(files.size());
    std::vector<bool> existed(files.size());
    const size_t backedUp = files.size() > 1 ? files.size() : 0;
    for (size_t i = 0; i < backedUp; ++i) {
        existed[i] = FileExists(pending[i].target);
        if (existed[i])
            backups[i] = backUp(pending[i].target);
    }
    SetRecord record;
    if (files.size() > 1) {
        if (const int error = beginSet(pending, backups, existed, record)) {
            discardPending(pending);
            for (Backup& b : backups)
                dropBackup(b);
            return writeFailed(files.front().first, error);
        }
    }
    // Renamed while still open: the lock stays until the file has its final name.
    Result result;
    size_t renamed = 0;
    for (PendingFile& f : pending) {
        if (result.ok() && std::rename(f.tmp.c_str(), f.target.c_str()) != 0) {
            result = writeFailed(f.target, errno);
            unlink(f.tmp.c_str());
        } else if (!result.ok()) {
            unlink(f.tmp.c_str());
        } else {
            ++renamed;
            afterRename(renamed);
        }
        ::close(f.fd);
        f.fd = -1;
    }
    bool putBack = true;
    for (size_t i = 0; i < backups.size(); ++i) {
        if (!result.ok() && i < renamed) {
            if (!backups[i].path.empty() && std::rename(backups[i].path.c_str(), pending[i].target.c_str()) == 0)
                backups[i].path.clear();
            else if (existed[i] || unlink(pending[i].target.c_str()) != 0)
                putBack = false;
        }
    }
    // Complete, or wholly put back: the old files are not needed any more. A set that could not
    // be put back keeps its record (and its old files) for the next start to finish.
    if (putBack) {
        endSet(record);
    } else if (record.fd >= 0) {
        ::close(record.fd);
        record = SetRecord{};
        for (Backup& b : backups)
            b.path.clear();
    }
    for (Backup& b : backups)
        dropBackup(b);
    return result;
}

Result WriteFileAtomic(const std::string& path, std::string_view bytes)
{
    return WriteFilesAtomic({{path, bytes}});
}

namespace {

bool isTemporaryTag(std::string_view name, size_t at)
{
    if (name.substr(at, 4) != ".tmp" || name.size() < at + 10)
        return false;
    for (size_t i = at + 4; i < at + 10; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// True when nobody holds the file and it was last written a while ago.
bool abandoned(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool stale = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime + 2 < time(nullptr)
                 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return stale;
}

}  // namespace

namespace {

// Puts back the old files of a set whose writer left its record (see beginSet): the renames
// stopped half way, so each target that took its new file gets its old file again, or goes if it
// was new. A record cut short was never acted on (the renames wait for all of it) and only goes.
// Only plain names of this folder that `accept` owns are touched; safe to repeat after a kill.
void recoverSet(const std::string& folder, const std::string& recordPath,
                const std::function<bool(std::string_view)>& accept)
{
    std::string text;
    if (!ReadFileBytes(recordPath, text, 64 * 1024))
        return;
    struct Entry {
        std::string name, old;
        ino_t inode;
    };
    std::vector<Entry> entries;
    size_t at = 0;
    bool header = true, complete = false;
    while (at < text.size() && !complete) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break;
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        if (header) {
            if (line != kSetHeader)
                return;
            header = false;
        } else if (line == "end") {
            complete = true;
        } else {
            const size_t tab = line.find('\t'), tab2 = line.find('\t', tab + 1);
            if (tab2 == std::string_view::npos)
                return;
            const std::string inode(line.substr(tab2 + 1));
            entries.push_back({std::string(line.substr(0, tab)), std::string(line.substr(tab + 1, tab2 - tab - 1)),
                               static_cast<ino_t>(std::strtoull(inode.c_str(), nullptr, 10))});
        }
    }
    if (!complete)
        return;
    for (const auto& [name, old, inode] : entries) {
        const bool plain = !name.empty() && name.find('/') == std::string::npos && old.find('/') == std::string::npos
                           && (old.empty() || old.rfind(name + ".tmp", 0) == 0);
        if (!plain || !accept(name))
            continue;
        // Only a target that still holds this set's new file: one that never took it, or that a
        // later write replaced, stays as it is.
        const std::string target = JoinPath(folder, name);
        struct stat st;
        if (lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_ino != inode)
            continue;
        if (old.empty())
            unlink(target.c_str());
        else if (FileExists(JoinPath(folder, old)))
            std::rename(JoinPath(folder, old).c_str(), target.c_str());
    }
    syncFolderOf(recordPath);
}

}  // namespace

int RemoveStaleTemporaries(const std::string& folder,
                           const std::function<bool(std::string_view target, std::string_view suffix)>& ours)
{
    // First the sets a killed writer left half renamed, while their old files are still there.
    // The folder is read once; again only when a set was put back (its old files moved).
    std::vector<std::string> names = FindFiles(folder, "*.tmp*");
    bool recovered = false;
    for (const std::string& name : names) {
        std::string_view n(name);
        const size_t at = n.find(".tmp");
        if (at == 0 || at == std::string_view::npos || !isTemporaryTag(n, at) || n.substr(at + 10) != kSetSuffix
            || !ours(n.substr(0, at), {}))
            continue;
        const std::string path = JoinPath(folder, name);
        if (!abandoned(path))
            continue;
        recoverSet(folder, path, [&ours](std::string_view target) { return ours(target, {}); });
        unlink(path.c_str());
        recovered = true;
    }
    if (recovered)
        names = FindFiles(folder, "*.tmp*");
    int removed = 0;
    for (const std::string& name : names) {
        std::string_view n(name);
        bool match = false;
        for (size_t at = n.find(".tmp"); !match && at != std::string_view::npos; at = n.find(".tmp", at + 1))
            match = at > 0 && isTemporaryTag(n, at) && ours(n.substr(0, at), n.substr(at + 10));
        const std::string path = JoinPath(folder, name);
        if (match && abandoned(path) && unlink(path.c_str()) == 0)
            ++removed;
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
