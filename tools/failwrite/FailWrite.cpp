// A preload library that makes one write to the disk fail, as a full disk or a failing one
// would: LD_PRELOAD=libkelto_failwrite.so.
//   KELTO_FAIL_PREFIXES  folders (':' between them) whose files count; calls on any other file
//                        (Qt's caches, the terminal) pass untouched
//   KELTO_FAIL_AT        the number of the counted call that fails (0 or unset: none, only count)
//   KELTO_FAIL_ERRNO     ENOSPC (the default) or EIO
//   KELTO_FAIL_LOG       a file that gets one line per counted call: "N CALL PATH", and "FAIL"
//                        after the one made to fail
// Counted calls: write, writev, pwrite, pwrite64, fsync, fdatasync and close of a file written
// through that descriptor, rename, renameat, renameat2, linkat (the name a file made without
// one gets).
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxFd = 65536;
std::atomic<bool> g_written[kMaxFd];
std::atomic<long> g_calls{0};
long g_failAt = 0;
int g_errno = ENOSPC;
int g_log = -1;
char g_prefixes[4096];

__attribute__((constructor)) void setUp()
{
    if (const char* p = std::getenv("KELTO_FAIL_PREFIXES"))
        std::snprintf(g_prefixes, sizeof g_prefixes, "%s", p);
    if (const char* n = std::getenv("KELTO_FAIL_AT"))
        g_failAt = std::atol(n);
    if (const char* e = std::getenv("KELTO_FAIL_ERRNO"); e && std::strcmp(e, "EIO") == 0)
        g_errno = EIO;
    if (const char* log = std::getenv("KELTO_FAIL_LOG"))
        g_log = static_cast<int>(syscall(SYS_open, log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
}

// True when the path (made absolute) lies under one of the folders.
bool counted(const char* path)
{
    if (!path || !*g_prefixes)
        return false;
    char full[8192];
    if (path[0] == '/')
        std::snprintf(full, sizeof full, "%s", path);
    else {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd))
            return false;
        std::snprintf(full, sizeof full, "%s/%s", cwd, path);
    }
    for (const char* p = g_prefixes; *p;) {
        const char* end = std::strchr(p, ':');
        size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (n && std::strncmp(full, p, n) == 0 && (full[n] == '/' || full[n] == '\0'))
            return true;
        p += n + (end ? 1 : 0);
    }
    return false;
}

bool fdPath(int fd, char* out, size_t size)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, out, size - 1);
    if (n <= 0)
        return false;
    out[n] = '\0';
    return true;
}

// Counts one call on `path`; true when it is the one to fail.
bool failThis(const char* call, const char* path)
{
    const long n = ++g_calls;
    const bool fail = n == g_failAt;
    if (g_log >= 0) {
        char line[8400];
        int len = std::snprintf(line, sizeof line, "%ld %s %s%s\n", n, call, path, fail ? " FAIL" : "");
        if (len > 0)
            syscall(SYS_write, g_log, line, static_cast<size_t>(std::min<int>(len, sizeof line - 1)));
    }
    return fail;
}

// For a call on a descriptor: true when it counts and is the one to fail.
bool failOnFd(const char* call, int fd, bool writes)
{
    char path[4096];
    if (fd < 0 || !fdPath(fd, path, sizeof path) || !counted(path))
        return false;
    if (writes && fd < kMaxFd)
        g_written[fd] = true;
    return failThis(call, path);
}

template <typename F>
F real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t n)
{
    static auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
    if (failOnFd("write", fd, true)) {
        errno = g_errno;
        return -1;
    }
    return next(fd, buf, n);
}

ssize_t writev(int fd, const struct iovec* iov, int count)
{
    static auto next = real<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (failOnFd("writev", fd, true)) {
        errno = g_errno;
        return -1;
    }
    return next(fd, iov, count);
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t at)
{
    static auto next = real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    if (failOnFd("pwrite", fd, true)) {
        errno = g_errno;
        return -1;
    }
    return next(fd, buf, n, at);
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t at)
{
    static auto next = real<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    if (failOnFd("pwrite64", fd, true)) {
        errno = g_errno;
        return -1;
    }
    return next(fd, buf, n, at);
}

int fsync(int fd)
{
    static auto next = real<int (*)(int)>("fsync");
    if (failOnFd("fsync", fd, false)) {
        errno = g_errno;
        return -1;
    }
    return next(fd);
}

int fdatasync(int fd)
{
    static auto next = real<int (*)(int)>("fdatasync");
    if (failOnFd("fdatasync", fd, false)) {
        errno = g_errno;
        return -1;
    }
    return next(fd);
}

// A close reports a write the kernel could not complete; the descriptor is gone either way.
int close(int fd)
{
    static auto next = real<int (*)(int)>("close");
    bool fail = false;
    if (fd >= 0 && fd < kMaxFd && g_written[fd].exchange(false)) {
        char path[4096];
        if (fdPath(fd, path, sizeof path))
            fail = failThis("close", path);
    }
    int r = next(fd);
    if (fail && r == 0) {
        errno = EIO;
        return -1;
    }
    return r;
}

int rename(const char* from, const char* to)
{
    static auto next = real<int (*)(const char*, const char*)>("rename");
    if ((counted(from) || counted(to)) && failThis("rename", to)) {
        errno = g_errno;
        return -1;
    }
    return next(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    static auto next = real<int (*)(int, const char*, int, const char*)>("renameat");
    const bool plain = (fromDir == AT_FDCWD || from[0] == '/') && (toDir == AT_FDCWD || to[0] == '/');
    if (plain && (counted(from) || counted(to)) && failThis("renameat", to)) {
        errno = g_errno;
        return -1;
    }
    return next(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags)
{
    static auto next = real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    const bool plain = (fromDir == AT_FDCWD || from[0] == '/') && (toDir == AT_FDCWD || to[0] == '/');
    if (plain && (counted(from) || counted(to)) && failThis("renameat2", to)) {
        errno = g_errno;
        return -1;
    }
    return next(fromDir, from, toDir, to, flags);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    static auto next = real<int (*)(int, const char*, int, const char*, int)>("linkat");
    if ((toDir == AT_FDCWD || to[0] == '/') && counted(to) && failThis("linkat", to)) {
        errno = g_errno;
        return -1;
    }
    return next(fromDir, from, toDir, to, flags);
}

}  // extern "C"
