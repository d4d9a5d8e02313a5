#include "app/dialogs/CPreviewDlg.h"
#include "app/dialogs/CPrintDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class PrintDlgTest : public QObject {
    Q_OBJECT
private:
    template <typename T>
    static T* control(QDialog& d, int id)
    {
        return d.findChild<T*>(QString::number(id));
    }
    // Sheets of one colour each, so a test sees which one is shown.
    static PreviewSheets sheets(int count, std::vector<int>* drawn)
    {
        PreviewSheets s;
        s.count = count;
        s.shownSize = QSize(496, 780);
        s.sheet = [drawn](int k) {
            drawn->push_back(k);
            QImage sheet(780, 992, QImage::Format_RGB32);
            sheet.fill(QColor::fromHsv(k * 60, 255, 255));
            return sheet;
        };
        return s;
    }
    static void checkPreview(CPreviewDlg& dlg, const char* number, bool previous, bool next)
    {
        QCOMPARE(control<QLineEdit>(dlg, CPreviewDlg::IdSheet)->text(), QString(number));
        QCOMPARE(control<QPushButton>(dlg, CPreviewDlg::IdPrevious)->isEnabled(), previous);
        QCOMPARE(control<QPushButton>(dlg, CPreviewDlg::IdNext)->isEnabled(), next);
    }

private slots:
    void settingsOpenAsTheViewAllowsAndReadTheChoice()
    {
        PrintDialogOps ops;
        ops.detailView = false;
        CPrintDlg month(ops);
        QCOMPARE(month.windowTitle(), QString("印刷設定"));
        QVERIFY(control<QCheckBox>(month, CPrintDlg::IdDetail)->isChecked());
        QVERIFY(!control<QCheckBox>(month, CPrintDlg::IdGraph)->isChecked());
        QVERIFY(!control<QCheckBox>(month, CPrintDlg::IdList)->isChecked());
        QVERIFY(!control<QRadioButton>(month, CPrintDlg::IdShownPage)->isEnabled());
        QVERIFY(control<QRadioButton>(month, CPrintDlg::IdShownMonth)->isChecked());
        QCOMPARE(month.ReadPrintOptions().bits(), 0x12);
        control<QCheckBox>(month, CPrintDlg::IdDetail)->click();
        // With no kind of page ticked there is nothing to print or preview.
        auto* print = control<QPushButton>(month, CPrintDlg::IdPrint);
        QVERIFY(!print->isEnabled() && !control<QPushButton>(month, CPrintDlg::IdPreview)->isEnabled());
        control<QCheckBox>(month, CPrintDlg::IdGraph)->click();
        QVERIFY(print->isEnabled() && control<QPushButton>(month, CPrintDlg::IdPreview)->isEnabled());
        control<QCheckBox>(month, CPrintDlg::IdList)->click();
        control<QRadioButton>(month, CPrintDlg::IdAllData)->click();
        QCOMPARE(month.ReadPrintOptions().bits(), 0x63);

        ops.detailView = true;
        CPrintDlg detail(ops);
        QVERIFY(control<QRadioButton>(detail, CPrintDlg::IdShownPage)->isEnabled());
        QCOMPARE(detail.ReadPrintOptions().bits(), 0x11);
        QCOMPARE(control<QPushButton>(detail, CPrintDlg::IdPrint)->text(), QString("印刷"));
        QCOMPARE(control<QPushButton>(detail, CPrintDlg::IdPreview)->text(), QString("印刷ﾌﾟﾚﾋﾞｭ"));
        QCOMPARE(control<QPushButton>(detail, CPrintDlg::IdCancel)->text(), QString("キャンセル"));
    }

    // 印刷 prints and closes; a preview closed without printing keeps the dialog, one that
    // printed closes it; キャンセル prints nothing.
    void buttonsPrintPreviewAndCancel()
    {
        std::vector<int> printed, previewed;
        bool previewPrints = false;
        PrintDialogOps ops;
        ops.detailView = true;
        ops.print = [&](const PrintOptions& o) { printed.push_back(o.bits()); };
        ops.preview = [&](const PrintOptions& o) {
            previewed.push_back(o.bits());
            return previewPrints;
        };
        CPrintDlg dlg(ops);
        dlg.show();
        control<QPushButton>(dlg, CPrintDlg::IdPreview)->click();
        QVERIFY(dlg.isVisible());
        previewPrints = true;
        control<QPushButton>(dlg, CPrintDlg::IdPreview)->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(previewed, (std::vector<int>{0x11, 0x11}));
        QVERIFY(printed.empty());

        dlg.show();
        control<QPushButton>(dlg, CPrintDlg::IdPrint)->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(printed, std::vector<int>{0x11});
        dlg.show();
        control<QPushButton>(dlg, CPrintDlg::IdCancel)->click();
        QCOMPARE(printed.size(), size_t(1));
    }

    void previewTurnsTheSheets()
    {
        std::vector<int> drawn;
        CPreviewDlg dlg(sheets(2, &drawn));
        QCOMPARE(dlg.windowTitle(), QString("印刷プレビュ"));
        QCOMPARE(control<QLineEdit>(dlg, CPreviewDlg::IdSheets)->text(), QString("2"));
        checkPreview(dlg, "1", false, true);
        QCOMPARE(dlg.shownPicture().size(), QSize(496, 780));
        const QColor firstColour = dlg.shownPicture().pixelColor(10, 10);

        control<QPushButton>(dlg, CPreviewDlg::IdNext)->click();
        checkPreview(dlg, "2", true, false);
        QVERIFY(dlg.shownPicture().pixelColor(10, 10) != firstColour);
        control<QPushButton>(dlg, CPreviewDlg::IdPrevious)->click();
        checkPreview(dlg, "1", false, true);
        QCOMPARE(drawn, (std::vector<int>{0, 1, 0}));  // every turn draws the sheet afresh

        // The sheet is painted at (16, 16) of the dialog.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QImage window = dlg.grab().toImage();
        QCOMPARE(window.pixelColor(16 + 5, 16 + 5), firstColour);

        control<QPushButton>(dlg, CPreviewDlg::IdPrint)->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        dlg.show();
        control<QPushButton>(dlg, CPreviewDlg::IdClose)->click();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    }

    void aSingleSheetHasNoTurns()
    {
        std::vector<int> drawn;
        CPreviewDlg dlg(sheets(1, &drawn));
        checkPreview(dlg, "1", false, false);
    }
};

QTEST_MAIN(PrintDlgTest)
#include "PrintDlg_qtest.moc"
