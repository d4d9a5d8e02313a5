#include "platform/PageFetcher.h"

#include "support/FakePageFetcher.h"

#include <gtest/gtest.h>

#include <thread>

TEST(PageFetcher, OnlyAWholeSuccessfulResponseIsOk)
{
    struct Case {
        int status;
        std::string error;
        bool ok;
    };
    const Case cases[] = {
        {200, "", true},
        {204, "", true},
        {301, "", false},
        {404, "", false},
        {500, "", false},
        {0, "timed out", false},
        {200, "connection reset", false},  // a body cut short is no page
    };
    for (const Case& c : cases) {
        FetchResult r;
        r.status = c.status;
        r.error = c.error;
        EXPECT_EQ(r.ok(), c.ok) << c.status << " " << c.error;
    }
}

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
