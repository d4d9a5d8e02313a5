// The long jobs of the window (bulk photo import, bulk weather fetch, video export) share one
// progress dialog: one runs at a time, its stop stops only itself, and quitting asks about it.
// A job stays running here until the test lets the event loop run: its worker waits for this
// thread to write its first day.
#include "FrameFixture.h"

#include "app/dialogs/CProgressDlg.h"
#include "platform/Files.h"
#include "platform/FolderBrowser.h"
#include "support/FakeFileChooser.h"
#include "support/PhotoFiles.h"

#include <QAction>
#include <QDir>
#include <QPushButton>

namespace {
class FakeBrowser : public FolderBrowser {
public:
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string&, bool) override
    {
        ++asked;
        return answer;
    }
    std::optional<std::string> answer;
    int asked = 0;
};

bool Enabled(CMainFrame& frame, Command command)
{
    frame.updateCommandStates();
    return frame.action(command)->isEnabled();
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}
}  // namespace

class LongJobsTest : public QObject {
    Q_OBJECT
private slots:
    void oneJobAtATimeAndItsStopIsItsOwn();
    void quittingAsksToStopTheRunningJob();
};

void LongJobsTest::oneJobAtATimeAndItsStopIsItsOwn()
{
    FrameFixture f;
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    for (int d : {1, 2})
        QVERIFY(SavePictureFile(DayFilePath(f.notebookFolder, QDate(2024, 5, d), "jpg"), photo, 640, 480, 80,
                                nullptr));
    TempDir photos;
    WritePhoto(photos, "a.jpg", {640, 480}, "2024:05:03 08:00:00");
    WritePhoto(photos, "b.jpg", {640, 480}, "2024:05:04 08:00:00");
    f.frame->show();
    f.start();
    CNotebook& nb = f.nb();
    nb.SetBulkImportThreads(1);
    FakeBrowser browser;
    browser.answer = photos.path();
    FakeFileChooser chooser;
    chooser.answer = f.program.file("growth.avi");

    nb.StartBulkImport(browser);
    QCOMPARE(nb.RunningJob(), Msg::JobBulkImport);
    auto* dlg = f.frame->findChild<CProgressDlg*>();
    QVERIFY(dlg && dlg->isVisible());
    const QString caption = dlg->windowTitle();

    // The other jobs' commands and the animation editor are disabled; showing the animation is not.
    for (Command c : {Command::BulkImport, Command::BulkWeather, Command::ExportAvi, Command::EditAnimation})
        QVERIFY2(!Enabled(*f.frame, c), QByteArray::number(CommandId(c)));
    QVERIFY(Enabled(*f.frame, Command::Animation));
    f.frame->runCommand(Command::ExportAvi);
    QVERIFY(f.prompt.asked().empty());

    // Reached anyway, each start says which job runs and asks nothing more.
    nb.StartVideoExport(chooser);
    nb.StartBulkWeatherFetch();
    nb.StartBulkImport(browser);
    nb.RunAnimation(AnimationMode::Edit);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{390, 390, 390, 390}));
    for (const std::string& text : f.prompt.texts())
        QVERIFY2(Contains(text, "写真画像一括取込"), text.c_str());
    QCOMPARE(chooser.saves, 0);
    QCOMPARE(browser.asked, 1);
    QVERIFY(!nb.VideoExportRunning());

    // The other jobs' stops leave the running one and its dialog alone.
    nb.StopVideoExport();
    nb.StopBulkWeatherFetch();
    QVERIFY(nb.BulkImportRunning());
    QVERIFY(!dlg->progress().cancelled());
    QCOMPARE(dlg->windowTitle(), caption);

    // 中止 stops the import after its first photo (166 answered Yes by default).
    f.prompt.clear();
    dlg->findChild<QPushButton*>("1047")->click();
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QVERIFY(FileExists(DayFilePath(f.notebookFolder, QDate(2024, 5, 3), "jpg")));
    QVERIFY(!FileExists(DayFilePath(f.notebookFolder, QDate(2024, 5, 4), "dat")));
    QVERIFY(Enabled(*f.frame, Command::ExportAvi));

    // The next job starts with a stop of its own and runs to its end.
    nb.StartVideoExport(chooser);
    QCOMPARE(nb.RunningJob(), Msg::JobVideoExport);
    QVERIFY(!dlg->progress().cancelled());
    QVERIFY(!Enabled(*f.frame, Command::BulkImport));
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QVERIFY(nb.LastVideoExportResult().ok());
    QVERIFY(FileExists(chooser.answer));
    QVERIFY(Enabled(*f.frame, Command::BulkImport));
}

void LongJobsTest::quittingAsksToStopTheRunningJob()
{
    FrameFixture f;
    TempDir photos;
    for (int d = 3; d <= 6; ++d)
        WritePhoto(photos, std::to_string(d) + ".jpg", {640, 480},
                   "2024:05:0" + std::to_string(d) + " 08:00:00");
    f.frame->show();
    f.start();
    CNotebook& nb = f.nb();
    nb.SetBulkImportThreads(1);
    FakeBrowser browser;
    browser.answer = photos.path();
    nb.StartBulkImport(browser);
    QVERIFY(nb.BulkImportRunning());

    // One question naming the job (not 178); its default keeps the job and the window.
    QVERIFY(!f.frame->close());
    QCOMPARE(f.prompt.asked(), std::vector<int>{391});
    QVERIFY(Contains(f.prompt.texts().back(), "写真画像一括取込"));
    QVERIFY(f.frame->isVisible());
    QVERIFY(nb.BulkImportRunning());

    // Yes stops the job and waits for it before the window goes; what it wrote stays whole.
    f.prompt.queue(Answer::Yes);
    QVERIFY(f.frame->close());
    QVERIFY(!nb.BulkImportRunning());
    QCOMPARE(f.prompt.asked(), (std::vector<int>{391, 391}));
    const BulkImportReport report = nb.LastBulkImportReport();
    QVERIFY(report.stopped);
    QVERIFY(report.imported < 4);
    for (int d = 3; d <= 6; ++d) {
        const QDate date(2024, 5, d);
        QCOMPARE(FileExists(DayFilePath(f.notebookFolder, date, "dat")), d < 3 + report.imported);
        QCOMPARE(FileExists(DayFilePath(f.notebookFolder, date, "jpg")), d < 3 + report.imported);
    }
    const QStringList left = QDir(QString::fromStdString(f.notebookFolder)).entryList(QDir::Files);
    QVERIFY2(left.filter("tmp").isEmpty(), qPrintable(left.join(' ')));
}

QTEST_MAIN(LongJobsTest)
#include "LongJobs_qtest.moc"
