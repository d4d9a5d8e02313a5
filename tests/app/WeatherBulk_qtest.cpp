// The controller's weather operations: the bulk run on its worker thread while the user keeps
// working on the shown day, stopping it, its failures, and the dialog fetch's refusals.
#include "platform/Progress.h"
#include "store/KeltoIni.h"
#include "support/CountingProgress.h"
#include "support/FakePageFetcher.h"
#include "support/NotebookFixture.h"

#include <QTest>

#include <condition_variable>
#include <mutex>

namespace {
const char* const kBase = "http://weather.test";

std::string monthUrl(int year, int month, const char* block = "47662")
{
    return std::string(kBase) + "/stats/etrn/view/daily_s1.php?prec_no=44&block_no=" + block
           + "&year=" + std::to_string(year) + "&month=" + std::to_string(month) + "&day=&view=";
}

// An s1 page: day d has high 20 + d, low d, sunshine 3.0, weather 晴.
std::string monthPage(int days)
{
    std::string p = "<table id=\"tablefix1\" class=\"data2_s\">";
    for (int i = 0; i < 4; ++i)
        p += "<tr class=\"mtx\"><th>h</th></tr>";
    for (int d = 1; d <= days; ++d) {
        p += "<tr><td>" + std::to_string(d) + "</td>";
        for (int k = 2; k <= 21; ++k)
            p += "<td class=data_0_0>"
                 + (k == 8    ? std::to_string(20 + d) + ".0"
                    : k == 9  ? std::to_string(d) + ".0"
                    : k == 20 ? "晴"
                              : "3.0")
                 + "</td>";
        p += "</tr>\n";
    }
    return p + "</table>";
}

// Holds every fetch until opened, so the test decides what happens while the worker waits.
class GateFetcher : public PageFetcher {
public:
    explicit GateFetcher(PageFetcher& inner) : m_inner(inner) {}
    FetchResult fetch(const std::string& url, int timeout) override
    {
        {
            std::unique_lock lock(m_mutex);
            ++m_waiting;
            m_cv.wait(lock, [&] { return m_open; });
            --m_waiting;
        }
        return m_inner.fetch(url, timeout);
    }
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }
    int waiting()
    {
        std::lock_guard lock(m_mutex);
        return m_waiting;
    }

private:
    PageFetcher& m_inner;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = false;
    int m_waiting = 0;
};

struct WeatherNotebook : NotebookFixture {
    WeatherNotebook()
    {
        Clock::SetToday(QDate(2023, 6, 10));
        for (int d : {20230530, 20230531, 20230601})
            addDay(d);
        std::string ini = JoinPath(program, "Weather.ini");
        QFile::copy(QStringLiteral(KELTO_KIT_DIR "/Weather.ini"), QString::fromStdString(ini));
        IniFile::WriteString(ini, "Net", "HostName", kBase);
        IniFile::WriteString(ini, "Net", "RequestInterval", "0");
        std::string settings = JoinPath(program, "Kelto.ini");
        WriteSettingInt(settings, KeltoIni::EnableInternet, 1);
        WriteSettingInt(settings, KeltoIni::Pref, 44);
        WriteSettingInt(settings, KeltoIni::Place, 47662);
        pages.putPage(monthUrl(2023, 5), monthPage(31));
        pages.putPage(monthUrl(2023, 6), monthPage(9));
        host.progressFake = &progress;
        open();
        nb->SetPageFetcher(&gate);
    }
    ~WeatherNotebook() { Clock::SetToday(QDate()); }
    std::string value(int yyyymmdd, const char* section, const char* key)
    {
        return IniFile::ReadString(dayPath(yyyymmdd, "dat"), section, key);
    }

    FakePageFetcher pages;
    GateFetcher gate{pages};
    CountingProgress progress;
};
}  // namespace

class WeatherBulkTest : public QObject {
    Q_OBJECT
private slots:
    void editOfTheShownDayAndTheWorkerLoseNothing();
    void stopAsksAndGoesOnOrEnds_data();
    void stopAsksAndGoesOnOrEnds();
    void failuresAreToldAndNothingIsSentWithoutAPlace();
    void dialogFetchRefusesDaysNotPublished();
    void placeIsSavedOnlyWhenItChanged();
    void graphTakesTheSitesMonthWhenAsked();
};

void WeatherBulkTest::editOfTheShownDayAndTheWorkerLoseNothing()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    QVERIFY(nb.LoadDay(QDate(2023, 5, 31)));
    f.prompt.queue(Answer::Ok);  // 168
    nb.StartBulkWeatherFetch();
    QVERIFY(nb.BulkWeatherRunning());
    QTRY_COMPARE(f.gate.waiting(), 1);
    // The user changes the shown day while the worker waits for the site.
    nb.EditCurrentDay().measurements->height = 55.0f;
    nb.EditCurrentDay().dirty = true;
    f.gate.open();
    QTRY_VERIFY(!nb.BulkWeatherRunning());
    QCOMPARE(nb.LastBulkWeatherReport().written, 3);
    QCOMPARE(nb.LastBulkWeatherReport().requests, 2);
    // The fetched weather is in the shown day too, so its flush keeps both.
    QVERIFY(nb.EditCurrentDay().weather);
    QCOMPARE(nb.EditCurrentDay().weather->HighTemp, 51.0f);
    QVERIFY(nb.FlushDay());
    QCOMPARE(f.value(20230531, "Growth", "DataHeight"), std::string("55.0"));
    QCOMPARE(f.value(20230531, "Weather", "HighTemp"), std::string("51.0"));
    QCOMPARE(f.value(20230601, "Weather", "LowTemp"), std::string("1.0"));
    QCOMPARE(f.value(20230601, "Weather", "Weather"), std::string("晴"));
    QCOMPARE(f.progress.value.load(), 3);
    QCOMPARE(f.host.progressCaption, std::string("気象データ一括取込中"));
    QCOMPARE(f.host.progressHidden, 1);
}

void WeatherBulkTest::stopAsksAndGoesOnOrEnds_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("written");
    QTest::newRow("No goes on") << int(Answer::No) << 3;
    QTest::newRow("Yes stops after the day written") << int(Answer::Yes) << 1;
}

void WeatherBulkTest::stopAsksAndGoesOnOrEnds()
{
    QFETCH(int, answer);
    QFETCH(int, written);
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.prompt.queue(Answer::Ok);
    f.prompt.queue(static_cast<Answer>(answer));
    nb.StartBulkWeatherFetch();
    QTRY_COMPARE(f.gate.waiting(), 1);
    f.progress.cancel();  // the stop button, pressed while the first day is fetched
    f.gate.open();
    QTRY_VERIFY(!nb.BulkWeatherRunning());
    QCOMPARE(f.prompt.asked(), (std::vector<int>{168, 170}));
    QCOMPARE(nb.LastBulkWeatherReport().written, written);
    QCOMPARE(f.value(20230530, "Weather", "HighTemp"), std::string("50.0"));
    QCOMPARE(f.value(20230601, "Weather", "HighTemp").empty(), written < 3);
}

void WeatherBulkTest::failuresAreToldAndNothingIsSentWithoutAPlace()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.gate.open();
    std::string settings = JoinPath(f.program, "Kelto.ini");
    // A station the site does not answer for: 169 after the run, nothing written.
    WriteSettingInt(settings, KeltoIni::Place, 47999);
    f.prompt.queue(Answer::Ok);
    nb.StartBulkWeatherFetch();
    QTRY_VERIFY(!nb.BulkWeatherRunning());
    QCOMPARE(f.prompt.asked(), (std::vector<int>{168, 169}));
    QVERIFY(f.value(20230530, "Weather", "HighTemp").empty());
    // No place: 136 and no request at all.
    WriteSettingInt(settings, KeltoIni::Place, 0);
    f.prompt.clear();
    size_t before = f.pages.requested().size();
    f.prompt.queue(Answer::Ok);
    nb.StartBulkWeatherFetch();
    QVERIFY(!nb.BulkWeatherRunning());
    QCOMPARE(f.prompt.asked(), (std::vector<int>{168, 136}));
    QCOMPARE(nb.FetchWeatherForDialog(QDate(2023, 6, 1)).has_value(), false);
    QCOMPARE(f.prompt.asked().back(), 136);
    QCOMPARE(f.pages.requested().size(), before);
}

void WeatherBulkTest::dialogFetchRefusesDaysNotPublished()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.gate.open();
    QVERIFY(!nb.FetchWeatherForDialog(QDate(2023, 6, 10)));
    QCOMPARE(f.prompt.asked(), std::vector<int>{139});
    QVERIFY(f.pages.requested().empty());
    std::optional<DayWeather> w = nb.FetchWeatherForDialog(QDate(2023, 6, 9));
    QVERIFY(w);
    QCOMPARE(w->LowTemp, 9.0f);
    // A month the site does not answer: 131.
    f.prompt.clear();
    QVERIFY(!nb.FetchWeatherForDialog(QDate(2023, 4, 9)));
    QCOMPARE(f.prompt.asked(), (std::vector<int>{131}));
}

void WeatherBulkTest::placeIsSavedOnlyWhenItChanged()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    std::string settings = JoinPath(f.program, "Kelto.ini");
    InternetSettingsChoice c;
    c.enabled = false;
    c.prefecture = PlaceEntry{"東京都", 44};
    c.station = PlaceEntry{"練馬", -363};
    nb.SaveInternetSettings(c);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::EnableInternet), 0);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::Place), -363);
    QCOMPARE(nb.currentPrefecture(), 44);
    QCOMPARE(nb.InternetSettingsDialogFields().savedPlace, -363);
    c.enabled = true;
    c.station.reset();
    nb.SaveInternetSettings(c);  // no station chosen: the saved place stays
    QCOMPARE(ReadSettingInt(settings, KeltoIni::EnableInternet), 1);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::Place), -363);
}

QTEST_MAIN(WeatherBulkTest)

void WeatherBulkTest::graphTakesTheSitesMonthWhenAsked()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.gate.open();
    // The site's May: day d has a high of 20 + d. The day files hold no weather at all.
    GraphWeather site = nb.MonthWeatherForGraph(2023, 5);
    QCOMPARE(site.dayCount, 31);
    QVERIFY(site.days[29].present);
    QCOMPARE(site.days[29].HighTemp, 50.0f);
    QCOMPARE(site.days[29].LowTemp, 30.0f);
    // With the graph's GetWeather off nothing is fetched: the day files' weather (none) is drawn.
    GraphSettings noSite = nb.CurrentGraphSettings();
    noSite.GetWeather = false;
    nb.PreviewGraphSettings(noSite);
    const size_t before = f.pages.requested().size();
    GraphWeather local = nb.MonthWeatherForGraph(2023, 5);
    QCOMPARE(f.pages.requested().size(), before);
    QVERIFY(!local.days[29].present);
}

#include "WeatherBulk_qtest.moc"
