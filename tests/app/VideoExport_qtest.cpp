// The controller's video export: the checks before the save dialog, the worker behind the
// progress dialog and what the user is told at the end.
#include "photos/PictureFile.h"
#include "support/CountingProgress.h"
#include "support/FakeFileChooser.h"
#include "support/NotebookFixture.h"

#include <QTest>

#include <cerrno>
#include <system_error>

namespace {
void writePhoto(const std::string& path)
{
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    QVERIFY(SavePictureFile(path, photo, 640, 480, 80));
}
}  // namespace

class VideoExportTest : public QObject {
    Q_OBJECT
private slots:
    void exportsBehindTheProgressAndTellsAFailure();
};

void VideoExportTest::exportsBehindTheProgressAndTellsAFailure()
{
    NotebookFixture f;
    CountingProgress progress;
    f.host.progressFake = &progress;
    f.addDay(20240501);
    f.addDay(20240502);
    writePhoto(f.dayPath(20240501, "jpg"));
    CNotebook& nb = f.open();
    FakeFileChooser chooser;
    // A photo of the notebook chosen by a slip: the video goes beside it, under ".avi".
    chooser.answer = f.dayPath(20240502, "jpg");

    // One photo day: told so before any file is asked for.
    nb.StartVideoExport(chooser);
    QCOMPARE(chooser.saves, 0);
    QCOMPARE(f.prompt.asked(), std::vector<int>{231});

    writePhoto(f.dayPath(20240502, "jpg"));
    nb.StartVideoExport(chooser);
    QCOMPARE(chooser.lastSuffix, std::string("avi"));
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QVERIFY(FileExists(chooser.answer + ".avi"));
    QImage photo;
    QVERIFY(LoadPictureFile(chooser.answer, photo));
    QCOMPARE(f.host.progressHidden, 1);
    QCOMPARE(progress.value.load(), 2);
    // The end is told, with the file written.
    QTRY_COMPARE(f.prompt.asked(), (std::vector<int>{231, 302}));
    QCOMPARE(f.prompt.texts().back(), "2コマのアニメーションを保存しました。\n" + chooser.answer + ".avi");

    // A folder that is not there: a failure that names no AVI for MP4, the file and the reason.
    chooser.answer = f.temp.file("missing/growth.mp4");
    nb.StartVideoExport(chooser);
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QTRY_COMPARE(f.prompt.asked(), (std::vector<int>{231, 302, 301}));
    QCOMPARE(f.prompt.texts().back(), "動画ファイルの作成に失敗しました\n" + chooser.answer + "\n"
                                          + std::generic_category().message(ENOENT));
}

QTEST_MAIN(VideoExportTest)
#include "VideoExport_qtest.moc"
