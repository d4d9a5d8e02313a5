// The months kept for the run: asked once, asked again only when they may have grown, failures
// holding off the draws but not the user, one request for two threads, a stop that ends a wait.
#include "support/FakePageFetcher.h"
#include "support/GatePageFetcher.h"
#include "weather/WeatherMonths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {
const WeatherPlace kTokyo{44, 47662};
const WeatherPlace kNerima{44, -363};

WeatherSite site()
{
    WeatherSite s;
    s.baseUrl = "http://weather.test";
    return s;
}

// A page of the default layout's table (the values do not matter here).
std::string monthPage()
{
    std::string p = "<table class=\"t\">";
    for (int i = 0; i < 4; ++i)
        p += "<tr><th>h</th></tr>";
    for (int d = 1; d <= 30; ++d) {
        p += "<tr><td>" + std::to_string(d) + "</td>";
        for (int k = 2; k <= 21; ++k)
            p += "<td>" + std::to_string(d) + ".0</td>";
        p += "</tr>";
    }
    return p + "</table>";
}

struct World {
    World()
    {
        for (const WeatherPlace& p : {kTokyo, kNerima})
            for (int m = 4; m <= 6; ++m)
                pages.putPage(DailyPageUrl(s, p, 2023, m), monthPage());
    }
    // Asks and says whether a request went out.
    bool ask(const WeatherPlace& p, int month, const QDate& today,
             WeatherMonths::Retry retry = WeatherMonths::Retry::Always, WeatherMonths::Month* got = nullptr)
    {
        const size_t before = pages.requested().size();
        WeatherMonths::Month m = months.fetch(pages, s, p, 2023, month, today, nullptr, {}, retry);
        if (got)
            *got = m;
        return pages.requested().size() > before;
    }
    WeatherSite s = site();
    FakePageFetcher pages;
    WeatherMonths months;
};
}  // namespace

TEST(WeatherMonths, AMonthIsAskedOnceUnlessItMayHaveGrown)
{
    World w;
    const QDate june10(2023, 6, 10), june11(2023, 6, 11);
    struct Step {
        WeatherPlace place;
        int month;
        QDate today;
        bool asked;
    } steps[] = {
        {kTokyo, 5, june10, true},   {kTokyo, 5, june10, false},
        {kTokyo, 6, june10, true},   {kTokyo, 6, june10, false},
        {kTokyo, 6, june11, true},   // the current month gains a day each day
        {kTokyo, 5, june11, false},  // a month fetched after its end is whole
        {kNerima, 5, june11, true},  // another place is another page
    };
    for (const Step& st : steps)
        EXPECT_EQ(w.ask(st.place, st.month, st.today), st.asked) << st.place.station << " " << st.month << " "
                                                                  << st.today.day();
    WeatherMonths::Month may = w.months.kept(w.s, kTokyo, 2023, 5, june11);
    ASSERT_TRUE(may);
    EXPECT_EQ(may->table.count, 30);
    ASSERT_TRUE(may->days[29]);
    EXPECT_FALSE(may->days[30]);  // no row for the 31st
}

TEST(WeatherMonths, FailuresHoldOffTheDrawsButNotTheUser)
{
    World w;
    const QDate today(2023, 6, 10);
    // A month the site answers with an error: a draw does not ask again soon, the user does.
    w.pages.putPage(DailyPageUrl(w.s, kTokyo, 2023, 4), "<html>ページを表示することが出来ませんでした。</html>");
    EXPECT_TRUE(w.ask(kTokyo, 4, today, WeatherMonths::Retry::NotSoon));
    EXPECT_FALSE(w.ask(kTokyo, 4, today, WeatherMonths::Retry::NotSoon));
    EXPECT_TRUE(w.months.wouldAsk(w.s, kTokyo, 2023, 5, today, WeatherMonths::Retry::NotSoon));
    EXPECT_TRUE(w.ask(kTokyo, 4, today, WeatherMonths::Retry::Always));
    // A site that gives no answer: no month is asked for a draw soon after.
    FetchResult dropped;
    dropped.error = "Empty reply from server";
    dropped.failure = FetchFailure::Dropped;
    w.pages.put(DailyPageUrl(w.s, kNerima, 2023, 4), dropped);
    WeatherError error;
    EXPECT_FALSE(w.months.fetch(w.pages, w.s, kNerima, 2023, 4, today, &error));
    EXPECT_EQ(error.fault, WeatherFault::Dropped);
    EXPECT_FALSE(w.ask(kTokyo, 5, today, WeatherMonths::Retry::NotSoon));
    EXPECT_FALSE(w.months.wouldAsk(w.s, kTokyo, 2023, 6, today, WeatherMonths::Retry::NotSoon));
    WeatherMonths::Month got;
    EXPECT_TRUE(w.ask(kTokyo, 5, today, WeatherMonths::Retry::Always, &got));
    EXPECT_TRUE(got);
    // The site answered again: draws ask again.
    EXPECT_TRUE(w.ask(kTokyo, 6, today, WeatherMonths::Retry::NotSoon));
}

TEST(WeatherMonths, TwoThreadsShareOneRequestAndAStopEndsAWaitAtOnce)
{
    World w;
    GatePageFetcher gate(w.pages);
    const QDate today(2023, 6, 10);
    WeatherMonths::Month first, second;
    std::thread a([&] { first = w.months.fetch(gate, w.s, kTokyo, 2023, 5, today, nullptr); });
    while (gate.waiting() == 0)
        std::this_thread::yield();
    std::thread b([&] { second = w.months.fetch(gate, w.s, kTokyo, 2023, 5, today, nullptr); });
    // The second waits for the first's answer; so does a third that is stopped: it ends at once.
    std::atomic<bool> stop{true};
    WeatherError stopped;
    EXPECT_FALSE(w.months.fetch(gate, w.s, kTokyo, 2023, 5, today, &stopped, [&] { return stop.load(); }));
    EXPECT_EQ(stopped.fault, WeatherFault::Cancelled);
    gate.open();
    a.join();
    b.join();
    EXPECT_TRUE(first && second);
    EXPECT_EQ(first, second);
    EXPECT_EQ(w.pages.requested().size(), 1u);

    // A request a stop ended leaves nothing behind: a draw asks at once afterwards.
    gate.open(false);
    EXPECT_FALSE(w.months.fetch(gate, w.s, kTokyo, 2023, 6, today, &stopped, [&] { return stop.load(); }));
    EXPECT_EQ(stopped.fault, WeatherFault::Cancelled);
    EXPECT_EQ(gate.cancelled(), 1);
    EXPECT_TRUE(w.months.wouldAsk(w.s, kTokyo, 2023, 6, today, WeatherMonths::Retry::NotSoon));
}
