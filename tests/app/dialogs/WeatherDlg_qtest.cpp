// The internet settings dialog and the data dialog's fetch button, by control id.
#include "app/dialogs/CDataDlg.h"
#include "app/dialogs/CWaitDlg.h"
#include "app/dialogs/CWeatherDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
template <class W>
W* control(QWidget& dlg, int id)
{
    return dlg.findChild<W*>(QString::number(id));
}

// The site's lists and the user's answers, as the controller would give them.
struct Ops {
    bool confirm = true;
    bool prefecturesFail = false;
    int prefectureRequests = 0;
    std::vector<int> stationRequests;
    std::vector<std::pair<int, int>> tests;
    std::optional<InternetSettingsChoice> applied;
    InternetSettingsOps make()
    {
        InternetSettingsOps o;
        o.confirmEnable = [this] { return confirm; };
        o.prefectures = [this]() -> std::optional<std::vector<PlaceEntry>> {
            ++prefectureRequests;
            if (prefecturesFail)
                return std::nullopt;
            return std::vector<PlaceEntry>{{"石狩地方", 14}, {"東京都", 44}};
        };
        o.stations = [this](int pref) -> std::optional<std::vector<PlaceEntry>> {
            stationRequests.push_back(pref);
            if (pref == 14)
                return std::vector<PlaceEntry>{{"札幌◎", 47412}};
            return std::vector<PlaceEntry>{{"東京◎", 47662}, {"練馬", -363}};
        };
        o.test = [this](int pref, int station) -> std::optional<DayWeather> {
            tests.emplace_back(pref, station);
            DayWeather w;
            w.HighTemp = 25.5f;  // low missing on the site
            w.Daylight = 0.0f;
            w.Weather = "晴";
            return w;
        };
        o.apply = [this](const InternetSettingsChoice& c) { applied = c; };
        return o;
    }
};
}  // namespace

class WeatherDlgTest : public QObject {
    Q_OBJECT
private slots:
    void opensOnTheSavedPlace();
    void tickingAsksFirstAndBuildsTheLists();
    void tickingAgainRebuildsTheListsOnTheSavedPlace();
    void testWithoutAStationTriesTheSavedPlace();
    void prefectureChangeRefetchesStations();
    void listFailureKeepsTheDialogUsable();
    void dataDialogFetchFillsTheFields();
    void waitWindowStopsAndSetsOtherInputAside();
};

void WeatherDlgTest::opensOnTheSavedPlace()
{
    Ops ops;
    CWeatherDlg dlg({true, 44, -363}, ops.make());
    QVERIFY(control<QCheckBox>(dlg, 1048)->isChecked());
    auto* pref = control<QComboBox>(dlg, 1011);
    auto* station = control<QComboBox>(dlg, 1013);
    QCOMPARE(pref->currentText(), QString::fromUtf8("東京都"));
    QCOMPARE(station->currentText(), QString::fromUtf8("練馬"));
    QVERIFY(pref->isEnabled() && station->isEnabled());
    auto* test = control<QPushButton>(dlg, 3);
    QVERIFY(test->isEnabled());
    QTest::mouseClick(test, Qt::LeftButton);
    QCOMPARE(ops.tests, (std::vector<std::pair<int, int>>{{44, -363}}));
    QCOMPARE(control<QLineEdit>(dlg, 1007)->text(), QString());  // missing, not 0
    QCOMPARE(control<QLineEdit>(dlg, 1017)->text(), QString("25.5"));
    QCOMPARE(control<QLineEdit>(dlg, 1006)->text(), QString("0.0"));
    QCOMPARE(control<QLineEdit>(dlg, 1009)->text(), QString::fromUtf8("晴"));
    dlg.accept();
    QVERIFY(ops.applied && ops.applied->enabled);
    QCOMPARE(ops.applied->station->code, -363);
    QCOMPARE(ops.applied->prefecture->code, 44);
}

void WeatherDlgTest::tickingAsksFirstAndBuildsTheLists()
{
    Ops ops;
    ops.confirm = false;
    CWeatherDlg dlg({false, -1, -1}, ops.make());
    auto* box = control<QCheckBox>(dlg, 1048);
    auto* pref = control<QComboBox>(dlg, 1011);
    QVERIFY(!pref->isEnabled() && pref->count() == 0);
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!box->isChecked());  // answered No
    QCOMPARE(pref->count(), 0);
    ops.confirm = true;
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QCOMPARE(pref->count(), 2);
    QVERIFY(pref->isEnabled());
    QCOMPARE(pref->currentIndex(), -1);  // nothing saved, nothing chosen
    // The test tries the saved place, here none: the fetch is asked for no place and says so.
    QVERIFY(control<QPushButton>(dlg, 3)->isEnabled());
    QTest::mouseClick(control<QPushButton>(dlg, 3), Qt::LeftButton);
    QCOMPARE(ops.tests, (std::vector<std::pair<int, int>>{{0, 0}}));
    // Cancel stores nothing.
    dlg.reject();
    QVERIFY(!ops.applied);
}

void WeatherDlgTest::tickingAgainRebuildsTheListsOnTheSavedPlace()
{
    Ops ops;
    CWeatherDlg dlg({false, 44, -363}, ops.make());
    auto* box = control<QCheckBox>(dlg, 1048);
    auto* station = control<QComboBox>(dlg, 1013);
    QTest::mouseClick(box, Qt::LeftButton);
    control<QComboBox>(dlg, 1011)->setCurrentIndex(0);
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!station->isEnabled() && !control<QPushButton>(dlg, 3)->isEnabled());
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(ops.prefectureRequests, 2);
    QCOMPARE(ops.stationRequests, (std::vector<int>{44, 14, 44}));
    QCOMPARE(station->currentText(), QString::fromUtf8("練馬"));
    QVERIFY(station->isEnabled() && control<QPushButton>(dlg, 3)->isEnabled());
}

void WeatherDlgTest::testWithoutAStationTriesTheSavedPlace()
{
    // The saved prefecture is not in the site's list: nothing is selected on opening.
    Ops ops;
    CWeatherDlg dlg({true, 99, 47412}, ops.make());
    auto* test = control<QPushButton>(dlg, 3);
    QVERIFY(!test->isEnabled());
    // With the internet allowed already, a click only switches the controls.
    QTest::mouseClick(control<QCheckBox>(dlg, 1048), Qt::LeftButton);
    QTest::mouseClick(control<QCheckBox>(dlg, 1048), Qt::LeftButton);
    QCOMPARE(ops.prefectureRequests, 1);
    QTest::mouseClick(test, Qt::LeftButton);
    QCOMPARE(ops.tests, (std::vector<std::pair<int, int>>{{99, 47412}}));
}

void WeatherDlgTest::prefectureChangeRefetchesStations()
{
    Ops ops;
    CWeatherDlg dlg({true, 44, 47662}, ops.make());
    auto* pref = control<QComboBox>(dlg, 1011);
    auto* station = control<QComboBox>(dlg, 1013);
    QCOMPARE(station->currentIndex(), 0);
    pref->setCurrentIndex(0);
    QCOMPARE(ops.stationRequests, (std::vector<int>{44, 14}));
    QCOMPARE(station->count(), 1);
    QCOMPARE(station->currentIndex(), -1);
    QVERIFY(!control<QPushButton>(dlg, 3)->isEnabled());
    station->setCurrentIndex(0);
    QVERIFY(control<QPushButton>(dlg, 3)->isEnabled());
    // Unticking keeps the choice but turns fetching off.
    QTest::mouseClick(control<QCheckBox>(dlg, 1048), Qt::LeftButton);
    QVERIFY(!pref->isEnabled() && !control<QPushButton>(dlg, 3)->isEnabled());
    dlg.accept();
    QVERIFY(!ops.applied->enabled);
    QCOMPARE(ops.applied->station->code, 47412);
}

void WeatherDlgTest::listFailureKeepsTheDialogUsable()
{
    Ops ops;
    ops.prefecturesFail = true;
    CWeatherDlg dlg({true, 44, 47662}, ops.make());
    QCOMPARE(control<QComboBox>(dlg, 1011)->count(), 0);
    QVERIFY(ops.stationRequests.empty());
    dlg.accept();
    QVERIFY(ops.applied && ops.applied->enabled && !ops.applied->station);
}

void WeatherDlgTest::dataDialogFetchFillsTheFields()
{
    DayDataFields f;
    f.date = QDate(2023, 6, 1);
    f.lowTemp = "1.0";
    f.weather = "晴";
    f.fetchEnabled = true;
    auto dlg = std::make_unique<CDataDlg>(f, [](const DayDataFields&) { return 0; });
    auto* fetch = control<QPushButton>(*dlg, 3);
    QVERIFY(!fetch->isEnabled());  // nothing to fetch with yet
    // The fetch answers later, through `done`; the handle tells whether the dialog let go of it.
    std::vector<QDate> asked;
    CDataDlg::WeatherDone done;
    std::weak_ptr<void> handle;
    dlg->setWeatherFetch([&](const QDate& d, CDataDlg::WeatherDone answer) {
        asked.push_back(d);
        done = std::move(answer);
        auto h = std::make_shared<int>(0);
        handle = h;
        return std::shared_ptr<void>(h);
    });
    QVERIFY(fetch->isEnabled());
    QTest::mouseClick(fetch, Qt::LeftButton);
    QVERIFY(dlg->fetching());
    QVERIFY(!fetch->isEnabled());  // one fetch at a time; the dialog itself stays usable
    QVERIFY(dlg->windowTitle().contains(QString::fromUtf8("取得中")));
    done(std::nullopt);
    QVERIFY(!dlg->fetching() && handle.expired());
    QCOMPARE(dlg->windowTitle(), QString::fromUtf8(CDataDlg::kTitle));
    QCOMPARE(control<QLineEdit>(*dlg, 1007)->text(), QString("1.0"));  // a failed fetch changes nothing
    QTest::mouseClick(fetch, Qt::LeftButton);
    DayWeather w;
    w.HighTemp = 30.0f;  // no low and no weather text on the site
    w.Daylight = 0.0f;
    done(w);
    QCOMPARE(asked, (std::vector<QDate>{f.date, f.date}));
    QCOMPARE(control<QLineEdit>(*dlg, 1007)->text(), QString("1.0"));  // what the site lacks stays
    QCOMPARE(control<QLineEdit>(*dlg, 1017)->text(), QString("30.0"));
    QCOMPARE(control<QLineEdit>(*dlg, 1006)->text(), QString("0.0"));
    QCOMPARE(control<QLineEdit>(*dlg, 1009)->text(), QString::fromUtf8("晴"));
    QVERIFY(fetch->isEnabled());

    // キャンセル while the site has not answered lets go of the fetch at once.
    QTest::mouseClick(fetch, Qt::LeftButton);
    QVERIFY(!handle.expired());
    dlg->reject();
    QVERIFY(handle.expired());
    // So does another date.
    dlg = std::make_unique<CDataDlg>(f, [](const DayDataFields&) { return 0; });
    dlg->setWeatherFetch([&](const QDate&, CDataDlg::WeatherDone) {
        auto h = std::make_shared<int>(0);
        handle = h;
        return std::shared_ptr<void>(h);
    });
    QTest::mouseClick(control<QPushButton>(*dlg, 3), Qt::LeftButton);
    QVERIFY(!handle.expired());
    control<QDateEdit>(*dlg, 1002)->setDate(QDate(2023, 5, 31));
    QVERIFY(handle.expired());
    QVERIFY(control<QPushButton>(*dlg, 3)->isEnabled());

    f.fetchEnabled = false;  // internet switched off
    CDataDlg off(f, [](const DayDataFields&) { return 0; });
    off.setWeatherFetch([](const QDate&, CDataDlg::WeatherDone) { return std::shared_ptr<void>(); });
    QVERIFY(!control<QPushButton>(off, 3)->isEnabled());
}

void WeatherDlgTest::waitWindowStopsAndSetsOtherInputAside()
{
    QPushButton other(QString::fromUtf8("グラフ"));
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    int clicks = 0;
    connect(&other, &QPushButton::clicked, [&] { ++clicks; });
    int stops = 0;
    {
        CWaitDlg wait(QString::fromUtf8("気象データを取得しています..."), [&] { ++stops; });
        // Once the wait shows, a click elsewhere is dropped, not kept for later.
        QVERIFY(!wait.isVisible());
        QTRY_VERIFY(wait.isVisible());
        QTest::mouseClick(&other, Qt::LeftButton);
        QTest::keyClick(&other, Qt::Key_Space);
        QTest::mouseClick(wait.stopButton(), Qt::LeftButton);
        QCOMPARE(stops, 1);
        QVERIFY(!wait.stopButton()->isEnabled());
    }
    QCoreApplication::processEvents();
    QCOMPARE(clicks, 0);
    // Once the wait is over, input goes where it is sent again.
    QTest::mouseClick(&other, Qt::LeftButton);
    QCOMPARE(clicks, 1);
}

QTEST_MAIN(WeatherDlgTest)
#include "WeatherDlg_qtest.moc"
