// The selection dialog with notebooks a user brings from elsewhere: folders unpacked from a
// Windows archive (Shift-JIS names) and several notebooks to choose from.
#include "app/dialogs/CStartDlg.h"
#include "platform/TextCodec.h"
#include "support/NotebookFixture.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// QTemporaryDir cannot remove a folder whose name is not UTF-8: the test removes its own.
namespace {
struct RawFolderGuard {
    std::string path;
    ~RawFolderGuard()
    {
        DeleteFiles(path, "*");
        ::rmdir(path.c_str());
    }
};
}  // namespace

class StartDlgTest : public QObject {
    Q_OBJECT
private slots:
    void listIsSortedAndAWindowsFolderOpensAsItIs()
    {
        NotebookFixture f;
        CNotebook& nb = f.open();
        std::string raw = ToCp932("あさがお");
        std::string windows = JoinPath(nb.place().dataRoot, raw);
        QCOMPARE(::mkdir(windows.c_str(), 0777), 0);
        RawFolderGuard guard{windows};
        RequireWritten(WriteNotebookKey(windows, "KindName", "あさがお"));
        RequireWritten(WriteNotebookKey(f.temp.mkdir("program/data/Zinnia"), "KindName", "ひゃくにちそう"));
        RequireWritten(WriteNotebookKey(f.temp.mkdir("program/data/basil"), "KindName", "バジル"));

        NotebookPlace place = nb.place();
        CStartDlg dlg(place, f.prompt);
        dlg.show();
        QTableWidget* list = dlg.findChild<QTableWidget*>("1033");
        QVERIFY(list);
        QStringList names;
        for (int r = 0; r < list->rowCount(); ++r)
            names << list->item(r, 0)->text();
        QCOMPARE(names, QStringList({"basil", "Zinnia", "あさがお", "観察"}));
        QCOMPARE(list->item(2, 1)->text(), QString("あさがお"));
        QCOMPARE(list->selectedItems().first()->text(), QString("観察"));  // the open notebook

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(2, 1)).center());
        QTest::mouseClick(dlg.findChild<QPushButton*>("1"), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(place.notebookFolder, windows);
        QCOMPARE(IniFile::ReadString(JoinPath(f.program, "Kelto.ini"), "Data", "DataName"),
                 std::string("あさがお"));
        QVERIFY(f.prompt.asked().empty());
    }
};

QTEST_MAIN(StartDlgTest)
#include "StartDlg_qtest.moc"
