// The controller's web export: the folder chooser, the worker behind the progress dialog, the
// site put inside a folder of other files, and the offer to open it at the end.
#include "web/WebExport.h"
#include "photos/PictureFile.h"
#include "support/CountingProgress.h"
#include "support/FakeFolderBrowser.h"
#include "support/NotebookFixture.h"

#include <QTest>

class WebExportTest : public QObject {
    Q_OBJECT
private slots:
    void exportsBehindTheProgressAndOffersTheBrowser();
};

void WebExportTest::exportsBehindTheProgressAndOffersTheBrowser()
{
    NotebookFixture f;
    CountingProgress progress;
    f.host.progressFake = &progress;
    f.addDay(20240501);
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    QVERIFY(SavePictureFile(f.dayPath(20240501, "jpg"), photo, 640, 480, 80));
    CNotebook& nb = f.open();
    FakeFolderBrowser browser;

    // Cancelled in the chooser: nothing happens.
    nb.StartWebExport(browser);
    QCOMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(browser.titles.size(), size_t(1));

    // A folder of the user's own files: the site goes into a new folder inside it, and Yes
    // opens its index in the browser.
    const std::string documents = f.temp.mkdir("documents");
    QVERIFY(WriteFileAtomic(documents + "/letter.txt", "mine"));
    browser.answer = documents;
    f.prompt.queue(Answer::Yes);
    nb.StartWebExport(browser);
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    const std::string site = documents + "/観察のWebページ";
    QVERIFY(FileExists(site + "/index.html"));
    QVERIFY(FileExists(site + "/photos/20240501.jpg"));
    QVERIFY(FileExists(documents + "/letter.txt"));
    QCOMPARE(f.host.progressHidden, 1);
    QTRY_COMPARE(f.prompt.asked(), std::vector<int>{473});
    QCOMPARE(f.prompt.texts().back(), "Webページを書き出しました。ブラウザーで開きますか？\n" + site);
    QCOMPARE(f.host.opened, std::vector<std::string>{site + "/index.html"});

    // The same folder again replaces the earlier site; No leaves the browser closed.
    f.prompt.queue(Answer::No);
    nb.StartWebExport(browser);
    QTRY_COMPARE(nb.RunningJob(), Msg::None);
    QTRY_COMPARE(f.prompt.asked(), (std::vector<int>{473, 473}));
    QCOMPARE(f.host.opened.size(), size_t(1));

    // A site folder name already taken by other files: refused before anything is written.
    QVERIFY(WriteFileAtomic(site + "/" + kWebSiteMarker + "x", "x"));
    QVERIFY(std::remove((site + "/" + kWebSiteMarker).c_str()) == 0);
    nb.StartWebExport(browser);
    QCOMPARE(nb.RunningJob(), Msg::None);
    QCOMPARE(f.prompt.asked(), (std::vector<int>{473, 473, 471}));

    // The notebook's own folder, even with a marker planted in it: refused, the notebook kept.
    QVERIFY(WriteFileAtomic(f.notebook + "/" + kWebSiteMarker, ""));
    browser.answer = f.notebook;
    nb.StartWebExport(browser);
    QCOMPARE(f.prompt.asked().back(), 484);
    QVERIFY(FileExists(f.dayPath(20240501, "jpg")));
}

QTEST_MAIN(WebExportTest)
#include "WebExport_qtest.moc"
