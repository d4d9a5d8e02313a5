// The controller's weather operations: the bulk run on its worker thread while the user keeps
// working on the shown day, stopping it at once, what it tells at its end, the day fetch and the
// graph away from the window, the months kept for the run, and the bulk photo import's weather.
#include "platform/FolderBrowser.h"
#include "platform/Progress.h"
#include "store/KeltoIni.h"
#include "support/CountingProgress.h"
#include "support/FakePageFetcher.h"
#include "support/GatePageFetcher.h"
#include "support/NotebookFixture.h"
#include "support/PhotoFiles.h"

#include "support/FakeFolderBrowser.h"
#include "support/RequireWritten.h"

#include <QTest>
#include <QTimer>

#include <map>

namespace {
const char* const kBase = "http://weather.test";

std::string monthUrl(int year, int month, const char* block = "47662")
{
    return std::string(kBase) + "/stats/etrn/view/daily_s1.php?prec_no=44&block_no=" + block
           + "&year=" + std::to_string(year) + "&month=" + std::to_string(month) + "&day=&view=";
}

// An s1 page: day d has high 20 + d, low d, sunshine 3.0, weather 晴; `lows` replace lows.
std::string monthPage(int days, const std::map<int, std::string>& lows = {})
{
    std::string p = "<table id=\"tablefix1\" class=\"data2_s\">";
    for (int i = 0; i < 4; ++i)
        p += "<tr class=\"mtx\"><th>h</th></tr>";
    for (int d = 1; d <= days; ++d) {
        p += "<tr><td>" + std::to_string(d) + "</td>";
        for (int k = 2; k <= 21; ++k)
            p += "<td class=data_0_0>"
                 + (k == 8    ? std::to_string(20 + d) + ".0"
                    : k == 9  ? (lows.count(d) ? lows.at(d) : std::to_string(d) + ".0")
                    : k == 20 ? "晴"
                              : "3.0")
                 + "</td>";
        p += "</tr>\n";
    }
    return p + "</table>";
}

FetchResult dropped()
{
    FetchResult r;
    r.error = "Empty reply from server";
    r.failure = FetchFailure::Dropped;
    return r;
}

using FakeBrowser = FakeFolderBrowser;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

struct WeatherNotebook : NotebookFixture {
    Clock::FixedToday today{QDate(2023, 6, 10)};
    WeatherNotebook()
    {
        for (int d : {20230530, 20230531, 20230601})
            addDay(d);
        std::string ini = JoinPath(program, "Weather.ini");
        QFile::copy(QStringLiteral(KELTO_KIT_DIR "/Weather.ini"), QString::fromStdString(ini));
        RequireWritten(IniFile::WriteString(ini, "Net", "HostName", kBase));
        RequireWritten(IniFile::WriteString(ini, "Net", "RequestInterval", "0"));
        std::string settings = JoinPath(program, "Kelto.ini");
        RequireWritten(WriteSettingInt(settings, KeltoIni::EnableInternet, 1));
        RequireWritten(WriteSettingInt(settings, KeltoIni::Pref, 44));
        RequireWritten(WriteSettingInt(settings, KeltoIni::Place, 47662));
        pages.putPage(monthUrl(2023, 5), monthPage(31));
        pages.putPage(monthUrl(2023, 6), monthPage(9));
        host.progressFake = &progress;
        open();
        nb->SetPageFetcher(&gate);
    }
    ~WeatherNotebook()
    {
        nb.reset();  // its workers end before the fetchers they use go
    }
    std::string value(int yyyymmdd, const char* section, const char* key)
    {
        return IniFile::ReadString(dayPath(yyyymmdd, "dat"), section, key);
    }

    FakePageFetcher pages;
    GatePageFetcher gate{pages};
    CountingProgress progress;
};
}  // namespace

class WeatherBulkTest : public QObject {
    Q_OBJECT
private slots:
    void editOfTheShownDayAndTheWorkerLoseNothing();
    void stopEndsTheRequestAtOnceAndAsks_data();
    void stopEndsTheRequestAtOnceAndAsks();
    void theEndSaysWhatWasWrittenAndWhyAMonthFailed();
    void failuresAreToldAndNothingIsSentWithoutAPlace();
    void dialogFetchRefusesDaysNotPublished();
    void dayFetchRunsAwayFromTheWindowAndEndsWhenDropped();
    void placeIsSavedOnlyWhenItChanged();
    void placeListsWaitCanBeStopped();
    void graphDrawsAtOnceAndAgainWhenTheMonthComes();
    void printAsksEachMonthOnce_data();
    void printAsksEachMonthOnce();
    void bulkImportSaysWhyTheWeatherFailedAndKeepsHeldValues();
};

void WeatherBulkTest::editOfTheShownDayAndTheWorkerLoseNothing()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    QVERIFY(nb.LoadDay(QDate(2023, 5, 31)));
    f.prompt.queue(Answer::Ok);  // 168
    nb.StartBulkWeatherFetch();
    QCOMPARE(nb.RunningJob(), Msg::JobBulkWeather);
    QTRY_COMPARE(f.gate.waiting(), 1);
    // The user changes the shown day while the worker waits for the site.
    QCOMPARE(f.enterMeasurements([](EntryFields& e) { e.height = "55.0"; }), 0);
    f.gate.open();
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.pages.requested().size(), size_t(2));
    // The fetched weather is in the shown day too, so its flush keeps both.
    QVERIFY(nb.store().Day.weather);
    QCOMPARE(nb.store().Day.weather->HighTemp, 51.0f);
    QVERIFY(nb.SaveDay());
    QCOMPARE(f.value(20230531, "Growth", "DataHeight"), std::string("55.0"));
    QCOMPARE(f.value(20230531, "Weather", "HighTemp"), std::string("51.0"));
    QCOMPARE(f.value(20230601, "Weather", "LowTemp"), std::string("1.0"));
    QCOMPARE(f.value(20230601, "Weather", "Weather"), std::string("晴"));
    QCOMPARE(f.progress.value.load(), 3);
    QCOMPARE(f.host.progressCaption, std::string("気象データ一括取込中"));
    QCOMPARE(f.host.progressHidden, 1);
    // The end is told, not left to be guessed from the pages.
    QCOMPARE(f.prompt.asked(), (std::vector<int>{168, 370}));
    QCOMPARE(f.prompt.texts().back(), std::string("3日分の気象データを書き込みました。"));
}

void WeatherBulkTest::stopEndsTheRequestAtOnceAndAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("told");
    QTest::newRow("No asks the month again") << int(Answer::No) << 3 << 370;
    QTest::newRow("Yes stops before anything is written") << int(Answer::Yes) << 0 << 373;
}

void WeatherBulkTest::stopEndsTheRequestAtOnceAndAsks()
{
    QFETCH(int, answer);
    QFETCH(int, written);
    QFETCH(int, told);
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.prompt.queue(Answer::Ok);
    f.prompt.queue(static_cast<Answer>(answer));
    nb.StartBulkWeatherFetch();
    QTRY_COMPARE(f.gate.waiting(), 1);
    // The stop button, pressed while the site keeps the first request waiting: the request ends
    // then and there, and the question comes while the site still has not answered.
    f.progress.cancel();
    QTRY_COMPARE(f.gate.cancelled(), 1);
    QTRY_VERIFY(f.prompt.asked().size() >= 2);
    QCOMPARE(f.prompt.asked()[1], 170);
    f.gate.open();
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{168, 170, told}));
    QCOMPARE(f.value(20230530, "Weather", "HighTemp").empty(), written == 0);
    QCOMPARE(f.value(20230601, "Weather", "HighTemp").empty(), written < 3);
}

void WeatherBulkTest::theEndSaysWhatWasWrittenAndWhyAMonthFailed()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.gate.open();
    f.pages.put(monthUrl(2023, 6), dropped());  // the site drops the connection for June
    f.prompt.queue(Answer::Ok);
    nb.StartBulkWeatherFetch();
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{168, 370}));
    const std::string told = f.prompt.texts().back();
    for (const std::string& part : {std::string("2日分の気象データを書き込みました。"),
                                    std::string("2023年6月（1日分）: 気象データの取得に失敗しました。"),
                                    std::string(LoadString(Msg::WeatherDropped))})
        QVERIFY2(contains(told, part), told.c_str());
    QCOMPARE(f.value(20230531, "Weather", "HighTemp"), std::string("51.0"));
    QVERIFY(f.value(20230601, "Weather", "HighTemp").empty());
}

void WeatherBulkTest::failuresAreToldAndNothingIsSentWithoutAPlace()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.gate.open();
    std::string settings = JoinPath(f.program, "Kelto.ini");
    // A station the site does not answer for: 169 after the run, nothing written.
    RequireWritten(WriteSettingInt(settings, KeltoIni::Place, 47999));
    f.prompt.queue(Answer::Ok);
    nb.StartBulkWeatherFetch();
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{168, 169}));
    QVERIFY(contains(f.prompt.texts().back(), "2023年5月（2日分）: 気象データの取得に失敗しました。"));
    QVERIFY(f.value(20230530, "Weather", "HighTemp").empty());
    // No place: 136 and no request at all.
    RequireWritten(WriteSettingInt(settings, KeltoIni::Place, 0));
    f.prompt.clear();
    size_t before = f.pages.requested().size();
    f.prompt.queue(Answer::Ok);
    nb.StartBulkWeatherFetch();
    QCOMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{168, 136}));
    QCOMPARE(nb.FetchWeatherForDialog(QDate(2023, 6, 1)).has_value(), false);
    QCOMPARE(f.prompt.asked().back(), 136);
    QVERIFY(!nb.StartDayWeatherFetch(QDate(2023, 6, 1), [](std::optional<DayWeather>) {}));
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
    QVERIFY(!nb.StartDayWeatherFetch(QDate(2023, 6, 10), [](std::optional<DayWeather>) {}));
    QCOMPARE(f.prompt.asked(), (std::vector<int>{139, 139}));
    QVERIFY(f.pages.requested().empty());
    std::optional<DayWeather> w = nb.FetchWeatherForDialog(QDate(2023, 6, 9));
    QVERIFY(w);
    QCOMPARE(w->LowTemp, 9.0f);
    // A month the site does not answer: 131, with the reason.
    f.prompt.clear();
    QVERIFY(!nb.FetchWeatherForDialog(QDate(2023, 4, 9)));
    QCOMPARE(f.prompt.asked(), (std::vector<int>{131}));
    QVERIFY(contains(f.prompt.texts().back(), LoadString(Msg::WeatherNoPage)));
}

void WeatherBulkTest::dayFetchRunsAwayFromTheWindowAndEndsWhenDropped()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    std::vector<std::optional<DayWeather>> got;
    auto done = [&](std::optional<DayWeather> w) { got.push_back(w); };
    // Started while the site keeps it waiting, then dropped (the dialog's キャンセル).
    std::shared_ptr<void> pending = nb.StartDayWeatherFetch(QDate(2023, 6, 9), done);
    QVERIFY(pending);
    QTRY_COMPARE(f.gate.waiting(), 1);
    pending.reset();
    QTRY_COMPARE(f.gate.cancelled(), 1);
    // Answered: the day comes; a day of the same month is then taken from the kept month.
    f.gate.open();
    pending = nb.StartDayWeatherFetch(QDate(2023, 6, 9), done);
    QTRY_COMPARE(got.size(), size_t(1));  // the dropped fetch never answers
    QVERIFY(got[0] && got[0]->LowTemp == 9.0f);
    const size_t asked = f.pages.requested().size();
    pending = nb.StartDayWeatherFetch(QDate(2023, 6, 2), done);
    QTRY_COMPARE(got.size(), size_t(2));
    QVERIFY(got[1] && got[1]->LowTemp == 2.0f);
    QCOMPARE(f.pages.requested().size(), asked);
    // A failure: nothing, and 131 with the reason.
    f.pages.put(monthUrl(2023, 4), dropped());
    pending = nb.StartDayWeatherFetch(QDate(2023, 4, 9), done);
    QTRY_COMPARE(got.size(), size_t(3));
    QVERIFY(!got[2]);
    QCOMPARE(f.prompt.asked(), std::vector<int>{131});
    QVERIFY(contains(f.prompt.texts().back(), LoadString(Msg::WeatherDropped)));
}

void WeatherBulkTest::placeIsSavedOnlyWhenItChanged()
{
    WeatherNotebook f;
    std::string settings = JoinPath(f.program, "Kelto.ini");
    InternetSettingsFields opened;
    auto save = [&](const InternetSettingsChoice& choice) {
        f.internetSettings([&](const InternetSettingsFields& fields, const InternetSettingsOps& ops) {
            opened = fields;
            ops.apply(choice);
        });
    };
    InternetSettingsChoice c;
    c.enabled = false;
    c.prefecture = PlaceEntry{"東京都", 44};
    c.station = PlaceEntry{"練馬", -363};
    save(c);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::EnableInternet), 0);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::Place), -363);
    c.enabled = true;
    c.station.reset();
    save(c);  // no station chosen: the saved place stays
    QCOMPARE(opened.savedPref, 44);
    QCOMPARE(opened.savedPlace, -363);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::EnableInternet), 1);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::Place), -363);
    QVERIFY(f.prompt.asked().empty());
    // Kelto.ini cannot be written: the user is told, and the place the fetches use stays.
    c.enabled = false;
    c.prefecture = PlaceEntry{"神奈川県", 46};
    c.station = PlaceEntry{"横浜", 47670};
    SetWriteFaultHook([&](const std::string& p) { return p == settings; });
    save(c);
    SetWriteFaultHook(nullptr);
    QCOMPARE(f.prompt.asked(), std::vector<int>{MsgId(Msg::InternetSettingsWriteFailed)});
    QVERIFY(contains(f.prompt.texts().back(), settings));
    QCOMPARE(ReadSettingInt(settings, KeltoIni::EnableInternet), 1);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::Pref), 44);
    QCOMPARE(ReadSettingInt(settings, KeltoIni::Place), -363);
}

void WeatherBulkTest::placeListsWaitCanBeStopped()
{
    WeatherNotebook f;
    // The user presses the wait window's stop while the site keeps the list waiting.
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (f.gate.waiting() == 1 && f.host.waitStop)
            f.host.waitStop();
    });
    press.start(10);
    f.internetSettings([](const InternetSettingsFields&, const InternetSettingsOps& ops) {
        QVERIFY(!ops.prefectures());
    });
    QCOMPARE(f.gate.cancelled(), 1);
    QVERIFY(f.prompt.asked().empty());  // a stop is no failure to tell
    QCOMPARE(f.host.busy, (std::vector<std::string>{LoadString(Msg::WeatherFetching), ""}));
}

void WeatherBulkTest::graphDrawsAtOnceAndAgainWhenTheMonthComes()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    nb.SetCalendarMonth(2023, 5);
    // The site keeps the month waiting: the graph is drawn at once, from the day files (none).
    const int before = f.host.presents;
    nb.SetViewMode(ViewMode::Graph);
    QCOMPARE(f.host.presents, before + 1);
    QCOMPARE(nb.PageSnapshotNow().graph.weather.days[29].HighTemp, kUnsetTemperature);
    QTRY_COMPARE(f.gate.waiting(), 1);
    // The month comes: the graph draws the site's values (day d has a high of 20 + d).
    f.gate.open();
    QTRY_COMPARE(nb.PageSnapshotNow().graph.weather.days[29].HighTemp, 50.0f);
    QCOMPARE(nb.PageSnapshotNow().graph.weather.days[29].LowTemp, 30.0f);
    QCOMPARE(f.host.presents, before + 2);
    // Kept for the run: drawing it again asks nothing.
    const size_t asked = f.pages.requested().size();
    nb.SetViewMode(ViewMode::Calendar);
    nb.SetViewMode(ViewMode::Graph);
    QCOMPARE(f.pages.requested().size(), asked);
    // With the graph's GetWeather off nothing is fetched: the day files' weather (none) is drawn.
    f.host.graphDialog = [](GraphSettings noSite, const std::function<void(const GraphSettings&)>&) {
        noSite.GetWeather = false;
        return std::optional<GraphSettings>(noSite);
    };
    QVERIFY(nb.EditGraphSettings());
    nb.SetCalendarMonth(2023, 6);
    nb.SetViewMode(ViewMode::Graph);
    QCOMPARE(f.pages.requested().size(), asked);
    QCOMPARE(nb.PageSnapshotNow().graph.weather.days[29].HighTemp, kUnsetTemperature);
}

void WeatherBulkTest::printAsksEachMonthOnce_data()
{
    QTest::addColumn<bool>("window");
    QTest::addColumn<bool>("mayDropped");
    QTest::addColumn<int>("requests");
    QTest::addColumn<std::vector<int>>("told");
    QTest::newRow("the site answers: May and June once each") << true << false << 2 << std::vector<int>{};
    QTest::newRow("no answer for May: June is not asked") << true << true << 1 << std::vector<int>{};
    QTest::newRow("without a window the reason is told once") << false << true << 1 << std::vector<int>{131};
}

void WeatherBulkTest::printAsksEachMonthOnce()
{
    QFETCH(bool, window);
    QFETCH(bool, mayDropped);
    QFETCH(int, requests);
    QFETCH(std::vector<int>, told);
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.gate.open();
    f.host.deliversLater = window;
    if (mayDropped)
        f.pages.put(monthUrl(2023, 5), dropped());
    PrintOptions graphs;
    graphs.range = PrintRange::AllData;
    graphs.detail = false;
    graphs.graph = true;
    const std::string pdf = f.temp.file("graphs.pdf");
    RequireWritten(nb.PrintToPdf(pdf, graphs));
    RequireWritten(nb.PrintToPdf(pdf, graphs));
    QCOMPARE(int(f.pages.requested().size()), requests);
    QCOMPARE(f.prompt.asked(), told);
}

void WeatherBulkTest::bulkImportSaysWhyTheWeatherFailedAndKeepsHeldValues()
{
    WeatherNotebook f;
    CNotebook& nb = *f.nb;
    f.gate.open();
    // The site has no low for May 30th, which the day file holds; April's connection drops.
    f.pages.putPage(monthUrl(2023, 5), monthPage(31, {{30, "×"}}));
    f.pages.put(monthUrl(2023, 4), dropped());
    RequireWritten(IniFile::WriteString(f.dayPath(20230530, "dat"), "Weather", "LowTemp", "5.0"));
    TempDir photos;
    QVERIFY(!WritePhoto(photos, "a.jpg", {320, 240}, "2023:05:30 08:00:00").empty());
    QVERIFY(!WritePhoto(photos, "b.jpg", {320, 240}, "2023:04:12 08:00:00").empty());
    FakeBrowser browser;
    browser.answer = photos.path();
    f.prompt.queue(Answer::Yes);  // 155: with the weather
    nb.StartBulkImport(browser);
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{155, 165}));
    const std::string told = f.prompt.texts().back();
    QVERIFY2(contains(told, MonthFailureText(2023, 4, WeatherError{Msg::None, "", WeatherFault::Dropped, 0})),
             told.c_str());
    QCOMPARE(f.value(20230530, "Weather", "LowTemp"), std::string("5.0"));
    QCOMPARE(f.value(20230530, "Weather", "HighTemp"), std::string("50.0"));
}

QTEST_MAIN(WeatherBulkTest)
#include "WeatherBulk_qtest.moc"
