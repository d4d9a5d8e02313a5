#include "platform/PageFetcher.h"

#include "support/FakePageFetcher.h"

#include <gtest/gtest.h>

#include <thread>

TEST(PageFetcher, FakeAnswersFromItsTableOnAnyThread)
{
    FakePageFetcher fetcher;
    fetcher.putPage("http://weather.test/a", "<html>a</html>");
    FetchResult moved;
    moved.status = 200;
    moved.finalUrl = "https://weather.test/b";
    fetcher.put("http://weather.test/b", moved);

    FetchResult a, b, missing;
    std::thread worker([&] {
        a = fetcher.fetch("http://weather.test/a", 30);
        b = fetcher.fetch("http://weather.test/b", 30);
        missing = fetcher.fetch("http://weather.test/c", 5);
    });
    worker.join();
    EXPECT_TRUE(a.ok());
    EXPECT_EQ(a.body, "<html>a</html>");
    EXPECT_EQ(a.finalUrl, "http://weather.test/a");
    EXPECT_EQ(b.finalUrl, "https://weather.test/b");
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(fetcher.timeouts(), (std::vector<int>{30, 30, 5}));
    EXPECT_EQ(fetcher.requested().back(), "http://weather.test/c");
}
