// The page fetch and the weather operations against a local server shaped like the site.
#include "platform/IniFile.h"
#include "platform/Module.h"
#include "store/DayRecord.h"
#include "support/LocalWeatherServer.h"
#include "weather/BulkWeatherFetch.h"
#include "weather/CurlPageFetcher.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
class CountingProgress : public Progress {
public:
    void setRange(int m) override { maximum = m; }
    void setValue(int v) override { value = v; }
    void setText(const std::string&) override {}
    int maximum = 0, value = 0;
};

const WeatherPlace kTokyo{44, 47662};
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
        {server.base() + "/close", FetchFailure::Other, 200},  // closed mid-body
        {server.base() + "/stall", FetchFailure::Other, 0},    // never answers: the time-out ends it
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

    // The network module missing from the program folder: every fetch fails, naming it.
    const std::string folder = ModuleFolder();
    SetModuleFolder("/nonexistent");
    const FetchResult missing = fetcher.fetch(server.base() + "/missing", 2);
    SetModuleFolder(folder);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.failure, FetchFailure::Other);
    EXPECT_NE(missing.error.find("/nonexistent/libkelto_net.so"), std::string::npos) << missing.error;
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
    LocalWeatherServer server;
    ASSERT_TRUE(server.running());
    TempDir dir;
    WeatherSite site = ReadWeatherSite(server.writeWeatherIni(dir.path()));
    CurlPageFetcher fetcher;

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
    EXPECT_EQ(server.requests().size(), 8u);  // one per fetch
}

TEST(WeatherServer, BulkRunAsksOncePerMonthAndWritesEveryPastDay)
{
    LocalWeatherServer server;
    ASSERT_TRUE(server.running());
    TempDir dir;
    WeatherSite site = ReadWeatherSite(server.writeWeatherIni(dir.path()));
    CurlPageFetcher fetcher;
    std::vector<QDate> days;
    for (QDate d(2023, 4, 28); d <= QDate(2023, 6, 3); d = d.addDays(1))
        days.push_back(d);
    const std::string folder = dir.mkdir("nb");
    BulkWeatherHooks hooks;
    hooks.write = [&](const QDate& d, const DayWeather& w) { return WriteDayWeather(folder, d, w); };

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

    // A station the site does not know: the first month fails and nothing is written.
    const std::string other = dir.mkdir("other");
    hooks.write = [&](const QDate& d, const DayWeather& w) { return WriteDayWeather(other, d, w); };
    CountingProgress progress;
    BulkWeatherReport r =
        RunBulkWeatherFetch(fetcher, site, {44, 47999}, days, QDate(2023, 6, 10), progress, hooks);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(r.requests, 1);
    EXPECT_TRUE(QDir(QString::fromStdString(other)).isEmpty());
}
