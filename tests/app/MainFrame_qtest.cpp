// The main frame: menu and toolbar built from the command table, the enable and check rules,
// command routing, the close question and the single-instance start.
#include "FrameFixture.h"

#include "app/CKeltoApp.h"
#include "app/MenuTable.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "support/ModalWatcher.h"
#include "support/RequireWritten.h"
#include "views/PageViews.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <optional>

namespace {
int ActionId(const QAction* a)
{
    return a->isSeparator() ? -1 : a->objectName().toInt();
}

// The entry dialog of the real window with `height` typed in and OK pressed.
void EnterHeight(FrameFixture& f, const char* height)
{
    ModalWatcher watcher([&](QDialog& dlg) {
        dlg.findChild<QLineEdit*>("1000")->setText(height);
        dlg.findChild<QPushButton*>("1")->click();
    });
    f.frame->runCommand(Command::Entry);
    QVERIFY2(watcher.ok(), watcher.failure());
}

void OpenEveryMenu(CMainFrame& frame)
{
    for (QMenu* menu : frame.menuBar()->findChildren<QMenu*>())
        QMetaObject::invokeMethod(menu, "aboutToShow");
}

using Commands = std::vector<Command>;

// The commands that work on the day shown, and those that need two days to compare.
const Commands kDayCommands = {
    Command::ImportPhoto, Command::ImportPhotoRotated, Command::FetchWeather, Command::Entry,
    Command::EditMemo,    Command::ChangeData,         Command::DeleteDay,    Command::Save};
const Commands kStepCommands = {Command::PreviousDay, Command::NextDay};
// The day commands but the entry, which the calendar offers for its selected day.
const Commands kCalendarOff = [c = kDayCommands]() mutable { return std::erase(c, Command::Entry), c; }();
const Commands kTwoDayCommands = {Command::ExportAvi, Command::EditAnimation, Command::Animation};

Commands operator+(Commands a, const Commands& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What the user sees of one command: its menu item (the popup opened first, as a click does)
// and, when it has one, its toolbar button.
struct Seen {
    bool enabled;
    bool checked;
};

std::optional<Seen> MenuItem(CMainFrame& frame, Command command)
{
    const QString name = QString::number(CommandId(command));
    for (QAction* popup : frame.menuBar()->actions()) {
        QMenu* menu = popup->menu();
        emit menu->aboutToShow();
        for (QAction* a : menu->actions())
            if (a->objectName() == name)
                return Seen{a->isEnabled(), a->isChecked()};
    }
    // A command without a menu item (the Ctrl+S save) is seen through its shortcut's action.
    if (auto* a = frame.findChild<QAction*>(name))
        return Seen{a->isEnabled(), a->isChecked()};
    return std::nullopt;
}

QToolButton* ToolButton(CMainFrame& frame, Command command)
{
    for (QAction* a : frame.toolBar()->actions())
        if (a->objectName() == QString::number(CommandId(command)))
            return qobject_cast<QToolButton*>(frame.toolBar()->widgetForAction(a));
    return nullptr;
}
}  // namespace

Q_DECLARE_METATYPE(Commands)

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
    void entriesGoToTheDayShown();
    void barsShowAndHide();
    void closeAsksOnceNotebookIsOpen();
    void secondInstanceRefusedSilently();
    void leavingAtStartClosesWithoutQuestion();
    void toolbarButtonsShowTheirWords();
    void aboutShowsTheBuildVersion();
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
        {32774, 32847, 32846, -1, 32809, 32870, -1, 57607, -1, 57665},
        {32780, 32849, 32822, -1, 32806, 32817, -1, 32843, 32851},
        {32792, 32800, 59410, -1, 32824, 32826, -1, 32803, -1, 59392, 59393},
        {32813, 32815, -1, 32833, 32853, -1, 32819},
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
        QVERIFY2(a, qPrintable(QString::number(CommandId(c.id))));
        QCOMPARE(a->objectName(), QString::number(CommandId(c.id)));
        QString prompt = QString::fromUtf8(c.prompt);
        QCOMPARE(a->statusTip() + "\n" + a->toolTip(), prompt);
        QCOMPARE(a->text(), c.caption ? QString::fromUtf8(c.caption) : QString());
        bool inMenu = false;
        for (QAction* popup : popups)
            inMenu = inMenu || popup->menu()->actions().contains(a);
        QCOMPARE(inMenu, c.caption != nullptr);
    }
    QCOMPARE(frame.action(Command::Calendar)->text(), QString::fromUtf8("カレンダー(&C)..."));
    QCOMPARE(frame.action(Command::ExportAvi)->statusTip(), QString::fromUtf8("成長ｱﾆﾒｰｼｮﾝのAVIﾌｧｲﾙを作成"));

    // Toolbar: eight buttons, each separated from the next, with icons and tooltips.
    std::vector<int> buttons;
    for (QAction* a : frame.toolBar()->actions())
        buttons.push_back(ActionId(a));
    const std::vector<int> expected = {32774, -1, 32780, -1, 32849, -1, 32792, -1,
                                       32800, -1, 59410, -1, 32803, -1, 57607};
    QCOMPARE(buttons, expected);
    for (QAction* a : frame.toolBar()->actions())
        QVERIFY(a->isSeparator() || !a->icon().isNull());
    QCOMPARE(frame.action(Command::Print)->toolTip(), QString::fromUtf8("印刷"));
    QVERIFY(frame.toolBar()->isMovable());
    QCOMPARE(frame.toolBar()->allowedAreas(), Qt::AllToolBarAreas);

    for (const char* name : {"CAP", "NUM", "SCRL"})
        QVERIFY(frame.statusBar()->findChild<QLabel*>(name));
}

void MainFrameTest::enableAndCheckRules_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("internet");
    QTest::addColumn<int>("page");  // ViewMode::None: the start has not run, no notebook is open
    QTest::addColumn<Commands>("disabled");
    QTest::addColumn<Commands>("checked");
    const Commands bars = {Command::ToolBar, Command::StatusBar};
    const Commands bulkWeather = {Command::BulkWeather};
    // Printing and the web export need a day.
    const Commands print = {Command::Print, Command::ExportWeb};

    // Before a notebook is open there are no days, whatever the folder holds.
    QTest::newRow("no notebook, offline")
        << 2 << 0 << int(ViewMode::None)
        << kDayCommands + kStepCommands + kTwoDayCommands + print + bulkWeather << bars;
    QTest::newRow("no notebook, online")
        << 2 << 1 << int(ViewMode::None) << kDayCommands + kStepCommands + kTwoDayCommands + print << bars;

    const Commands calendar = {Command::Calendar};
    QTest::newRow("calendar, 0 days, offline")
        << 0 << 0 << int(ViewMode::Calendar)
        << kCalendarOff + kStepCommands + kTwoDayCommands + print + bulkWeather + calendar << bars + calendar;
    QTest::newRow("calendar, 1 day, online")
        << 1 << 1 << int(ViewMode::Calendar) << kCalendarOff + kStepCommands + kTwoDayCommands + calendar
        << bars + calendar;
    QTest::newRow("calendar, 2 days, offline")
        << 2 << 0 << int(ViewMode::Calendar) << kCalendarOff + kStepCommands + bulkWeather + calendar
        << bars + calendar;
    QTest::newRow("calendar, 2 days, online")
        << 2 << 1 << int(ViewMode::Calendar) << kCalendarOff + kStepCommands + calendar << bars + calendar;

    QTest::newRow("detail, 0 days, offline")
        << 0 << 0 << int(ViewMode::Detail) << kStepCommands + kTwoDayCommands + print + bulkWeather << bars;
    QTest::newRow("detail, 1 day, online")
        << 1 << 1 << int(ViewMode::Detail) << kStepCommands + kTwoDayCommands << bars;
    QTest::newRow("detail, 2 days, offline") << 2 << 0 << int(ViewMode::Detail) << bulkWeather << bars;
    QTest::newRow("detail, 2 days, online") << 2 << 1 << int(ViewMode::Detail) << Commands{} << bars;

    const Commands graph = {Command::Graph}, list = {Command::List};
    QTest::newRow("graph, 1 day, offline")
        << 1 << 0 << int(ViewMode::Graph)
        << kDayCommands + kStepCommands + kTwoDayCommands + bulkWeather + graph << bars + graph;
    QTest::newRow("graph, 2 days, online")
        << 2 << 1 << int(ViewMode::Graph) << kDayCommands + kStepCommands + graph << bars + graph;
    QTest::newRow("list, 0 days, online")
        << 0 << 1 << int(ViewMode::List) << kDayCommands + kStepCommands + kTwoDayCommands + print + list
        << bars + list;
    QTest::newRow("list, 2 days, offline")
        << 2 << 0 << int(ViewMode::List) << kDayCommands + kStepCommands + bulkWeather + list << bars + list;
}

// Every command of the menu and the toolbar, read from the real window in each state the
// program can be in.
void MainFrameTest::enableAndCheckRules()
{
    QFETCH(int, days);
    QFETCH(int, internet);
    QFETCH(int, page);
    QFETCH(Commands, disabled);
    QFETCH(Commands, checked);
    const auto shown = static_cast<ViewMode>(page);
    FrameFixture f({days, internet});
    CMainFrame& frame = *f.frame;
    if (shown != ViewMode::None) {
        f.start();
        QCOMPARE(f.nb().dayCount(), days);
        if (shown == ViewMode::Detail) {
            // As a click on the calendar does: the first day (a new one without records).
            RequireWritten(f.nb().LoadDay(QDate(2024, 5, 1)));
            f.nb().SetViewMode(ViewMode::Detail);
        } else if (shown == ViewMode::Graph) {
            frame.runCommand(Command::Graph);
        } else if (shown == ViewMode::List) {
            frame.runCommand(Command::List);
        }
    }
    QCOMPARE(f.nb().viewMode(), shown);

    auto contains = [](const Commands& set, Command c) {
        return std::find(set.begin(), set.end(), c) != set.end();
    };
    for (const MenuCommand& c : MenuCommands()) {
        const bool enabled = !contains(disabled, c.id);
        const bool isChecked = contains(checked, c.id);
        const QByteArray where = QByteArray::number(CommandId(c.id));
        std::optional<Seen> item = MenuItem(frame, c.id);
        QVERIFY2(item, where);
        QVERIFY2(item->enabled == enabled, where);
        QVERIFY2(item->checked == isChecked, where);
        // The toolbar follows the rules between commands, without a menu being opened.
        if (c.toolbar) {
            QToolButton* button = ToolButton(frame, c.id);
            QVERIFY2(button, where);
            QTRY_VERIFY2(button->isEnabled() == enabled, where);
            QVERIFY2(button->isChecked() == isChecked, where);
        }
    }
}

void MainFrameTest::toolbarFollowsRulesWhileIdle()
{
    FrameFixture f;
    f.start();
    QToolButton* photo = ToolButton(*f.frame, Command::ImportPhoto);
    QVERIFY(photo);
    QVERIFY(!photo->isEnabled());
    // A page changes the mode behind the frame's back; no menu is opened, no command runs.
    RequireWritten(f.nb().LoadDay(QDate(2024, 5, 1)));
    f.nb().SetViewMode(ViewMode::Detail);
    QTRY_VERIFY_WITH_TIMEOUT(photo->isEnabled(), 5000);
    QVERIFY(ToolButton(*f.frame, Command::Calendar)->isEnabled());
}

void MainFrameTest::viewCommandsAndDisabledCommands()
{
    FrameFixture f;
    f.start();
    CNotebook& nb = f.nb();
    f.frame->runCommand(Command::Graph);
    QCOMPARE(nb.viewMode(), ViewMode::Graph);
    QVERIFY(f.frame->action(Command::Graph)->isChecked());
    f.frame->runCommand(Command::List);
    QCOMPARE(nb.viewMode(), ViewMode::List);
    f.frame->runCommand(Command::Calendar);
    QCOMPARE(nb.viewMode(), ViewMode::Calendar);

    // Day stepping and the day commands are refused away from the detail page.
    f.frame->runCommand(Command::PreviousDay);
    f.frame->runCommand(Command::NextDay);
    f.frame->runCommand(Command::DeleteDay);
    QCOMPARE(nb.viewMode(), ViewMode::Calendar);
    QVERIFY(f.prompt.asked().empty());

    // On the detail page "next" moves to the next day record.
    RequireWritten(nb.LoadDay(QDate(2024, 5, 1)));
    nb.SetViewMode(ViewMode::Detail);
    f.frame->runCommand(Command::NextDay);
    QCOMPARE(nb.store().Day.date, QDate(2024, 5, 2));
    QCOMPARE(nb.viewMode(), ViewMode::Detail);

    // Unknown ids change nothing.
    f.frame->runCommand(12345);
    QCOMPARE(nb.viewMode(), ViewMode::Detail);
    QVERIFY(f.prompt.asked().empty());
}

void MainFrameTest::calendarWritesChangedDayFirst()
{
    FrameFixture f;
    f.start();
    CNotebook& nb = f.nb();
    RequireWritten(nb.LoadDay(QDate(2024, 5, 2)));
    nb.SetViewMode(ViewMode::Detail);
    QVERIFY(nb.store().Day.measurements);
    EnterHeight(f, "7.5");
    f.frame->runCommand(Command::Calendar);
    QCOMPARE(nb.viewMode(), ViewMode::Calendar);
    QVERIFY(!nb.store().Day.dirty);
    QCOMPARE(IniFile::ReadString(f.notebookFolder + "/20240502.dat", "Growth", "DataHeight", ""),
             std::string("7.5"));
}

void MainFrameTest::ctrlSWritesTheDay()
{
    FrameFixture f;
    f.start();
    CNotebook& nb = f.nb();
    RequireWritten(nb.LoadDay(QDate(2024, 5, 2)));
    nb.SetViewMode(ViewMode::Detail);
    EnterHeight(f, "9.5");
    QAction* save = f.frame->findChild<QAction*>("57603");
    QVERIFY(save);
    QCOMPARE(save->shortcut(), QKeySequence(QKeySequence::Save));
    f.frame->updateCommandStates();
    QVERIFY(save->isEnabled());
    save->trigger();
    QVERIFY(!nb.store().Day.dirty);
    QCOMPARE(IniFile::ReadString(f.notebookFolder + "/20240502.dat", "Growth", "DataHeight", ""),
             std::string("9.5"));
    QCOMPARE(nb.viewMode(), ViewMode::Detail);
}

// Arrows move the calendar's selection (drawn in the window), PageUp and PageDown turn the
// month, Enter opens the day as a click does, and the entry is for the selected day. Stepping
// from a day just entered shows the neighbouring day with its date, and the next entry goes to
// that day alone. Each entry is on the disk once its dialog has closed.
void MainFrameTest::entriesGoToTheDayShown()
{
    Clock::FixedToday today(QDate(2024, 5, 10));
    FrameFixture f({3});
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    f.start();
    CNotebook& nb = f.nb();
    CNoteView* view = f.frame->view();
    auto height = [&](int month, int day) {
        return IniFile::ReadString(DayFilePath(f.notebookFolder, QDate(2024, month, day), "dat"), "Growth",
                                   "DataHeight", "");
    };
    QCOMPARE(nb.CalendarSelection(), QDate(2024, 5, 10));
    // Never past today; a month to come shows its first day only.
    using enum Qt::Key;
    const std::pair<Qt::Key, QDate> steps[] = {
        {Key_Right, {2024, 5, 10}},    {Key_Up, {2024, 5, 3}},       {Key_Left, {2024, 5, 2}},
        {Key_PageUp, {2024, 4, 2}},    {Key_Down, {2024, 4, 9}},     {Key_Up, {2024, 4, 2}},
        {Key_Left, {2024, 4, 1}},      {Key_Left, {2024, 3, 31}},    {Key_PageDown, {2024, 4, 30}},
        {Key_PageDown, {2024, 5, 10}}, {Key_PageDown, {2024, 6, 1}}, {Key_PageUp, {2024, 5, 1}}};
    for (const auto& [key, selected] : steps) {
        QTest::keyClick(view, key);
        QCOMPARE(nb.CalendarSelection(), selected);
        QCOMPARE(nb.PageSnapshotNow().shownMonth, selected.month());
    }
    const QRect frame = nb.CalendarSelectionFrame();
    QCOMPARE(frame, nb.pages().CalendarCellFrame(3));  // May 2024 begins on a Wednesday
    QCOMPARE(view->grab().toImage().pixelColor(frame.left() - 4, frame.center().y()), QColor(0, 90, 220));

    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(nb.viewMode(), ViewMode::Detail);
    QCOMPARE(nb.currentDate(), QDate(2024, 5, 1));
    f.frame->runCommand(Command::Calendar);
    QTest::keyClick(view, Qt::Key_Up);
    f.prompt.queue(Answer::No);
    QTest::keyClick(view, Qt::Key_Return);  // 4/24 has no record: offered as a new day
    QCOMPARE(f.prompt.asked(), std::vector<int>{151});
    QCOMPARE(nb.viewMode(), ViewMode::Calendar);
    EnterHeight(f, "4.5");
    QCOMPARE(nb.viewMode(), ViewMode::Detail);
    QCOMPARE(nb.currentDate(), QDate(2024, 4, 24));
    QCOMPARE(height(4, 24), std::string("4.5"));

    for (Command step : {Command::PreviousDay, Command::NextDay}) {
        RequireWritten(nb.LoadDay(QDate(2024, 5, 2)));
        EnterHeight(f, "8.5");
        f.frame->runCommand(step);
        const int shown = step == Command::PreviousDay ? 1 : 3;
        QCOMPARE(nb.PageSnapshotNow().day.date, QDate(2024, 5, shown));
        EnterHeight(f, "3.5");
        QCOMPARE(height(5, shown), std::string("3.5"));
        QCOMPARE(height(5, 2), std::string("8.5"));
    }
    // A day read again from its files keeps its date.
    RequireWritten(nb.LoadDay(nb.currentDate()));
    QCOMPARE(nb.currentDate(), QDate(2024, 5, 3));
}

void MainFrameTest::barsShowAndHide()
{
    FrameFixture f;
    CMainFrame& frame = *f.frame;
    frame.runCommand(Command::ToolBar);
    QVERIFY(frame.toolBar()->isHidden());
    frame.runCommand(Command::StatusBar);
    QVERIFY(frame.statusBar()->isHidden());
    OpenEveryMenu(frame);
    QVERIFY(!frame.action(Command::ToolBar)->isChecked());
    QVERIFY(!frame.action(Command::StatusBar)->isChecked());
    frame.runCommand(Command::ToolBar);
    frame.runCommand(Command::StatusBar);
    OpenEveryMenu(frame);
    QVERIFY(!frame.toolBar()->isHidden() && !frame.statusBar()->isHidden());
    QVERIFY(frame.action(Command::ToolBar)->isChecked() && frame.action(Command::StatusBar)->isChecked());
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
        f.frame->runCommand(Command::Exit);
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
    QCOMPARE(first.nb().viewMode(), ViewMode::Calendar);

    SkipExitConfirmation = true;  // the second copy is a fresh process
    FrameFixture second({}, lock);
    second.frame->show();
    QTRY_VERIFY_WITH_TIMEOUT(!second.frame->isVisible(), 3000);
    QTest::qWait(50);
    QCOMPARE(second.prompt.asked(), std::vector<int>{177});
    QCOMPARE(second.nb().viewMode(), ViewMode::None);
    QVERIFY(!second.nb().host());
    QVERIFY(!InstanceLock(lock).acquire());  // the first copy holds it still
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
    QCOMPARE(f.nb().viewMode(), ViewMode::None);
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
        auto* button =
            qobject_cast<QToolButton*>(frame.toolBar()->widgetForAction(frame.action(kToolBarOrder[i])));
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
    QCOMPARE(frame.action(Command::ImportPhoto)->text(), QString::fromUtf8("写真画像取込(&O)"));
}

void MainFrameTest::aboutShowsTheBuildVersion()
{
    FrameFixture f;
    QString title, version;
    ModalWatcher watcher([&](QDialog& dlg) {
        title = dlg.windowTitle();
        if (auto* label = dlg.findChild<QLabel*>("version"))
            version = label->text();
        dlg.accept();
    });
    f.frame->runCommand(Command::About);
    QVERIFY2(watcher.ok(), watcher.failure());
    QCOMPARE(title, QString::fromUtf8("Keltoのバージョン情報"));
    // The project's version as CMake has it, not a copy in the source.
    QCOMPARE(version, QString::fromUtf8("Kelto バージョン " KELTO_PROJECT_VERSION));
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
    WriteText(bin.file("xdg-open"),
              "#!/bin/sh\necho \"$1\" > '" + marker + "'\n" + opener.toStdString() + "\n");
    QFile::setPermissions(QString::fromStdString(bin.file("xdg-open")), QFile::ReadOwner | QFile::ExeOwner);
    QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()) + ":" + oldPath);
    f.start();
    f.frame->runCommand(Command::Help);
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
    std::vector<QString> drawn =
        LayoutMemoLines(text, 100000, 100, [](const QString& s) { return int(s.size()); });
    QVERIFY(!drawn.empty());
    QCOMPARE(drawn.front(), lines[1]);
    QVERIFY(std::find(drawn.begin(), drawn.end(), lines[0]) == drawn.end());
    QVERIFY(std::find(drawn.begin(), drawn.end(), lines[2]) != drawn.end());
}

QTEST_MAIN(MainFrameTest)
#include "MainFrame_qtest.moc"
