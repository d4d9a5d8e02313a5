// The controller's bulk photo import: the questions before the run, the worker asking on the
// user-interface thread, the day held now, and what the user is told at the end.
#include "platform/FolderBrowser.h"
#include "platform/Progress.h"
#include "store/KeltoIni.h"
#include "support/CountingProgress.h"
#include "support/NotebookFixture.h"
#include "support/PhotoFiles.h"

#include "support/FakeFolderBrowser.h"

#include <QTest>

namespace {
using FakeBrowser = FakeFolderBrowser;

struct ImportNotebook : NotebookFixture {
    Clock::FixedToday today{QDate(2024, 6, 10)};
    ImportNotebook()
    {
        addDay(20240502, "12.5");
        host.progressFake = &progress;
        host.rotateAnswer = RotateAnswer{true, RotationChoice::Anticlockwise, TrimRadio::None};
        open();
        browser.answer = photos.path();
    }
    TempDir photos;
    FakeBrowser browser;
    CountingProgress progress;
};
}  // namespace

class BulkImportTest : public QObject {
    Q_OBJECT
private slots:
    void portraitsAskOnceAndTheShownDayTakesItsPhoto();
    void nothingToImportOrNothingChosen();
};

void BulkImportTest::portraitsAskOnceAndTheShownDayTakesItsPhoto()
{
    ImportNotebook f;
    CNotebook& nb = *f.nb;
    QVERIFY(nb.LoadDay(QDate(2024, 5, 2)));
    for (int d = 1; d <= 3; ++d)
        WritePhoto(f.photos, "p" + std::to_string(d) + ".JPG", {240, 320},
                   "2024:05:0" + std::to_string(d) + " 08:00:00");
    WritePhoto(f.photos, "q.jpg", {320, 240}, "");
    WritePhoto(f.photos, "r.jpg", {320, 240}, "");
    WritePhoto(f.photos, "s.jpg", {320, 240}, "");
    f.prompt.queue(Answer::Yes);  // skip q.jpg
    f.prompt.queue(Answer::No);   // skip r.jpg and every later undated photo
    f.prompt.queue(Answer::Ok);   // the summary
    nb.StartBulkImport(f.browser);
    QCOMPARE(nb.RunningJob(), Msg::JobBulkImport);
    QTRY_COMPARE(nb.RunningJob(), Msg::None);

    QCOMPARE(f.browser.titles, std::vector<std::string>{"写真画像一括読取フォルダー指定"});
    QCOMPARE(f.host.rotateRequests.size(), size_t(1));
    QVERIFY(f.host.rotateRequests[0].bulk);
    // The undated question names its photo and can answer for the rest; no 155: internet is off.
    QCOMPARE(f.prompt.asked(), (std::vector<int>{340, 340, 172}));
    QVERIFY(f.prompt.texts()[0].find("「q.jpg」") != std::string::npos);
    QVERIFY(f.prompt.texts()[1].find("「r.jpg」") != std::string::npos);
    QVERIFY(f.prompt.texts()[2].find("3日分の写真を取り込みました（写真ファイル6個のうち）")
            != std::string::npos);
    QCOMPARE(f.host.progressCaption, std::string("写真画像一括取込中"));
    QCOMPARE(f.host.progressHidden, 1);
    QCOMPARE(f.progress.maximum.load(), 6);
    QCOMPARE(f.progress.value.load(), 3);
    QCOMPARE(nb.currentDate(), QDate(2024, 5, 3));
    QCOMPARE(nb.dayCount(), 3);
    // The day that existed keeps its height, and its photo is the imported one.
    QVERIFY(nb.LoadDay(QDate(2024, 5, 2)));
    QCOMPARE(nb.store().Day.measurements->height, 12.5f);
    QCOMPARE(nb.store().Day.picture.size(), QSize(640, 480));
    QCOMPARE(IniFile::ReadString(f.dayPath(20240502, "dat"), "Picture", "SourcePath"),
             f.photos.file("p2.JPG"));
}

void BulkImportTest::nothingToImportOrNothingChosen()
{
    ImportNotebook f;
    CNotebook& nb = *f.nb;
    WritePhoto(f.photos, "a.png", {320, 240}, "2024:05:01 08:00:00");
    nb.StartBulkImport(f.browser);
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), std::vector<int>{153});

    // With internet use on, 155 comes first and Cancel ends the command before the folder.
    f.prompt.clear();
    f.internetSettings([](auto&, const InternetSettingsOps& ops) { ops.apply({true, {}, {}}); });
    f.prompt.queue(Answer::Cancel);
    nb.StartBulkImport(f.browser);
    QCOMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.browser.titles.size(), size_t(1));
    // Yes without an observation place: 136 after the folder, nothing runs.
    f.prompt.queue(Answer::Yes);
    nb.StartBulkImport(f.browser);
    QCOMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{155, 155, 136}));
}

QTEST_MAIN(BulkImportTest)
#include "BulkImport_qtest.moc"
