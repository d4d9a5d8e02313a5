#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

InstanceLock::InstanceLock(std::string name)
{
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = (dir && *dir) ? dir : "/tmp";
    m_path = folder + "/" + name + "-" + std::to_string(getuid()) + ".lock";
}

InstanceLock::~InstanceLock()
{
    release();
}

bool InstanceLock::acquire()
{
    if (m_fd >= 0)
        return true;
    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 && m_path.rfind("/tmp/", 0) != 0) {
        // A runtime folder we cannot write to must not pass for "already running".
        m_path = "/tmp/" + m_path.substr(m_path.find_last_of('/') + 1);
        fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    }
    if (fd < 0)
        return true;  // no lock can be taken anywhere: let the program run
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void InstanceLock::release()
{
    if (m_fd >= 0) {
        flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}
