#include "platform/InstanceLock.h"

#include "platform/AppFolders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

InstanceLock::InstanceLock(std::string name)
{
    m_path = AppFolders::RuntimeFolder() + "/" + name + "-" + std::to_string(getuid()) + ".lock";
}

InstanceLock::~InstanceLock()
{
    release();
}

namespace {
// Opens and locks `path`. The holder removes the file when it lets go, so a lock taken on a
// file that was unlinked meanwhile guards nothing: the lock counts only while the path still
// names the very file that was locked; otherwise it is taken again on the new file.
// Returns the descriptor, -1 when another process holds the lock, -2 when no file can be opened.
int lockPath(const std::string& path)
{
    for (;;) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return -2;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        struct stat locked, named;
        if (fstat(fd, &locked) == 0 && stat(path.c_str(), &named) == 0 && locked.st_dev == named.st_dev
            && locked.st_ino == named.st_ino)
            return fd;
        ::close(fd);  // the file was removed by its last holder: take the lock on a fresh one
    }
}
}  // namespace

bool InstanceLock::acquire()
{
    if (m_fd >= 0)
        return true;
    int fd = lockPath(m_path);
    if (fd == -2 && m_path.rfind("/tmp/", 0) != 0) {
        // A runtime folder we cannot write to must not pass for "already running".
        m_path = "/tmp/" + m_path.substr(m_path.find_last_of('/') + 1);
        fd = lockPath(m_path);
    }
    if (fd == -1)
        return false;
    if (fd < 0)
        return true;  // no lock can be taken anywhere: let the program run
    m_fd = fd;
    return true;
}

void InstanceLock::release()
{
    if (m_fd >= 0) {
        // Removed while still locked: a process that opened the old file meanwhile sees, once it
        // gets the lock, that the path no longer names it and starts over on a new file.
        struct stat locked, named;
        if (fstat(m_fd, &locked) == 0 && stat(m_path.c_str(), &named) == 0 && locked.st_dev == named.st_dev
            && locked.st_ino == named.st_ino)
            ::unlink(m_path.c_str());
        flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}
