#include "app/dialogs/CAnimationDlg.h"

#include "animation/AnimationPlayer.h"
#include "photos/PictureFile.h"
#include "platform/IniFile.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <memory>

namespace {

// Three photo days, each red on the left half and blue on the right: the standard alignment
// shows the border at frame x 160.
struct Reel {
    TempDir dir;
    ScriptedPrompt prompt;
    std::vector<QDate> dates{QDate(2026, 3, 1), QDate(2026, 3, 2), QDate(2026, 3, 4)};
    Reel()
    {
        QImage photo(640, 480, QImage::Format_RGB32);
        photo.fill(Qt::blue);
        QPainter(&photo).fillRect(0, 0, 320, 480, Qt::red);
        for (const QDate& d : dates)
            RequireWritten(SavePictureFile(FramePhotoPath(dir.path(), d), photo, 640, 480, 95));
    }
    AnimationSetup setup(AnimationMode mode) const
    {
        AnimationSetup s;
        s.notebookFolder = dir.path();
        s.startDate = QDate(2026, 2, 20);
        s.currentDate = QDate(2026, 3, 1);
        s.mode = mode;
        s.geometry.standard = FrameAlignment{160, 120, 160, 120};  // as a Kelto.ini may set it
        return s;
    }
};

// The dialog on an opened player, with timer 1 ticking it as the note view does.
struct Open {
    AnimationPlayer player;
    QTimer timer;
    std::unique_ptr<CAnimationDlg> dialog;
    CAnimationDlg& dlg;
    Open(Reel& reel, AnimationMode mode)
        : player(reel.setup(mode), reel.prompt), dialog(opened(player, timer)), dlg(*dialog)
    {
        QObject::connect(&timer, &QTimer::timeout, &dlg, &CAnimationDlg::tick);
        dlg.show();
    }
    static std::unique_ptr<CAnimationDlg> opened(AnimationPlayer& player, QTimer& timer)
    {
        player.Open();
        return std::make_unique<CAnimationDlg>(player, 3, timer);
    }
    template <class T = QWidget>
    T* control(int id)
    {
        return dlg.findChild<T*>(QString::number(id));
    }
    void click(int id) { QTest::mouseClick(control<QAbstractButton>(id), Qt::LeftButton); }
    bool redAtFrameX(int x) { return qRed(dlg.grab().toImage().pixel(16 + x, 16 + 120)) > 200; }
};

}  // namespace

class AnimationDlgTest : public QObject {
    Q_OBJECT
private slots:
    void controlsInBothModes()
    {
        Reel reel;
        const std::pair<int, const char*> texts[] = {
            {3, "←"},         {7, "→"},         {6, "開始"},    {4, "停止"},
            {2, "閉じる"},    {10, "先頭ﾌﾚｰﾑ"}, {8, "ﾘｾｯﾄ"},    {9, "後続ﾌﾚｰﾑへの反映"},
            {11, "元に戻す"}, {209, "EXP"},     {201, "UP"},    {210, "RDC"},
            {202, "LEFT"},    {204, "DOWN"},    {203, "RIGHT"}, {1050, "前のフレームと重ね合わせて表示する"},
        };
        for (AnimationMode mode : {AnimationMode::Edit, AnimationMode::Display}) {
            const bool editing = mode == AnimationMode::Edit;
            Open o(reel, mode);
            QCOMPARE(o.dlg.objectName(), QStringLiteral("132"));
            QCOMPARE(o.dlg.windowTitle(),
                     QString::fromUtf8(editing ? "アニメーション編集" : "アニメーション表示"));
            for (const auto& [id, text] : texts) {
                QAbstractButton* b = o.control<QAbstractButton>(id);
                QVERIFY2(b, qPrintable(QString::number(id)));
                QCOMPARE(b->text(), QString::fromUtf8(text));
            }
            QCOMPARE(o.control<QGroupBox>(1051)->title(), QString::fromUtf8("位置合わせ"));
            QCOMPARE(o.control<QLineEdit>(1001)->text(), QStringLiteral("2026/3/1"));
            QCOMPARE(o.control<QLineEdit>(1002)->text(), QStringLiteral("10"));
            QCOMPARE(o.control<QLineEdit>(1003)->text(), QStringLiteral("3"));
            QVERIFY(!o.control(3)->isEnabled());
            QVERIFY(o.control(7)->isEnabled());
            QVERIFY(!o.control(4)->isEnabled());
            QVERIFY(o.control<QPushButton>(6)->isDefault());
            QCOMPARE(o.control(1050)->isVisible(), editing);
            QCOMPARE(o.control(201)->isVisible(), editing);
            QCOMPARE(o.control(8)->isVisible(), editing);
            if (!editing)
                QCOMPARE(o.dlg.size(), QSize(472, 306));
            else
                QVERIFY(o.control<QCheckBox>(1050)->isChecked());
        }
    }

    void playsToTheLastFrameOnTheTimer()
    {
        Reel reel;
        Open o(reel, AnimationMode::Display);
        o.control<QLineEdit>(1003)->setText("60");
        o.click(6);
        QVERIFY(o.timer.isActive());
        QCOMPARE(o.timer.interval(), 16);
        QVERIFY(!o.control(6)->isEnabled());
        QVERIFY(o.control(4)->isEnabled());
        QTRY_VERIFY(!o.timer.isActive());
        QCOMPARE(o.control<QLineEdit>(1001)->text(), QStringLiteral("2026/3/4"));
        QCOMPARE(o.control<QLineEdit>(1002)->text(), QStringLiteral("13"));
        QVERIFY(o.control(6)->isEnabled());
        QVERIFY(o.control(3)->isEnabled());
        QVERIFY(!o.control(7)->isEnabled());
        QCOMPARE(o.dlg.speed(), 60);
    }

    void editsByKeysButtonsAndDrag()
    {
        Reel reel;
        Open o(reel, AnimationMode::Edit);
        QLineEdit* speed = o.control<QLineEdit>(1003);
        speed->setFocus();
        // The keys move the frame even while the speed edit has the focus, and never reach it.
        QTest::keyClick(speed, Qt::Key_Right);
        QTest::keyClick(speed, Qt::Key_Delete);
        QCOMPARE(speed->text(), QStringLiteral("3"));
        QCOMPARE(o.player.alignment(), (FrameAlignment{159, 120, 152, 114}));
        QTest::keyClick(speed, Qt::Key_5);
        QCOMPARE(speed->text(), QStringLiteral("35"));  // other keys go on as usual
        o.click(201);
        o.click(210);
        QCOMPARE(o.player.alignment(), (FrameAlignment{159, 121, 160, 120}));

        // The picture follows a drag of 40 pixels right: the border moves to frame x 200.
        QVERIFY(!o.redAtFrameX(180));
        QTest::mousePress(&o.dlg, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(&o.dlg, QPoint(140, 100));
        QVERIFY(o.redAtFrameX(180));
        QTest::mouseRelease(&o.dlg, Qt::LeftButton, {}, QPoint(140, 100));
        QCOMPARE(o.player.alignment().x, 139);
        QVERIFY(o.redAtFrameX(180));
        // A drag that leaves the frame before the button is released moves nothing.
        QTest::mousePress(&o.dlg, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(&o.dlg, QPoint(400, 100));
        QTest::mouseRelease(&o.dlg, Qt::LeftButton, {}, QPoint(400, 100));
        QCOMPARE(o.player.alignment().x, 139);

        reel.prompt.queue(Answer::Yes);
        o.click(8);
        QCOMPARE(o.player.alignment(), FrameAlignment{});
        o.click(7);  // leaving the frame writes it
        QCOMPARE(IniFile::ReadString(FrameRecordPath(reel.dir.path(), reel.dates[0]), "Triming", "Position"),
                 std::string("160,120"));
        QCOMPARE(o.control<QLineEdit>(1001)->text(), QStringLiteral("2026/3/2"));
        QVERIFY(o.control(3)->isEnabled());
        o.click(10);
        QCOMPARE(o.player.currentFrame(), 0);
        o.click(2);
        QVERIFY(!o.dlg.isVisible());
    }

    void wheelZoomsOneStepANotch()
    {
        Reel reel;
        Open o(reel, AnimationMode::Edit);
        // Turns the wheel over the frame; the frame's width after it.
        auto turn = [&](int angle, Qt::KeyboardModifiers keys = {}) {
            QWheelEvent wheel({100, 100}, {100, 100}, {}, {0, angle}, Qt::NoButton, keys, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(&o.dlg, &wheel);
            return o.player.alignment().w;
        };
        QCOMPARE(turn(120), 152);   // away from the user: enlarged a few per cent, as Delete does
        QCOMPARE(turn(-240), 168);  // two notches towards the user: reduced twice
        QCOMPARE(turn(60), 168);    // half a notch is no step yet
        QCOMPARE(turn(60), 160);
        QCOMPARE(turn(120, Qt::ShiftModifier), 159);  // with Shift, one unit a notch
    }

    void speedOutsideOneToSixtyIsRefused()
    {
        Reel reel;
        Open o(reel, AnimationMode::Display);
        QLineEdit* speed = o.control<QLineEdit>(1003);
        for (const char* typed : {"61", "0", "2147483647", "abc"}) {
            speed->setText(typed);
            o.click(6);
            QVERIFY2(!o.timer.isActive(), typed);
            o.dlg.reject();
            QVERIFY2(o.dlg.isVisible(), typed);  // closing keeps the speed: refused too
        }
        QCOMPARE(reel.prompt.asked(), std::vector<int>(8, 304));
        speed->setText("60");
        o.click(6);
        QCOMPARE(o.timer.interval(), 16);
        o.dlg.reject();
        QVERIFY(!o.dlg.isVisible());
    }

    void automaticAlignmentAsksBeforeItShowsItsProgress()
    {
        // Shown before the questions, the progress window would take their clicks.
        struct WatchingPrompt : Prompt {
            QWidget* dialog = nullptr;
            std::vector<int> asked;
            bool progressFirst = false;
            Answer ask(Msg id, Buttons buttons, Icon, const std::string&) override
            {
                asked.push_back(MsgId(id));
                const bool question = buttons != Buttons::Ok;
                progressFirst = progressFirst || (question && !dialog->findChildren<QProgressDialog*>().isEmpty());
                return Answer::Yes;
            }
        } prompt;
        Reel reel;
        AnimationSetup setup = reel.setup(AnimationMode::Edit);
        setup.registrar = [](const QImage&, const FrameAlignment& previous, const QImage&, const FrameAlignment&,
                             QSize) { return std::optional(previous); };
        AnimationPlayer player(setup, prompt);
        QTimer timer;
        std::unique_ptr<CAnimationDlg> dlg = Open::opened(player, timer);
        prompt.dialog = dlg.get();
        QTest::mouseClick(dlg->findChild<QAbstractButton*>("1061"), Qt::LeftButton);
        QCOMPARE(prompt.asked, (std::vector<int>{214, 217}));
        QVERIFY(!prompt.progressFirst);
    }

    void displayModeLeavesTheKeysAlone()
    {
        Reel reel;
        Open o(reel, AnimationMode::Display);
        QLineEdit* speed = o.control<QLineEdit>(1003);
        speed->setFocus();
        QTest::keyClick(speed, Qt::Key_Delete);
        QTest::keyClick(speed, Qt::Key_Home);
        QTest::keyClick(speed, Qt::Key_Delete);
        QCOMPARE(speed->text(), QString());
        QCOMPARE(o.player.alignment(), FrameAlignment{});
        QVERIFY(!o.player.alignmentModified());
    }
};

QTEST_MAIN(AnimationDlgTest)
#include "AnimationDlg_qtest.moc"
