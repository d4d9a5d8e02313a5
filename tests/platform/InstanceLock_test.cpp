#include "platform/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
