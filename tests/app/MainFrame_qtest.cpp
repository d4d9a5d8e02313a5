// The main frame: menu and toolbar built from the command table, the enable and check rules,
// command routing, the close question and the single-instance start.
#include "FrameFixture.h"

#include "app/CKeltoApp.h"
#include "app/MenuTable.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "views/PageViews.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QFile>
#include <QProcess>
#include <QToolButton>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {
int ActionId(const QAction* a)
{
    return a->isSeparator() ? -1 : a->objectName().toInt();
}

// The command rules as the user sees them: enabled, checked.
std::pair<bool, bool> Expected(int id, int mode, int days, int internet)
{
    bool detail = mode == 1;
    switch (id) {
    case 32774: case 32847: case 32780: case 32849: case 32822: case 32806: case 32817: case 57603:
        return {detail, false};
    case 32809: case 32843: case 32803: return {days > 1, false};
    case 57607: return {days > 0, false};
    case 32851: return {internet != 0, false};
    case 32792: return {mode != 4, mode == 4};
    case 32800: return {mode != 2, mode == 2};
    case 59410: return {mode != 3, mode == 3};
    case 32824: case 32826: return {detail && days > 1, false};
    case 59392: case 59393: return {true, true};
    default: return {true, false};
    }
}

void OpenEveryMenu(CMainFrame& frame)
{
    for (QMenu* menu : frame.menuBar()->findChildren<QMenu*>())
        QMetaObject::invokeMethod(menu, "aboutToShow");
}
} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void menuAndToolbarFollowTheTable();
    void enableAndCheckRules_data();
    void enableAndCheckRules();
    void toolbarFollowsRulesWhileIdle();
    void viewCommandsAndDisabledCommands();
    void calendarWritesChangedDayFirst();
    void ctrlSWritesTheDay();
    void barsShowAndHide();
    void closeAsksOnceNotebookIsOpen();
    void secondInstanceRefusedSilently();
    void leavingAtStartClosesWithoutQuestion();
    void toolbarButtonsShowTheirWords();
    void helpSays144WhenNothingCanShowIt_data();
    void helpSays144WhenNothingCanShowIt();
    void datePickersAreJapaneseSundayFirst();
    void shippedMemoTemplate();
};

void MainFrameTest::menuAndToolbarFollowTheTable()
{
    FrameFixture f;
    CMainFrame& frame = *f.frame;
    QCOMPARE(frame.size(), QSize(799, 599));
    QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));

    // Menu order and separators (-1) as the menu resource has them.
    const std::vector<std::vector<int>> menus = {
        {32774, 32847, 32846, -1, 32809, -1, 57607, -1, 57665},
        {32780, 32849, 32822, -1, 32806, 32817, -1, 32843, 32851},
        {32792, 32800, 59410, -1, 32824, 32826, -1, 32803, -1, 59392, 59393},
        {32813, 32815, -1, 32833, 32853},
        {32821, -1, 57664},
    };
    const QList<QAction*> popups = frame.menuBar()->actions();
    QCOMPARE(popups.size(), int(menus.size()));
    for (int p = 0; p < popups.size(); ++p) {
        QCOMPARE(popups[p]->text(), QString::fromUtf8(kMenuPopups[p]));
        std::vector<int> ids;
        for (QAction* a : popups[p]->menu()->actions())
            ids.push_back(ActionId(a));
        QCOMPARE(ids, menus[p]);
    }

    // Every command: caption, status prompt, tooltip, and no stray menu place.
    for (const MenuCommand& c : MenuCommands()) {
        QAction* a = frame.action(c.id);
        QVERIFY2(a, qPrintable(QString::number(c.id)));
        QCOMPARE(a->objectName(), QString::number(c.id));
        QString prompt = QString::fromUtf8(c.prompt);
        QCOMPARE(a->statusTip() + "\n" + a->toolTip(), prompt);
        QCOMPARE(a->text(), c.caption ? QString::fromUtf8(c.caption) : QString());
        bool inMenu = false;
        for (QAction* popup : popups)
            inMenu = inMenu || popup->menu()->actions().contains(a);
        QCOMPARE(inMenu, c.caption != nullptr);
    }
    QCOMPARE(frame.action(32792)->text(), QString::fromUtf8("カレンダー(&C)..."));
    QCOMPARE(frame.action(32809)->statusTip(), QString::fromUtf8("成長ｱﾆﾒｰｼｮﾝのAVIﾌｧｲﾙを作成"));

    // Toolbar: eight buttons, each separated from the next, with icons and tooltips.
    std::vector<int> buttons;
    for (QAction* a : frame.toolBar()->actions())
        buttons.push_back(ActionId(a));
    const std::vector<int> expected = {32774, -1, 32780, -1, 32849, -1, 32792, -1,
                                       32800, -1, 59410, -1, 32803, -1, 57607};
    QCOMPARE(buttons, expected);
    for (QAction* a : frame.toolBar()->actions())
        QVERIFY(a->isSeparator() || !a->icon().isNull());
    QCOMPARE(frame.action(57607)->toolTip(), QString::fromUtf8("印刷"));
    QVERIFY(frame.toolBar()->isMovable());
    QCOMPARE(frame.toolBar()->allowedAreas(), Qt::AllToolBarAreas);

    for (const char* name : {"CAP", "NUM", "SCRL"})
        QVERIFY(frame.statusBar()->findChild<QLabel*>(name));
}

void MainFrameTest::enableAndCheckRules_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("internet");
    for (int days : {0, 1, 2})
        for (int internet : {0, 1})
            QTest::addRow("days%d-internet%d", days, internet) << days << internet;
}

void MainFrameTest::enableAndCheckRules()
{
    QFETCH(int, days);
    QFETCH(int, internet);
    FrameFixture f({days, internet});
    f.start();
    QCOMPARE(f.nb().ViewMode, int(ViewCalendar));
    QCOMPARE(f.nb().DayCount(), days);
    for (int mode : {1, 2, 3, 4}) {
        f.nb().ViewMode = mode;
        OpenEveryMenu(*f.frame);
        for (const MenuCommand& c : MenuCommands()) {
            auto [enabled, checked] = Expected(c.id, mode, days, internet);
            QAction* a = f.frame->action(c.id);
            QString where = QStringLiteral("command %1 in mode %2").arg(c.id).arg(mode);
            QVERIFY2(a->isEnabled() == enabled, qPrintable(where));
            QVERIFY2(a->isChecked() == checked, qPrintable(where));
        }
    }
}

void MainFrameTest::toolbarFollowsRulesWhileIdle()
{
    FrameFixture f;
    f.start();
    QVERIFY(!f.frame->action(32774)->isEnabled());
    f.nb().ViewMode = ViewDetail;  // as if a page changed it behind the frame's back
    QTRY_VERIFY_WITH_TIMEOUT(f.frame->action(32774)->isEnabled(), 2000);
    QVERIFY(f.frame->action(32792)->isEnabled());
}

void MainFrameTest::viewCommandsAndDisabledCommands()
{
    FrameFixture f;
    f.start();
    CNotebook& nb = f.nb();
    f.frame->runCommand(32800);
    QCOMPARE(nb.ViewMode, int(ViewGraph));
    QVERIFY(f.frame->action(32800)->isChecked());
    f.frame->runCommand(59410);
    QCOMPARE(nb.ViewMode, int(ViewList));
    f.frame->runCommand(32792);
    QCOMPARE(nb.ViewMode, int(ViewCalendar));

    // Day stepping and the day commands are refused away from the detail page.
    f.frame->runCommand(32824);
    f.frame->runCommand(32826);
    f.frame->runCommand(32817);
    QCOMPARE(nb.ViewMode, int(ViewCalendar));
    QVERIFY(f.prompt.asked().empty());

    // On the detail page "next" moves to the next day record.
    nb.LoadDay(QDate(2024, 5, 1));
    nb.SetViewMode(ViewDetail);
    f.frame->runCommand(32826);
    QCOMPARE(nb.store().Day.date, QDate(2024, 5, 2));
    QCOMPARE(nb.ViewMode, int(ViewDetail));

    // Unknown ids and commands whose work is elsewhere change nothing.
    f.frame->runCommand(12345);
    f.frame->runCommand(32846);
    QCOMPARE(nb.ViewMode, int(ViewDetail));
    QVERIFY(f.prompt.asked().empty());
}

void MainFrameTest::calendarWritesChangedDayFirst()
{
    FrameFixture f;
    f.start();
    CNotebook& nb = f.nb();
    nb.LoadDay(QDate(2024, 5, 2));
    nb.SetViewMode(ViewDetail);
    QVERIFY(nb.store().Day.measurements);
    nb.store().Day.measurements->height = 7.5f;
    nb.store().Day.dirty = true;
    f.frame->runCommand(32792);
    QCOMPARE(nb.ViewMode, int(ViewCalendar));
    QVERIFY(!nb.store().Day.dirty);
    QCOMPARE(IniFile::ReadString(f.notebookFolder + "/20240502.dat", "Growth", "DataHeight", ""),
             std::string("7.5"));
}

void MainFrameTest::ctrlSWritesTheDay()
{
    FrameFixture f;
    f.start();
    CNotebook& nb = f.nb();
    nb.LoadDay(QDate(2024, 5, 2));
    nb.SetViewMode(ViewDetail);
    nb.store().Day.measurements->height = 9.5f;
    nb.store().Day.dirty = true;
    QAction* save = f.frame->findChild<QAction*>("57603");
    QVERIFY(save);
    QCOMPARE(save->shortcut(), QKeySequence(QKeySequence::Save));
    f.frame->updateCommandStates();
    QVERIFY(save->isEnabled());
    save->trigger();
    QVERIFY(!nb.store().Day.dirty);
    QCOMPARE(IniFile::ReadString(f.notebookFolder + "/20240502.dat", "Growth", "DataHeight", ""),
             std::string("9.5"));
    QCOMPARE(nb.ViewMode, int(ViewDetail));
}

void MainFrameTest::barsShowAndHide()
{
    FrameFixture f;
    CMainFrame& frame = *f.frame;
    frame.runCommand(59392);
    QVERIFY(frame.toolBar()->isHidden());
    frame.runCommand(59393);
    QVERIFY(frame.statusBar()->isHidden());
    OpenEveryMenu(frame);
    QVERIFY(!frame.action(59392)->isChecked());
    QVERIFY(!frame.action(59393)->isChecked());
    frame.runCommand(59392);
    frame.runCommand(59393);
    OpenEveryMenu(frame);
    QVERIFY(!frame.toolBar()->isHidden() && !frame.statusBar()->isHidden());
    QVERIFY(frame.action(59392)->isChecked() && frame.action(59393)->isChecked());
}

void MainFrameTest::closeAsksOnceNotebookIsOpen()
{
    {
        FrameFixture f;
        f.frame->show();
        f.start();
        QVERIFY(!SkipExitConfirmation);
        f.prompt.queue(Answer::No);
        QVERIFY(!f.frame->close());
        QVERIFY(f.frame->isVisible());
        QCOMPARE(f.prompt.asked(), std::vector<int>{178});
        f.prompt.queue(Answer::Yes);
        f.frame->runCommand(57665);
        QVERIFY(!f.frame->isVisible());
        QCOMPARE(f.prompt.asked(), (std::vector<int>{178, 178}));
    }
    {
        // Before a notebook is open the frame closes without asking.
        FrameFixture f;
        f.frame->show();
        QVERIFY(f.frame->close());
        QVERIFY(f.prompt.asked().empty());
    }
}

void MainFrameTest::secondInstanceRefusedSilently()
{
    std::string lock = UniqueLockName();
    FrameFixture first({}, lock);
    first.start();
    QCOMPARE(first.nb().ViewMode, int(ViewCalendar));

    SkipExitConfirmation = true;  // the second copy is a fresh process
    FrameFixture second({}, lock);
    second.frame->show();
    QTRY_VERIFY_WITH_TIMEOUT(!second.frame->isVisible(), 3000);
    QTest::qWait(50);
    QCOMPARE(second.prompt.asked(), std::vector<int>{177});
    QCOMPARE(second.nb().ViewMode, int(ViewNone));
    QVERIFY(!second.nb().ViewWindow);
    QVERIFY(first.nb().InstanceMutex.held());
}

void MainFrameTest::leavingAtStartClosesWithoutQuestion()
{
    FrameFixture f({2, 0, false});
    // Whatever dialog the start shows is left with Cancel.
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dlg->reject();
    });
    cancel.start(20);
    f.frame->show();
    QTRY_VERIFY_WITH_TIMEOUT(!f.frame->isVisible(), 5000);
    cancel.stop();
    QVERIFY(SkipExitConfirmation);
    for (int id : f.prompt.asked())
        QVERIFY(id != 178);
    QCOMPARE(f.nb().ViewMode, int(ViewNone));
}

void MainFrameTest::toolbarButtonsShowTheirWords()
{
    FrameFixture f;
    CMainFrame& frame = *f.frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.toolBar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QStringList words;
    int right = 0;
    for (size_t i = 0; i < kToolBarOrder.size(); ++i) {
        auto* button = qobject_cast<QToolButton*>(frame.toolBar()->widgetForAction(frame.action(kToolBarOrder[i])));
        QVERIFY(button);
        QCOMPARE(button->text(), QString::fromUtf8(kToolBarCaptions[i]));
        QVERIFY(!button->text().isEmpty());
        // Every button is on the toolbar itself, none hidden behind its extension arrow.
        QVERIFY2(button->isVisible(), kToolBarCaptions[i]);
        right = std::max(right, button->geometry().right());
        words << button->text();
    }
    QVERIFY(right < frame.width());
    words.removeDuplicates();
    QCOMPARE(words.size(), int(kToolBarOrder.size()));  // no two buttons read alike
    // The menu keeps its captions with their mnemonics.
    QCOMPARE(frame.action(32774)->text(), QString::fromUtf8("写真画像取込(&O)"));
}

void MainFrameTest::helpSays144WhenNothingCanShowIt_data()
{
    QTest::addColumn<QString>("opener");  // the desktop opener's script; empty: none on PATH
    QTest::addColumn<bool>("says144");
    QTest::newRow("opener shows it") << "exit 0" << false;
    QTest::newRow("opener finds no program") << "exit 3" << true;
    QTest::newRow("opener dies") << "kill -KILL $$" << true;
}

void MainFrameTest::helpSays144WhenNothingCanShowIt()
{
    QFETCH(QString, opener);
    QFETCH(bool, says144);
    FrameFixture f;
    QDir().mkpath(QString::fromStdString(f.program.file("doc")));
    WriteText(f.program.file("doc/index.html"), "<html></html>");
    TempDir bin;
    std::string marker = bin.file("opened");
    WriteText(bin.file("xdg-open"), "#!/bin/sh\necho \"$1\" > '" + marker + "'\n" + opener.toStdString() + "\n");
    QFile::setPermissions(QString::fromStdString(bin.file("xdg-open")), QFile::ReadOwner | QFile::ExeOwner);
    QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()) + ":" + oldPath);
    f.start();
    f.frame->runCommand(Cmd::Help);
    qputenv("PATH", oldPath);
    // The window does not wait for the opener: the answer comes once it has ended.
    QTRY_VERIFY_WITH_TIMEOUT(qApp->findChildren<QProcess*>().isEmpty(), 20000);
    QTRY_VERIFY(QFile::exists(QString::fromStdString(marker)));
    QFile opened(QString::fromStdString(marker));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(opened.readAll().trimmed().toStdString(), f.program.file("doc/index.html"));
    QCOMPARE(f.prompt.asked(), says144 ? std::vector<int>{144} : std::vector<int>{});
}

void MainFrameTest::datePickersAreJapaneseSundayFirst()
{
    // Whatever the system locale (here British: weeks from Monday), the program's date pickers
    // are Japanese and start their weeks on Sunday.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    CKeltoApp::UseJapaneseConventions();
    QDateEdit picker;
    picker.setCalendarPopup(true);
    QCOMPARE(picker.locale().language(), QLocale::Japanese);
    QCOMPARE(picker.calendarWidget()->firstDayOfWeek(), Qt::Sunday);
    QLocale::setDefault(QLocale::system());
}

void MainFrameTest::shippedMemoTemplate()
{
    QFile file(QStringLiteral(KELTO_KIT_DIR "/Kelto.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    TextEncoding encoding = TextEncoding::Utf8;
    std::string text = DecodeFileText(std::string_view(bytes.constData(), size_t(bytes.size())), &encoding);
    QCOMPARE(int(encoding), int(TextEncoding::Cp932));  // notebooks are Shift-JIS on disk
    QStringList lines = QString::fromStdString(text).split(QStringLiteral("\r\n"));
    QVERIFY(lines.size() > 2);
    // The first line tells how to finish with the editors here and is not drawn on the page;
    // the rest is the pupil's outline and is.
    QVERIFY(lines[0].contains(QString::fromUtf8("エディターを閉じて")));
    QVERIFY(!QString::fromStdString(text).contains(QString::fromUtf8("ファイル→終了")));
    std::vector<QString> drawn = LayoutMemoLines(text, 100000, 100, [](const QString& s) { return int(s.size()); });
    QVERIFY(!drawn.empty());
    QCOMPARE(drawn.front(), lines[1]);
    QVERIFY(std::find(drawn.begin(), drawn.end(), lines[0]) == drawn.end());
    QVERIFY(std::find(drawn.begin(), drawn.end(), lines[2]) != drawn.end());
}

QTEST_MAIN(MainFrameTest)
#include "MainFrame_qtest.moc"
