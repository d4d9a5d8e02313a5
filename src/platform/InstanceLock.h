#pragma once
// The single-instance lock: an exclusive lock on a file named after the program in the user's
// runtime folder. The lock goes with the process, so a crashed copy never blocks the next; the
// holder removes the file when it releases the lock.
#include "res/AppIdentity.h"

#include <string>

class InstanceLock {
public:
    explicit InstanceLock(std::string name = kInstanceLockName);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // False when another process holds it.
    bool acquire();
    void release();
    bool held() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
};
