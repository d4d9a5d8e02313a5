// The page fetch and the weather operations against a local server shaped like the site.
#include "platform/IniFile.h"
#include "platform/Module.h"
#include "res/Strings.h"
#include "store/DayRecord.h"
#include "support/CountingProgress.h"
#include "support/LocalWeatherServer.h"
#include "support/RequireWritten.h"
#include "weather/BulkWeatherFetch.h"
#include "weather/CurlPageFetcher.h"
#include "weather/WeatherFetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {
const WeatherPlace kTokyo{44, 47662};

// The local site, a Weather.ini that points at it and the client that asks it.
struct LocalSite {
    explicit LocalSite(const QStringList& options = {}) : server(false, options)
    {
        ini = server.writeWeatherIni(dir.path());
    }
    WeatherSite site() const { return ReadWeatherSite(ini); }
    LocalWeatherServer server;
    TempDir dir;
    std::string ini;
    CurlPageFetcher fetcher;
};
}  // namespace

TEST(WeatherServer, FetchFollowsRedirectsAndReportsEveryFailure)
{
    LocalWeatherServer server;
    ASSERT_TRUE(server.running());
    CurlPageFetcher fetcher;
    FetchResult moved = fetcher.fetch(server.base() + "/obd/stats/etrn/select/prefecture00.php?prec_no=", 10);
    EXPECT_TRUE(moved.ok()) << moved.error;
    EXPECT_EQ(moved.finalUrl, server.base() + "/stats/etrn/select/prefecture00.php?prec_no=");
    EXPECT_EQ(moved.headers.rfind("HTTP/1.1 200", 0), 0u) << moved.headers;  // the final response's
    EXPECT_NE(moved.body.find("map name"), std::string::npos);

    struct Case {
        std::string url;
        FetchFailure failure;
        int status;
    } cases[] = {
        {server.base() + "/missing", FetchFailure::None, 404},
        {server.base() + "/close", FetchFailure::Dropped, 200},  // closed mid-body
        {server.base() + "/stall", FetchFailure::TimedOut, 0},   // never answers: the time-out ends it
        {"http://127.0.0.1:1/", FetchFailure::Connect, 0},     // nobody listens
        {"http://no-such-host.invalid/", FetchFailure::Resolve, 0},
    };
    for (const Case& c : cases) {
        FetchResult r = fetcher.fetch(c.url, 2);
        EXPECT_FALSE(r.ok()) << c.url;
        EXPECT_EQ(r.failure, c.failure) << c.url << ": " << r.error;
        EXPECT_EQ(r.status, c.status) << c.url;
    }
    WeatherError error;
    EXPECT_FALSE(FetchPage(fetcher, "http://127.0.0.1:1/", 2, &error));
    EXPECT_EQ(error.network, Msg::WeatherSiteUnreachable);

    // A stop ends a request the site never answers at once, long before its time-out.
    std::atomic<bool> stop{false};
    FetchResult stopped;
    std::thread asking([&] { stopped = fetcher.fetch(server.base() + "/stall", 50, [&] { return stop.load(); }); });
    while (server.requestsFor("/stall") < 2)  // the table's request, then this one
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop = true;
    asking.join();
    EXPECT_EQ(stopped.failure, FetchFailure::Cancelled) << stopped.error;

    // The network module missing from the program folder: every fetch fails, naming it.
    const std::string folder = ModuleFolder();
    SetModuleFolder("/nonexistent");
    const FetchResult missing = fetcher.fetch(server.base() + "/missing", 2);
    WeatherError told;
    EXPECT_FALSE(FetchPage(fetcher, server.base() + "/missing", 2, &told));
    SetModuleFolder(folder);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.failure, FetchFailure::Other);
    EXPECT_NE(missing.error.find("/nonexistent/libkelto_net.so"), std::string::npos) << missing.error;
    // The window's message names the file, in one pair of brackets.
    EXPECT_EQ(WeatherFaultText(told),
              LoadString(Msg::WeatherNoPage) + std::string("（/nonexistent/libkelto_net.so is missing）"));
}

TEST(WeatherServer, HttpsWithATrustedCertificateOnly)
{
    LocalWeatherServer server(true);
    ASSERT_TRUE(server.running());
    const std::string url = server.base() + "/stats/etrn/select/prefecture00.php";
    {
        CurlPageFetcher untrusted;  // the system's store does not know the test's certificate
        FetchResult r = untrusted.fetch(url, 10);
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(r.error.empty());
    }
    setenv("KELTO_CA_FILE", server.ca().c_str(), 1);
    CurlPageFetcher trusted;
    unsetenv("KELTO_CA_FILE");
    FetchResult r = trusted.fetch(url, 10);
    EXPECT_TRUE(r.ok()) << r.error;
    EXPECT_TRUE(PageIsUtf8(r.headers + r.body));
}

TEST(WeatherServer, DaysMonthsAndListsOfTheSite)
{
    LocalSite local;
    ASSERT_TRUE(local.server.running());
    const WeatherSite site = local.site();
    CurlPageFetcher& fetcher = local.fetcher;

    std::optional<DayWeather> w = FetchDayWeather(fetcher, site, kTokyo, QDate(2023, 6, 2), nullptr);
    ASSERT_TRUE(w);
    EXPECT_FLOAT_EQ(w->HighTemp, 20.2f);  // "20.2 )"
    EXPECT_FLOAT_EQ(w->LowTemp, 10.2f);
    EXPECT_FLOAT_EQ(w->Daylight, 2.0f);
    EXPECT_EQ(w->Weather, "曇一時雨");
    w = FetchDayWeather(fetcher, site, kTokyo, QDate(2023, 6, 13), nullptr);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->LowTemp, kUnsetTemperature);  // "×"
    w = FetchDayWeather(fetcher, site, kTokyo, QDate(2023, 6, 30), nullptr);
    ASSERT_TRUE(w);
    EXPECT_FLOAT_EQ(w->Daylight, 0.0f);  // "--"
    w = FetchDayWeather(fetcher, site, {44, -363}, QDate(2024, 2, 29), nullptr);
    ASSERT_TRUE(w);
    EXPECT_FLOAT_EQ(w->LowTemp, 12.9f);
    EXPECT_EQ(w->Weather, "");  // AMeDAS pages have none
    // An observatory's page asked with an AMeDAS number is the site's error page.
    EXPECT_FALSE(FetchDayWeather(fetcher, site, {44, 363}, QDate(2023, 6, 2), nullptr));

    std::optional<MonthWeatherTable> month = FetchMonthWeather(fetcher, site, kTokyo, 2023, 2, nullptr);
    ASSERT_TRUE(month);
    EXPECT_EQ(month->count, 28);
    EXPECT_FLOAT_EQ(month->days[27].HighTemp, 22.8f);

    auto prefectures = FetchPrefectureList(fetcher, site, nullptr);
    ASSERT_TRUE(prefectures);
    ASSERT_EQ(prefectures->size(), 6u);
    EXPECT_EQ((*prefectures)[3].name, "東京都");
    EXPECT_EQ((*prefectures)[3].code, 44);
    auto stations = FetchStationList(fetcher, site, 44, nullptr);
    ASSERT_TRUE(stations);
    ASSERT_EQ(stations->size(), 4u);
    EXPECT_EQ((*stations)[0].name, "東京◎");
    EXPECT_EQ((*stations)[1].code, -363);
    EXPECT_EQ(local.server.requests().size(), 8u);  // one per fetch
}

TEST(WeatherServer, BulkRunAsksOncePerMonthAndWritesEveryPastDay)
{
    LocalSite local;
    ASSERT_TRUE(local.server.running());
    const WeatherSite site = local.site();
    CurlPageFetcher& fetcher = local.fetcher;
    LocalWeatherServer& server = local.server;
    TempDir& dir = local.dir;
    std::vector<QDate> days;
    for (QDate d(2023, 4, 28); d <= QDate(2023, 6, 3); d = d.addDays(1))
        days.push_back(d);
    const std::string folder = dir.mkdir("nb");
    BulkWeatherHooks hooks;
    hooks.write = [&](const QDate& d, const DayWeather& w) { return WriteDayWeather(folder, d, w).ok(); };

    struct Case {
        QDate today;
        int written, skipped;
    } cases[] = {{QDate(2023, 6, 10), 37, 0}, {QDate(2023, 6, 2), 35, 2}};
    for (const Case& c : cases) {
        size_t before = server.requests().size();
        CountingProgress progress;
        BulkWeatherReport r = RunBulkWeatherFetch(fetcher, site, kTokyo, days, c.today, progress, hooks);
        EXPECT_FALSE(r.failed) << r.error.detail;
        EXPECT_EQ(r.written, c.written);
        EXPECT_EQ(r.skipped, c.skipped);
        EXPECT_EQ(progress.value, c.written);
        EXPECT_EQ(progress.maximum, 37);
        // April, May, June: three requests, as the server saw them.
        EXPECT_EQ(server.requests().size() - before, 3u);
        EXPECT_EQ(r.requests, 3);
    }
    EXPECT_EQ(IniFile::ReadString(DayFilePath(folder, QDate(2023, 5, 31), "dat"), "Weather", "HighTemp"),
              "23.1");
    EXPECT_EQ(IniFile::ReadString(DayFilePath(folder, QDate(2023, 5, 31), "dat"), "Weather", "Weather"),
              "晴後曇");

    // A station the site does not know: every month is its error page; each is listed with the
    // reason, nothing is written.
    const std::string other = dir.mkdir("other");
    hooks.write = [&](const QDate& d, const DayWeather& w) { return WriteDayWeather(other, d, w).ok(); };
    CountingProgress progress;
    BulkWeatherReport r =
        RunBulkWeatherFetch(fetcher, site, {44, 47999}, days, QDate(2023, 6, 10), progress, hooks);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(r.requests, 3);
    ASSERT_EQ(r.failedMonths.size(), 3u);
    EXPECT_EQ(r.failedMonths[1].month, 5);
    EXPECT_EQ(r.failedMonths[1].days, 31);
    EXPECT_EQ(r.failedMonths[1].error.fault, WeatherFault::NoTable);
    EXPECT_TRUE(QDir(QString::fromStdString(other)).isEmpty());
    const std::string summary = BulkWeatherSummary(r);
    EXPECT_EQ(summary.rfind(LoadString(Msg::BulkWeatherFailed), 0), 0u) << summary;
    EXPECT_NE(summary.find("2023年4月（3日分）: "), std::string::npos) << summary;
    EXPECT_NE(summary.find(LoadString(Msg::WeatherNoTable)), std::string::npos) << summary;
}

TEST(WeatherServer, ASiteThatStopsAnsweringEndsTheRunAndTheReportSaysWhereAndWhy)
{
    struct Case {
        const char* mode;
        WeatherFault fault;
        Msg reason;
    } cases[] = {{"drop", WeatherFault::Dropped, Msg::WeatherDropped},
                 {"stall", WeatherFault::TimedOut, Msg::WeatherTimedOut}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        LocalSite local({"--daily", c.mode, "--from", "2023-05"});
        ASSERT_TRUE(local.server.running());
        RequireWritten(IniFile::WriteString(local.ini, "Net", "Timeout", "2"));
        const WeatherSite site = local.site();
        std::vector<QDate> days;
        for (QDate d(2023, 4, 28); d <= QDate(2023, 6, 3); d = d.addDays(1))
            days.push_back(d);
        int written = 0;
        BulkWeatherHooks hooks;
        hooks.write = [&](const QDate&, const DayWeather&) { return ++written > 0; };
        CountingProgress progress;
        BulkWeatherReport r =
            RunBulkWeatherFetch(local.fetcher, site, kTokyo, days, QDate(2023, 6, 10), progress, hooks);
        EXPECT_EQ(r.written, 3);  // April
        EXPECT_EQ(r.requests, 2);  // June is not asked
        ASSERT_EQ(r.failedMonths.size(), 1u);
        EXPECT_EQ(r.failedMonths[0].month, 5);
        EXPECT_EQ(r.failedMonths[0].days, 31);
        EXPECT_EQ(r.failedMonths[0].error.fault, c.fault);
        EXPECT_EQ(r.notFetched, 3);
        EXPECT_EQ(r.notFetchedFrom, QDate(2023, 6, 1));
        const std::string summary = BulkWeatherSummary(r);
        for (const std::string& part : {std::string("3日分の気象データを書き込みました。"),
                                        std::string("2023年5月（31日分）: 気象データの取得に失敗しました。"),
                                        std::string(LoadString(c.reason)), std::string("2023年6月1日から後の3日分")})
            EXPECT_NE(summary.find(part), std::string::npos) << summary;
    }
}

TEST(WeatherServer, MarkedCellsAreReadAndNeverEraseNorInjectDayValues)
{
    LocalSite local;
    ASSERT_TRUE(local.server.running());
    const WeatherSite site = local.site();
    const std::string folder = local.dir.mkdir("nb");
    // Every day holds the user's weather and a height.
    std::vector<QDate> days;
    for (int d = 1; d <= 6; ++d) {
        const QDate date(2023, 7, d);
        days.push_back(date);
        DayWeather held;
        held.LowTemp = 5.0f;
        held.HighTemp = 30.0f;
        held.Daylight = 4.0f;
        held.Weather = "晴";
        ASSERT_TRUE(WriteDayWeather(folder, date, held));
        ASSERT_TRUE(IniFile::WriteString(DayFilePath(folder, date, "dat"), "Growth", "DataHeight", "3.5"));
    }
    BulkWeatherHooks hooks;
    hooks.write = [&](const QDate& d, const DayWeather& w) { return WriteFetchedWeather(folder, d, w).ok(); };
    CountingProgress progress;
    BulkWeatherReport r = RunBulkWeatherFetch(local.fetcher, site, kTokyo, days, QDate(2023, 8, 1), progress, hooks);
    EXPECT_EQ(r.written, 6);
    struct Want {
        int day;
        const char* key;
        const char* value;
    } wants[] = {
        {1, "Weather", "x"},      // the cell's first line only
        {2, "LowTemp", "12.3"},   // "12.3 ]" is a value
        {2, "HighTemp", "20.2"},  // a plain value replaces the held one
        {3, "HighTemp", "30.0"},  // "///": the held value stays
        {4, "Daylight", "4.0"},   // "#"
        {5, "LowTemp", "5.0"},    // an empty cell
        {6, "Weather", "晴"},     // "×"
    };
    for (const Want& w : wants)
        EXPECT_EQ(IniFile::ReadString(DayFilePath(folder, QDate(2023, 7, w.day), "dat"), "Weather", w.key), w.value)
            << w.day << " " << w.key;
    for (int d = 1; d <= 6; ++d)
        EXPECT_EQ(IniFile::ReadString(DayFilePath(folder, QDate(2023, 7, d), "dat"), "Growth", "DataHeight"), "3.5");
}
