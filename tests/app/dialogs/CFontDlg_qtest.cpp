#include "app/dialogs/CFontDlg.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "store/KeltoIni.h"
#include "support/NotebookFixture.h"
#include "support/RequireWritten.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class CFontDlgTest : public QObject {
    Q_OBJECT
private:
    template <typename T>
    static T* control(QDialog& d, int id)
    {
        return d.findChild<T*>(QString::number(id));
    }
    static QString someFace()
    {
        for (const QString& f : QFontDatabase::families())
            if (!f.startsWith('@'))
                return f;
        return {};
    }

private slots:
    void sizesOutsideTheRangeAreRefused_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("11") << "11" << false;
        QTest::newRow("25") << "25" << false;
        QTest::newRow("not a number") << "abc" << false;
        QTest::newRow("12") << "12" << true;
        QTest::newRow("24") << "24" << true;
    }
    void sizesOutsideTheRangeAreRefused()
    {
        QFETCH(QString, size);
        QFETCH(bool, accepted);
        NotebookFixture f;
        CNotebook& nb = f.open();
        const QString face = someFace();
        QVERIFY(!face.isEmpty());
        CFontDlg dlg(nb);
        auto* ok = control<QPushButton>(dlg, CFontDlg::IdOk);
        QVERIFY(ok && !ok->isEnabled());  // no face chosen yet
        auto* combo = control<QComboBox>(dlg, CFontDlg::IdFace);
        combo->setCurrentIndex(combo->findText(face));
        QVERIFY(ok->isEnabled());
        control<QLineEdit>(dlg, CFontDlg::IdSize)->setText(size);
        f.prompt.clear();
        ok->click();
        QCOMPARE(dlg.result() == QDialog::Accepted, accepted);
        if (accepted) {
            QVERIFY(f.prompt.asked().empty());
            QCOMPARE(dlg.chosen().FontSize, size.toInt());
        } else {
            QCOMPARE(f.prompt.asked(), std::vector<int>{143});
            const QString text = QString::fromStdString(f.prompt.texts().front());
            QVERIFY(text.contains("12") && text.contains("24"));
        }
    }

    void storedFaceIsSelectedAndOkEnabled()
    {
        NotebookFixture f;
        CNotebook& nb = f.open();
        const QString face = someFace();
        RequireWritten(IniFile::WriteString(nb.settingsFile(), "Font", "FontName", face.toStdString()));
        RequireWritten(IniFile::WriteString(nb.settingsFile(), "Font", "FontSize", "20"));
        CFontDlg dlg(nb);
        QCOMPARE(control<QComboBox>(dlg, CFontDlg::IdFace)->currentText(), face);
        QVERIFY(control<QPushButton>(dlg, CFontDlg::IdOk)->isEnabled());
        auto* size = control<QLineEdit>(dlg, CFontDlg::IdSize);
        QCOMPARE(size->text(), QString("20"));
        // The up-down control keeps the number inside the range.
        auto* up = control<QWidget>(dlg, CFontDlg::IdUpDown)->findChild<QToolButton*>("up");
        for (int i = 0; i < 10; ++i)
            up->click();
        QCOMPARE(size->text(), QString("24"));
        QTest::keyClick(size, Qt::Key_Down);
        QCOMPARE(size->text(), QString("23"));
    }

    void okWritesTheSettings()
    {
        NotebookFixture f;
        CNotebook& nb = f.open();
        const QString face = someFace();
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CFontDlg*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            auto* combo = control<QComboBox>(*dlg, CFontDlg::IdFace);
            combo->setCurrentIndex(combo->findText(face));
            control<QLineEdit>(*dlg, CFontDlg::IdSize)->setText("18");
            control<QPushButton>(*dlg, CFontDlg::IdOk)->click();
        });
        QCOMPARE(RunFontDialog(nb, nullptr), true);
        QCOMPARE(QString::fromStdString(IniFile::ReadString(nb.settingsFile(), "Font", "FontName")), face);
        QCOMPARE(IniFile::ReadInt(nb.settingsFile(), "Font", "FontSize", 0), 18);
    }

    void aChoiceKeltoIniCannotKeepIsReported()
    {
        NotebookFixture f;
        CNotebook& nb = f.open();
        const std::string ini = nb.settingsFile();
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CFontDlg*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            auto* combo = control<QComboBox>(*dlg, CFontDlg::IdFace);
            combo->setCurrentIndex(combo->findText(someFace()));
            control<QPushButton>(*dlg, CFontDlg::IdOk)->click();
        });
        f.prompt.clear();
        SetWriteFaultHook([&](const std::string& p) { return p == ini; });
        const bool ok = RunFontDialog(nb, nullptr);
        SetWriteFaultHook(nullptr);
        QVERIFY(ok);
        QCOMPARE(f.prompt.asked(), std::vector<int>{212});
        QVERIFY(f.prompt.texts().front().find(ini) != std::string::npos);
    }

    void cancelLeavesTheSettings()
    {
        NotebookFixture f;
        CNotebook& nb = f.open();
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CFontDlg*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            control<QPushButton>(*dlg, CFontDlg::IdCancel)->click();
        });
        QCOMPARE(RunFontDialog(nb, nullptr), false);
        QVERIFY(!IniFile::HasKey(nb.settingsFile(), "Font", "FontSize"));
    }
};

QTEST_MAIN(CFontDlgTest)
#include "CFontDlg_qtest.moc"
