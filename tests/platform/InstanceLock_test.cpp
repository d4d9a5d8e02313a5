#include "platform/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Files.h"
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TEST(InstanceLock, OneHolderAtATimeAndAnUnwritableFolderDoesNotBlock)
{
    TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    {
        InstanceLock a("KeltoLockTest"), b("KeltoLockTest");
        EXPECT_TRUE(a.acquire());
        EXPECT_FALSE(b.acquire());
        a.release();
        EXPECT_TRUE(b.acquire());
    }
    setenv("XDG_RUNTIME_DIR", dir.file("no/such/folder").c_str(), 1);
    InstanceLock c("KeltoLockTest2");
    EXPECT_TRUE(c.acquire());
    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

TEST(InstanceLock, ReleaseRemovesTheFileAndOneHolderStaysTheRule)
{
    TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    {
        InstanceLock a("KeltoLockTest"), b("KeltoLockTest"), c("KeltoLockTest");
        ASSERT_TRUE(a.acquire());
        ASSERT_TRUE(FileExists(a.path()));
        // Another process opened the file just before a let go, and locks it afterwards.
        int late = ::open(a.path().c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(late, 0);
        a.release();
        EXPECT_FALSE(FileExists(a.path()));
        EXPECT_EQ(flock(late, LOCK_EX | LOCK_NB), 0);  // a lock on the removed file...
        EXPECT_TRUE(b.acquire());                      // ...does not stop the next holder,
        EXPECT_FALSE(c.acquire());                     // who alone holds the lock
        ::close(late);
        EXPECT_FALSE(c.acquire());
        b.release();
        EXPECT_TRUE(c.acquire());
        c.release();
        EXPECT_FALSE(FileExists(c.path()));
    }
    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}
