// The long jobs of the window (bulk photo import, bulk weather fetch, video export) share one
// progress dialog: one runs at a time, its stop stops only itself, and quitting asks about it.
// A job stays running here until the test lets the event loop run: its worker waits for this
// thread to write its first day.
#include "FrameFixture.h"

#include "app/dialogs/CProgressDlg.h"
#include "platform/Files.h"
#include "platform/FolderBrowser.h"
#include "support/FakeFileChooser.h"
#include "support/FakeFolderBrowser.h"
#include "support/PhotoFiles.h"

#include <QAction>
#include <QDir>
#include <QPushButton>

namespace {
using FakeBrowser = FakeFolderBrowser;

bool Enabled(CMainFrame& frame, Command command)
{
    frame.updateCommandStates();
    return frame.action(command)->isEnabled();
}
}  // namespace

class LongJobsTest : public QObject {
    Q_OBJECT
private slots:
    void oneJobAtATimeItsOwnStopAndTheQuitQuestion();
};

void LongJobsTest::oneJobAtATimeItsOwnStopAndTheQuitQuestion()
{
    FrameFixture f;
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    for (int d : {1, 2})
        QVERIFY(
            SavePictureFile(DayFilePath(f.notebookFolder, QDate(2024, 5, d), "jpg"), photo, 640, 480, 80));
    TempDir photos;
    WritePhoto(photos, "a.jpg", {640, 480}, "2024:05:03 08:00:00");
    WritePhoto(photos, "b.jpg", {640, 480}, "2024:05:04 08:00:00");
    f.frame->show();
    f.start();
    CNotebook& nb = f.nb();
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
        QVERIFY2(text.find("「写真画像一括取込」") != std::string::npos, text.c_str());
    QCOMPARE(chooser.saves, 0);
    QCOMPARE(browser.asked, 1);

    // The refused starts leave the running job and its dialog alone.
    QCOMPARE(nb.RunningJob(), Msg::JobBulkImport);
    QVERIFY(!dlg->progress().cancelled());
    QCOMPARE(dlg->windowTitle(), caption);

    // 中止 stops the import after its first photo (166 answered Yes by default).
    f.prompt.clear();
    dlg->findChild<QPushButton*>("1047")->click();
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QVERIFY(FileExists(DayFilePath(f.notebookFolder, QDate(2024, 5, 3), "jpg")));
    QVERIFY(!FileExists(DayFilePath(f.notebookFolder, QDate(2024, 5, 4), "dat")));

    // The next job starts with a stop of its own and runs to its end.
    nb.StartVideoExport(chooser);
    QCOMPARE(nb.RunningJob(), Msg::JobVideoExport);
    QVERIFY(!dlg->progress().cancelled());
    QVERIFY(!Enabled(*f.frame, Command::BulkImport));
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QTRY_VERIFY(!f.prompt.asked().empty() && f.prompt.asked().back() == 302);  // written
    QVERIFY(FileExists(chooser.answer));
    QVERIFY(Enabled(*f.frame, Command::BulkImport));

    // Quitting while the import runs again: one question naming the job (not 178), whose
    // default keeps the job and the window.
    f.prompt.clear();
    nb.StartBulkImport(browser);
    QCOMPARE(nb.RunningJob(), Msg::JobBulkImport);
    QVERIFY(!f.frame->close());
    QCOMPARE(f.prompt.asked(), std::vector<int>{391});
    QVERIFY(f.prompt.texts().back().find("「写真画像一括取込」") != std::string::npos);
    QVERIFY(f.frame->isVisible());
    QCOMPARE(nb.RunningJob(), Msg::JobBulkImport);

    // Yes stops the job and waits for it before the window goes; what it wrote stays whole.
    f.prompt.queue(Answer::Yes);
    QVERIFY(f.frame->close());
    QCOMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{391, 391}));
    QVERIFY(nb.LastBulkImportReport().stopped);
    const QStringList left = QDir(QString::fromStdString(f.notebookFolder)).entryList(QDir::Files);
    QVERIFY2(left.filter("tmp").isEmpty(), qPrintable(left.join(' ')));
}

QTEST_MAIN(LongJobsTest)
#include "LongJobs_qtest.moc"
