// The data dialog's controls as the user meets them: the weather field's Shift-JIS byte limit
// while typing, and a date picker that is Japanese, starts its weeks on Sunday and offers no
// day after today.
#include "app/DayDialogs.h"
#include "app/dialogs/CDataDlg.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "store/DayOperations.h"
#include "support/DialogAppliers.h"
#include "support/NotebookFixture.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
// Japanese text arrives from an input method as committed strings.
void commit(QLineEdit* e, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(e, &event);
}
}  // namespace

class DataDlgTest : public QObject {
    Q_OBJECT
private slots:
    void weatherFieldRefusesWhatTheDayFileCannotKeep_data();
    void weatherFieldRefusesWhatTheDayFileCannotKeep();
    void typedWeatherIsSavedWhole();
    void datePickerIsJapaneseAndEndsToday();
};

void DataDlgTest::weatherFieldRefusesWhatTheDayFileCannotKeep_data()
{
    QTest::addColumn<QStringList>("commits");
    QTest::addColumn<QString>("shown");
    const QString kanji15 = QString::fromUtf8("晴").repeated(15);  // 30 bytes
    QTest::newRow("sixteenth kanji refused")
        << QStringList(QString::fromUtf8("晴").repeated(16)) << QString();
    QTest::newRow("one kanji at a time") << QStringList(16, QString::fromUtf8("晴")) << kanji15;
    QTest::newRow("one byte still fits") << QStringList{kanji15, "a"} << kanji15 + "a";
    QTest::newRow("a kanji after 30 bytes does not")
        << QStringList{kanji15, QString::fromUtf8("曇")} << kanji15;
    // Half-width katakana are one byte each.
    QTest::newRow("half-width kana") << QStringList{QString::fromUtf8("ﾊﾚ").repeated(14)}
                                     << QString::fromUtf8("ﾊﾚ").repeated(14);
}

void DataDlgTest::weatherFieldRefusesWhatTheDayFileCannotKeep()
{
    QFETCH(QStringList, commits);
    QFETCH(QString, shown);
    NotebookFixture f;
    CNotebook& nb = f.open();
    f.addDay(20130420);
    RequireWritten(nb.LoadDay(QDate(2013, 4, 20)));
    f.host.dataDialog = OpenRealDialog<CDataDlg>([&](CDataDlg& dlg) {
        auto* weather = dlg.findChild<QLineEdit*>("1009");
        QVERIFY(weather);
        weather->setFocus();
        for (const QString& text : commits)
            commit(weather, text);
        QCOMPARE(weather->text(), shown);
        QVERIFY(Cp932Length(weather->text().toStdString()) <= kWeatherBytes);
    });
    QVERIFY(!nb.EditDayData());
}

void DataDlgTest::typedWeatherIsSavedWhole()
{
    NotebookFixture f;
    CNotebook& nb = f.open();
    f.addDay(20130420);
    RequireWritten(nb.LoadDay(QDate(2013, 4, 20)));
    nb.SetViewMode(ViewMode::Detail);
    QString typed;
    f.host.dataDialog = [&](const DayDataFields& fields, const DialogApply<DayDataFields>& apply) -> bool {
        CDataDlg dlg(fields, apply);
        dlg.show();
        auto* weather = dlg.findChild<QLineEdit*>("1009");
        weather->setFocus();
        commit(weather, QString::fromUtf8("晴のち曇").repeated(4));  // 32 bytes: refused whole
        commit(weather, QString::fromUtf8("晴のち曇").repeated(3));
        QTest::keyClicks(weather, "abcdefgh");  // 24 + 7 = 31 bytes; the h would be the 32nd
        typed = weather->text();
        QTest::mouseClick(dlg.findChild<QPushButton*>("1"), Qt::LeftButton);
        return dlg.result() == QDialog::Accepted;
    };
    QCOMPARE(nb.EditDayData(), 1);
    QCOMPARE(typed, QString::fromUtf8("晴のち曇晴のち曇晴のち曇abcdefg"));
    RequireWritten(nb.SaveDay());
    QCOMPARE(IniFile::ReadString(f.dayPath(20130420, "dat"), "Weather", "Weather"), typed.toStdString());
}

void DataDlgTest::datePickerIsJapaneseAndEndsToday()
{
    Clock::FixedToday today(QDate(2013, 5, 10));
    NotebookFixture f;
    CNotebook& nb = f.open();
    f.addDay(20130420);
    f.addDay(20130601);  // dated after today, e.g. by a wrong clock
    RequireWritten(IniFile::WriteString(f.dayPath(20130420, "dat"), "Weather", "LowTemp", "5.0"));
    for (auto [day, max] :
         {std::pair{QDate(2013, 4, 20), QDate(2013, 5, 10)}, {QDate(2013, 6, 1), QDate(2013, 6, 1)}}) {
        RequireWritten(nb.LoadDay(day));
        f.host.dataDialog = OpenRealDialog<CDataDlg>([&](CDataDlg& dlg) {
            // Digits typed at once go to the first value, never to the date.
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            QTest::keyClicks(QApplication::focusWidget(), "12");
            QCOMPARE(dlg.findChild<QLineEdit*>("1007")->text(), QStringLiteral("12"));
            auto* date = dlg.findChild<QDateEdit*>("1002");
            QVERIFY(date);
            QCOMPARE(date->date(), day);  // never moved to the limit behind the user's back
            QCOMPARE(date->maximumDate(), max);
            QCOMPARE(date->locale().language(), QLocale::Japanese);
            QVERIFY(date->calendarPopup());
            QCOMPARE(date->calendarWidget()->firstDayOfWeek(), Qt::Sunday);
            QCOMPARE(date->calendarWidget()->locale().language(), QLocale::Japanese);
        });
        QVERIFY(!nb.EditDayData());
    }
}

QTEST_MAIN(DataDlgTest)
#include "DataDlg_qtest.moc"
