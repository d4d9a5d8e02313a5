#include "app/dialogs/CGraphDlg.h"
#include "app/dialogs/CListDlg.h"
#include "platform/Prompt.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class GraphDlgTest : public QObject {
    Q_OBJECT
private:
    template <typename T>
    static T* control(QDialog& d, int id)
    {
        return d.findChild<T*>(QString::number(id));
    }

private slots:
    void editsKeepTheDigitsBeforeAWrongCharacter_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message");  // 0: none
        QTest::addColumn<QString>("left");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << int(CGraphDlg::IdMaxLength) << "12.5" << 182 << "12" << 12;
        QTest::newRow("letter") << int(CGraphDlg::IdMaxDaylight) << "1a" << 183 << "1" << 1;
        QTest::newRow("digits") << int(CGraphDlg::IdMaxTemp) << "35" << 0 << "35" << 35;
        QTest::newRow("below zero") << int(CGraphDlg::IdMinTemp) << "-5" << 0 << "-5" << -5;
        QTest::newRow("minus in length") << int(CGraphDlg::IdMaxLength) << "-5" << 183 << "" << 10;
    }
    void editsKeepTheDigitsBeforeAWrongCharacter()
    {
        QFETCH(int, id);
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(QString, left);
        QFETCH(int, value);
        ScriptedPrompt prompt;
        int previews = 0;
        GraphSettings last;
        CGraphDlg dlg(GraphSettings{}, false, prompt, [&](const GraphSettings& g) {
            ++previews;
            last = g;
        });
        auto* edit = control<QLineEdit>(dlg, id);
        QVERIFY(edit);
        edit->setText(typed);  // as pasted: the check sees the whole text
        QCOMPARE(edit->text(), left);
        QCOMPARE(prompt.asked(), message ? std::vector<int>{message} : std::vector<int>{});
        const GraphSettings& g = dlg.settings();
        const int stored = id == CGraphDlg::IdMaxLength ? g.MaxLength
                           : id == CGraphDlg::IdMinTemp ? g.MinTemp
                           : id == CGraphDlg::IdMaxTemp ? g.MaxTemp
                                                        : g.MaxDaylight;
        QCOMPARE(stored, value);
        if (previews)
            QCOMPARE(last, g);
    }

    void checksAndColoursShowAtOnce()
    {
        ScriptedPrompt prompt;
        GraphSettings start;
        start.visible[SeriesDaylight - 1] = false;
        std::vector<GraphSettings> previews;
        CGraphDlg dlg(start, false, prompt, [&](const GraphSettings& g) { previews.push_back(g); });
        QVERIFY(!control<QCheckBox>(dlg, 306)->isChecked());
        QVERIFY(control<QCheckBox>(dlg, 300)->isChecked());
        QVERIFY(!control<QCheckBox>(dlg, CGraphDlg::IdGetWeather)->isEnabled());
        QCOMPARE(control<QLineEdit>(dlg, CGraphDlg::IdMinTemp)->text(), QString("-20"));

        control<QCheckBox>(dlg, 300)->click();
        QCOMPARE(previews.size(), size_t(1));
        QVERIFY(!previews.back().isVisible(SeriesHeight));

        int asked = 0;
        dlg.setColorChooser([&](const QColor&) {
            ++asked;
            return std::optional<QColor>(QColor(10, 20, 30));
        });
        control<QPushButton>(dlg, 316)->click();  // sunshine
        QCOMPARE(previews.back().color(SeriesDaylight), QColor(10, 20, 30));
        // The solution level's colour only while that series is shown.
        control<QCheckBox>(dlg, 303)->click();
        control<QPushButton>(dlg, 313)->click();
        QCOMPARE(asked, 1);
        // A cancelled colour choice changes nothing but still redraws.
        dlg.setColorChooser([](const QColor&) { return std::optional<QColor>(); });
        const size_t before = previews.size();
        control<QPushButton>(dlg, 310)->click();
        QCOMPARE(previews.size(), before + 1);
        QCOMPARE(previews.back().color(SeriesHeight), start.color(SeriesHeight));
    }

    void okRefusesScalesThatCannotBeDrawn_data()
    {
        QTest::addColumn<QString>("minTemp");
        QTest::addColumn<QString>("maxTemp");
        QTest::addColumn<QString>("maxLength");
        QTest::addColumn<int>("message");  // 0: accepted
        QTest::newRow("inverted") << "40"
                                  << "-20"
                                  << "10" << 410;
        QTest::newRow("equal") << "5"
                               << "5"
                               << "10" << 410;
        QTest::newRow("no length") << "-20"
                                   << "40"
                                   << "0" << 411;
        QTest::newRow("sound") << "-5"
                               << "35"
                               << "40" << 0;
    }
    void okRefusesScalesThatCannotBeDrawn()
    {
        QFETCH(QString, minTemp);
        QFETCH(QString, maxTemp);
        QFETCH(QString, maxLength);
        QFETCH(int, message);
        ScriptedPrompt prompt;
        CGraphDlg dlg(GraphSettings{}, false, prompt, [](const GraphSettings&) {});
        control<QLineEdit>(dlg, CGraphDlg::IdMinTemp)->setText(minTemp);
        control<QLineEdit>(dlg, CGraphDlg::IdMaxTemp)->setText(maxTemp);
        control<QLineEdit>(dlg, CGraphDlg::IdMaxLength)->setText(maxLength);
        control<QPushButton>(dlg, CGraphDlg::IdOk)->click();
        QCOMPARE(prompt.asked(), message ? std::vector<int>{message} : std::vector<int>{});
        QCOMPARE(dlg.result() == QDialog::Accepted, message == 0);
    }

    void listDialogShowsAndReturnsTheMode()
    {
        CListDlg dlg(ListMode::MeasuredDays);
        QVERIFY(control<QRadioButton>(dlg, CListDlg::IdMeasuredDays)->isChecked());
        QCOMPARE(dlg.chosen(), ListMode::MeasuredDays);
        control<QRadioButton>(dlg, CListDlg::IdPhotoDays)->click();
        QCOMPARE(dlg.chosen(), ListMode::PhotoDays);
        QVERIFY(!control<QRadioButton>(dlg, CListDlg::IdMeasuredDays)->isChecked());
        control<QPushButton>(dlg, CListDlg::IdOk)->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(GraphDlgTest)
#include "GraphDlg_qtest.moc"
