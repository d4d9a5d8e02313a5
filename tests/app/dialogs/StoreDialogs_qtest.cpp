// The store's dialogs driven through their controls, as a user would: fields are filled and
// buttons pressed by control id, message boxes are answered by a scripted prompt.
#include "app/DayDialogs.h"
#include "app/dialogs/CDataDlg.h"
#include "app/dialogs/CDefineDlg.h"
#include "app/dialogs/CEntryDlg.h"
#include "app/dialogs/CStartDlg.h"
#include "support/DialogAppliers.h"
#include "store/KeltoIni.h"
#include "support/NotebookFixture.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <optional>

namespace {

template <class T>
T* control(QWidget& dlg, const char* id)
{
    T* w = dlg.findChild<T*>(id);
    if (!w)
        qFatal("control %s missing", id);
    return w;
}

void type(QWidget& dlg, const char* id, const QString& text)
{
    QLineEdit* e = control<QLineEdit>(dlg, id);
    e->clear();
    // Key clicks carry Latin-1 only; Japanese text arrives as an input method would commit it.
    bool latin = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (latin)
        QTest::keyClicks(e, text);
    else
        e->insert(text);
}

void press(QWidget& dlg, const char* id)
{
    QTest::mouseClick(control<QPushButton>(dlg, id), Qt::LeftButton);
}

// Saves what the dialog looks like when KELTO_SHOT_DIR names a folder.
void shoot(QWidget& dlg, const char* name)
{
    QString dir = qEnvironmentVariable("KELTO_SHOT_DIR");
    if (!dir.isEmpty())
        dlg.grab().save(dir + "/" + name + ".png");
}

}  // namespace

class StoreDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void startDialogSelectsTheRememberedNotebook()
    {
        NotebookFixture f;
        CNotebook& nb = f.open();
        std::string other = f.temp.mkdir("program/data/ひまわり");
        RequireWritten(WriteNotebookKey(other, "KindName", "ひまわり"));
        RequireWritten(WriteNotebookKey(other, "StartDate", "2013/05/01"));
        f.prompt.clear();

        NotebookPlace place = nb.place();
        CStartDlg dlg(place, f.prompt);
        dlg.show();
        QTableWidget* list = control<QTableWidget>(dlg, "1033");
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(list->horizontalHeaderItem(0)->text(), QString("データ名"));
        QCOMPARE(list->columnWidth(0), 128);
        QCOMPARE(list->columnWidth(1), 100);
        QVERIFY(!control<QPushButton>(dlg, "4")->isVisible());
        QVERIFY(!control<QPushButton>(dlg, "4")->isEnabled());
        QCOMPARE(list->selectedItems().size(), 3);
        QCOMPARE(list->selectedItems().first()->text(), QString("観察"));
        shoot(dlg, "start");

        list->clearSelection();
        press(dlg, "1");
        QCOMPARE(f.prompt.asked(), std::vector<int>{157});
        QVERIFY(dlg.isVisible());

        int row = list->item(0, 0)->text() == "ひまわり" ? 0 : 1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row, 1)).center());
        press(dlg, "1");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.NewNotebookRequested());
        QCOMPARE(place.notebookFolder, other);
        QCOMPARE(IniFile::ReadString(JoinPath(f.program, "Kelto.ini"), "Data", "DataName"),
                 std::string("ひまわり"));
    }

    void startDialogOnAnEmptyDataRootGoesStraightToANewNotebook()
    {
        TempDir dir;
        dir.mkdir("data");
        ScriptedPrompt prompt;
        FakeViewHost host;
        int result = -1;
        bool newRequested = false;
        host.startDialog = [&](NotebookPlace& place) {
            CStartDlg dlg(place, prompt);
            result = dlg.exec();
            newRequested = dlg.NewNotebookRequested();
            return StartChoice::EndProgram;
        };
        CNotebook nb(dir.path(), prompt, "KeltoTest-empty-root");
        nb.Initialize(&host);
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(newRequested);
        QVERIFY(prompt.asked().empty());
    }

    void settingsDialogCreatesANotebook()
    {
        NotebookFixture f;
        CNotebook& nb = f.open();
        RequireWritten(WriteNotebookKey(f.notebook, "StudentName", "山田花子"));
        std::optional<Clock::FixedToday> today(std::in_place, QDate(2014, 5, 7));
        f.host.settingsDialog = OpenRealDialog<CDefineDlg>([&](CDefineDlg& dlg) {
            today.reset();
            QCOMPARE(control<QLineEdit>(dlg, "1018")->text(), QString("山田花子"));
            QCOMPARE(control<QLineEdit>(dlg, "1020")->text(), QString());
            QCOMPARE(control<QLineEdit>(dlg, "1004")->text(), QString("フリー項目1"));
            QCOMPARE(control<QDateEdit>(dlg, "1002")->date(), QDate(2014, 5, 7));
            QVERIFY(control<QDateEdit>(dlg, "1002")->calendarPopup());
            QVERIFY(!control<QPushButton>(dlg, "4")->isVisible());
            shoot(dlg, "define");

            press(dlg, "1");
            QCOMPARE(f.prompt.asked(), std::vector<int>{158});
            type(dlg, "1020", "../外");
            press(dlg, "1");
            QCOMPARE(f.prompt.asked().back(), 159);
            QVERIFY(dlg.isVisible());

            type(dlg, "1020", "ミニトマト");
            type(dlg, "1021", "ミニトマト");
            control<QDateEdit>(dlg, "1002")->setDate(QDate(2014, 5, 1));
            press(dlg, "1");
        });
        QVERIFY(nb.EditNotebookSettings(SettingsMode::New));
        std::string folder = JoinPath(nb.place().dataRoot, "ミニトマト");
        QCOMPARE(nb.place().notebookFolder, folder);
        NotebookInfo info = ReadNotebookInfo(folder);
        QCOMPARE(info.StartDate, std::string("2014/05/01"));
        QCOMPARE(info.StudentName, std::string("山田花子"));
        QCOMPARE(info.Option1, std::string("フリー項目1"));
        QVERIFY(!QDir(QString::fromStdString(JoinPath(f.program, "外"))).exists());
    }

    // The start date as a pupil types it: into a part after a click, from the first part after
    // the dialog's tab, over the whole date selected; OK (Enter) takes what was typed.
    void typedStartDateIsTaken()
    {
        struct Case {
            const char* clickAfter;  // the text left of the click; "": tabbed in; "*": all selected
            const char* keys;        // "\b": backspace
            QDate taken;
        } const cases[] = {
            {"2024/04/22", "15", QDate(2024, 4, 15)}, {"2024/0", "11", QDate(2024, 11, 22)},
            {"2024", "2023", QDate(2023, 4, 22)},     {"", "2023/05/15", QDate(2023, 5, 15)},
            {"*", "2013/4/1", QDate(2013, 4, 1)},     {"2024/04/22", "\b5", QDate(2024, 4, 25)},
        };
        for (const Case& c : cases) {
            NotebookSettingsFields fields;
            fields.StartDate = QDate(2024, 4, 22);
            QDate applied;
            CDefineDlg dlg(fields, SettingsMode::New, [&](const NotebookSettingsFields& f) {
                applied = f.StartDate;
                return 0;
            });
            dlg.show();
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            auto* date = control<QDateEdit>(dlg, "1002");
            QLineEdit* edit = date->findChild<QLineEdit*>();
            date->setFocus(Qt::TabFocusReason);
            const QString after = QString::fromLatin1(c.clickAfter);
            if (after == "*") {
                edit->selectAll();
            } else if (!after.isEmpty()) {
                const int x = edit->contentsRect().left() + edit->textMargins().left() + 2
                              + QFontMetrics(edit->font()).horizontalAdvance(after);
                QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(x, edit->height() / 2));
                QCOMPARE(edit->cursorPosition(), int(after.size()));
            }
            for (const char* k = c.keys; *k; ++k) {
                if (*k == '\b')
                    QTest::keyClick(date, Qt::Key_Backspace);
                else
                    QTest::keyClick(date, *k);
            }
            QTest::keyClick(date, Qt::Key_Return);
            QVERIFY2(applied == c.taken, qPrintable(after + " " + c.keys + " -> " + applied.toString()));
        }
    }

    void entryDialogChecksFieldsAndKeepsTheUsersText()
    {
        NotebookFixture f;
        CNotebook& nb = f.open();
        RequireWritten(WriteNotebookKey(f.notebook, "Option1", "茎の太さ(mm)"));
        RequireWritten(nb.LoadDay(QDate(2013, 4, 20)));
        f.prompt.clear();

        f.host.entryDialog = OpenRealDialog<CEntryDlg>([&](CEntryDlg& dlg) {
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QCOMPARE(control<QLabel>(dlg, "1051")->text(), QString("茎の太さ"));
            QCOMPARE(control<QLabel>(dlg, "1053")->text(), QString("mm"));
            QCOMPARE(control<QLabel>(dlg, "1052")->text(), QString("フリー項目2"));
            QVERIFY(control<QCheckBox>(dlg, "1007")->isChecked());
            QCOMPARE(control<QLineEdit>(dlg, "1000")->maxLength(), 7);
            type(dlg, "1000", "12.34");
            type(dlg, "1002", "150");
            type(dlg, "1004", "4.5");
            shoot(dlg, "entry");
            press(dlg, "1");
            QCOMPARE(f.prompt.asked(), std::vector<int>{660});
            QVERIFY(dlg.isVisible());
            QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(dlg, "1002"));
            QCOMPARE(control<QLineEdit>(dlg, "1002")->text(), QString("150"));

            type(dlg, "1002", "12");
            control<QCheckBox>(dlg, "1007")->setChecked(false);
            press(dlg, "1");
        });
        QVERIFY(nb.EnterMeasurements());
        QCOMPARE(f.prompt.asked(), (std::vector<int>{660, 184}));
        RequireWritten(nb.SaveDay());
        std::string dat = f.dayPath(20130420, "dat");
        QCOMPARE(IniFile::ReadString(dat, "Growth", "DataHeight"), std::string("12.3"));
        QCOMPARE(IniFile::ReadString(dat, "Growth", "DataCount"), std::string("12"));
        QCOMPARE(IniFile::ReadString(dat, "Growth", "Option1"), std::string("4.5"));
        QCOMPARE(IniFile::ReadString(dat, "Growth", "DataGraph"), std::string("0"));
    }

    void dataDialogMovesTheDay()
    {
        NotebookFixture f;
        RequireWritten(WriteSettingInt(JoinPath(f.program, "Kelto.ini"), KeltoIni::EnableInternet, 1));
        CNotebook& nb = f.open();
        f.addDay(20130420, "8.0");
        std::ofstream(f.dayPath(20130420, "txt")) << "memo\n";
        RequireWritten(nb.LoadDay(QDate(2013, 4, 20)));
        nb.SetViewMode(ViewMode::Detail);
        f.prompt.clear();
        f.prompt.queue(Answer::Yes);

        bool fetchEnabled = true;
        QDate shown;
        int weatherLimit = 0;
        f.host.dataDialog = [&](const DayDataFields& fields,
                                const DialogApply<DayDataFields>& apply) -> bool {
            CDataDlg dlg(fields, apply);
            dlg.show();
            fetchEnabled = control<QPushButton>(dlg, "3")->isEnabled();
            shown = control<QDateEdit>(dlg, "1002")->date();
            weatherLimit = control<QLineEdit>(dlg, "1009")->maxLength();
            type(dlg, "1017", "25.0");
            type(dlg, "1009", "晴れ");
            control<QDateEdit>(dlg, "1002")->setDate(QDate(2013, 4, 21));
            shoot(dlg, "data");
            press(dlg, "1");
            return dlg.result() == QDialog::Accepted;
        };
        QCOMPARE(nb.EditDayData(), 1);
        QCOMPARE(f.host.dialogs.back().first, DialogId::Data);
        QVERIFY(!fetchEnabled);
        QCOMPARE(shown, QDate(2013, 4, 20));
        QCOMPARE(weatherLimit, 29);
        QCOMPARE(f.prompt.asked(), std::vector<int>{142});
        QCOMPARE(nb.viewMode(), ViewMode::Calendar);
        QVERIFY(FindFiles(f.notebook, "20130420.*").empty());
        std::string dat = f.dayPath(20130421, "dat");
        QCOMPARE(IniFile::ReadString(dat, "Weather", "LowTemp"), std::string("25.0"));
        QCOMPARE(IniFile::ReadString(dat, "Weather", "HighTemp"), std::string("25.0"));
        QCOMPARE(IniFile::ReadString(dat, "Weather", "Weather"), std::string("晴れ"));
        QCOMPARE(IniFile::ReadString(dat, "Growth", "DataHeight"), std::string("8.0"));
        QVERIFY(FileExists(f.dayPath(20130421, "txt")));
    }
};

QTEST_MAIN(StoreDialogsTest)
#include "StoreDialogs_qtest.moc"
