#include "animation/AnimationPlayer.h"
#include "photos/PictureFile.h"
#include "platform/IniFile.h"
#include "platform/SafeFormat.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"

#include <QPainter>

#include <filesystem>

#include <gtest/gtest.h>

namespace {

// A notebook folder of photo days from 1 May 2026 on, each photo one grey (or drawn by `draw`).
struct Reel {
    TempDir dir;
    std::vector<QDate> dates;
    ScriptedPrompt prompt;

    explicit Reel(int n, const std::function<QImage(int)>& draw = {})
    {
        for (int i = 0; i < n; ++i) {
            dates.push_back(QDate(2026, 5, 1 + i));
            QImage photo(640, 480, QImage::Format_RGB32);
            photo.fill(QColor(100 + i, 100 + i, 100 + i));
            if (draw)
                photo = draw(i);
            RequireWritten(SavePictureFile(FramePhotoPath(dir.path(), dates[i]), photo, 640, 480, 95));
        }
    }
    AnimationSetup setup(AnimationMode mode, QDate current = QDate(2026, 5, 1)) const
    {
        AnimationSetup s;
        s.notebookFolder = dir.path();
        s.startDate = QDate(2026, 4, 22);
        s.currentDate = current;
        s.mode = mode;
        // A notebook whose Kelto.ini sets a standard alignment: the middle of the photo.
        s.geometry.standard = FrameAlignment{160, 120, 160, 120};
        return s;
    }
    std::string stored(int k, const char* key) const
    {
        return IniFile::ReadString(FrameRecordPath(dir.path(), dates[k]), "Triming", key);
    }
};

QImage Painted(const AnimationPlayer& player)
{
    QImage screen(480, 480, QImage::Format_RGB32);
    screen.fill(Qt::magenta);
    QPainter p(&screen);
    player.Paint(p, Qt::magenta);
    return screen;
}

}  // namespace

TEST(AnimationPlayer, StartFrameDateTextAndTimer)
{
    Reel reel(3);
    std::filesystem::remove(FramePhotoPath(reel.dir.path(), reel.dates[1]));  // 2 May has no photo
    AnimationPlayer display(reel.setup(AnimationMode::Display, QDate(2026, 5, 2)), reel.prompt);
    display.Open();
    EXPECT_EQ(display.currentFrame(), 0);
    EXPECT_EQ(display.frameCount(), 2);

    AnimationPlayer gap(reel.setup(AnimationMode::Edit, QDate(2026, 5, 2)), reel.prompt);
    gap.Open();
    EXPECT_EQ(gap.currentFrameDate(), QDate(2026, 5, 3));  // the next photo day
    EXPECT_EQ(gap.dateText(), "2026/5/3");
    EXPECT_EQ(gap.dayNumberText(), "12");
    AnimationPlayer late(reel.setup(AnimationMode::Edit, QDate(2026, 6, 1)), reel.prompt);
    late.Open();
    EXPECT_EQ(late.currentFrame(), 1);  // after the last photo day: the last frame

    AnimationSetup noStart = reel.setup(AnimationMode::Display);
    noStart.startDate.reset();
    AnimationPlayer bare(noStart, reel.prompt);
    bare.Open();
    EXPECT_EQ(bare.dayNumberText(), "");

    EXPECT_EQ(AnimationPlayer::TimerInterval(5), 200);
    EXPECT_EQ(AnimationPlayer::TimerInterval(3), 333);
    EXPECT_EQ(AnimationPlayer::TimerInterval(60), 16);
    EXPECT_FALSE(AnimationPlayer::TimerInterval(61));  // no player takes it
    EXPECT_FALSE(display.StartPlayback(5000));
    EXPECT_FALSE(AnimationPlayer::TimerInterval(0));
    EXPECT_FALSE(AnimationPlayer::TimerInterval(-2));
    EXPECT_FALSE(display.StartPlayback(0));
}

TEST(AnimationPlayer, SteppingWritesWhatEachLeftFrameInheritedButNotTheFirstShown)
{
    Reel reel(4);
    AnimationPlayer player(reel.setup(AnimationMode::Edit), reel.prompt);
    player.Open();
    EXPECT_FALSE(player.alignmentModified());
    EXPECT_FALSE(player.canGoBack());
    while (player.canGoForward())
        ASSERT_TRUE(player.GoToFrame(+1));
    EXPECT_EQ(reel.stored(0, "Position"), "");  // the frame shown at opening
    EXPECT_EQ(reel.stored(1, "Position"), "160,120");
    EXPECT_EQ(reel.stored(2, "Size"), "160,120");
    EXPECT_EQ(reel.stored(3, "Position"), "");  // not left yet
    EXPECT_TRUE(player.alignmentModified());
    EXPECT_TRUE(player.Close());
    EXPECT_EQ(reel.stored(3, "Position"), "160,120");
    // Each frame was decoded once, its neighbours kept while stepping.
    EXPECT_EQ(player.decodeCount(), 4);
}

TEST(AnimationPlayer, PlaybackShowsEachFrameOnceAndStopsOnTheLast)
{
    Reel reel(4);
    AnimationPlayer player(reel.setup(AnimationMode::Edit, QDate(2026, 5, 3)), reel.prompt);
    player.Open();
    player.Move(1, 0);  // an edit of frame 2 not yet stored
    const int decodedAtOpen = player.decodeCount();
    ASSERT_TRUE(player.StartPlayback(5));
    EXPECT_EQ(reel.stored(2, "Position"), "161,120");  // written, not lost by the playback
    EXPECT_FALSE(player.canGoForward());
    player.Move(1, 0);  // no edits while playing
    std::vector<int> shown;
    for (int guard = 0; player.playing() && guard < 10; ++guard) {
        player.Tick();
        shown.push_back(player.currentFrame());
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(player.dateText(), "2026/5/4");
    // One decode a tick; the stopped editor's neighbour of the last frame was kept from the tick before.
    EXPECT_EQ(player.decodeCount() - decodedAtOpen, 4);
    EXPECT_EQ(reel.stored(1, "Position"), "");  // playback never writes

    // Stopped in the middle, the frame shown is the current one.
    ASSERT_TRUE(player.StartPlayback(5));
    player.Tick();
    player.Tick();
    player.StopPlayback();
    EXPECT_EQ(player.currentFrame(), 1);
    EXPECT_EQ(player.alignment(), FrameAlignment{});
}

TEST(AnimationPlayer, OverlayBlendsThePreviousFrameAndThumbnailsShowTheNeighbours)
{
    Reel reel(2, [](int i) {
        QImage photo(640, 480, QImage::Format_RGB32);
        photo.fill(i == 0 ? QColor(100, 100, 100) : QColor(201, 201, 201));
        return photo;
    });
    AnimationPlayer player(reel.setup(AnimationMode::Edit, QDate(2026, 5, 2)), reel.prompt);
    player.Open();
    ASSERT_EQ(player.currentFrame(), 1);
    QImage screen = Painted(player);
    EXPECT_NEAR(qGreen(screen.pixel(100, 100)), 150, 2);
    const int top = player.thumbnailTop();
    EXPECT_NEAR(qGreen(screen.pixel(36 + 40, top + 30)), 100, 2);
    EXPECT_EQ(screen.pixel(228 + 40, top + 30), QColor(Qt::magenta).rgb());  // no next frame
    player.SetOverlayEnabled(false);
    EXPECT_NEAR(qGreen(Painted(player).pixel(100, 100)), 201, 2);
}

TEST(AnimationPlayer, ResetUndoAndCarryOverAskFirst)
{
    Reel reel(3);
    RequireWritten(IniFile::WriteString(FrameRecordPath(reel.dir.path(), reel.dates[1]), "Triming",
                                        "Position", "100,100"));
    RequireWritten(
        IniFile::WriteString(FrameRecordPath(reel.dir.path(), reel.dates[1]), "Triming", "Size", "80,60"));
    AnimationPlayer player(reel.setup(AnimationMode::Edit, QDate(2026, 5, 2)), reel.prompt);
    player.Open();
    reel.prompt.queue(Answer::No);
    EXPECT_FALSE(player.Reset());
    EXPECT_EQ(player.alignment(), (FrameAlignment{100, 100, 80, 60}));
    reel.prompt.queue(Answer::Yes);
    EXPECT_TRUE(player.Reset());
    EXPECT_EQ(player.alignment(), FrameAlignment{});
    reel.prompt.queue(Answer::Yes);
    EXPECT_TRUE(player.Undo());
    EXPECT_EQ(player.alignment(), (FrameAlignment{100, 100, 80, 60}));
    EXPECT_FALSE(player.alignmentModified());
    EXPECT_FALSE(player.ApplyToFollowing());  // nothing changed: nothing asked

    player.Move(-1, 0);
    player.Move(-1, 0);
    reel.prompt.queue(Answer::Yes);
    EXPECT_TRUE(player.ApplyToFollowing());
    EXPECT_EQ(reel.stored(1, "Position"), "98,100");
    EXPECT_EQ(reel.stored(2, "Position"), "98,100");  // it showed frame 1's values: moved once
    EXPECT_FALSE(player.alignmentModified());

    // "元に戻す" takes the carry-over back, from any frame, until the next edit: the later
    // frame without values again, the frame carried from keeping its edit.
    ASSERT_TRUE(player.GoToFrame(+1));
    EXPECT_EQ(player.alignment(), (FrameAlignment{98, 100, 80, 60}));
    reel.prompt.queue(Answer::Yes);
    EXPECT_TRUE(player.Undo());
    EXPECT_EQ(reel.stored(2, "Position"), "");
    EXPECT_EQ(reel.stored(1, "Position"), "98,100");
    EXPECT_EQ(player.alignment(), (FrameAlignment{98, 100, 80, 60}));  // inherited from frame 1 again
    EXPECT_TRUE(player.alignmentModified());
    reel.prompt.queue(Answer::No);
    EXPECT_FALSE(player.Undo());  // now the frame's own undo
    EXPECT_EQ(reel.prompt.asked(), (std::vector<int>{180, 180, 181, 160, 300, 181}));
}

TEST(AnimationPlayer, AutomaticAlignmentIsAnEditThatCanBeTakenBack)
{
    Reel reel(4);
    RequireWritten(IniFile::WriteString(FrameRecordPath(reel.dir.path(), reel.dates[2]), "Triming",
                                        "Position", "50,50"));
    RequireWritten(
        IniFile::WriteString(FrameRecordPath(reel.dir.path(), reel.dates[2]), "Triming", "Size", "160,120"));
    AnimationSetup setup = reel.setup(AnimationMode::Edit, QDate(2026, 5, 2));
    int calls = 0;
    bool none = false;
    // Proposes the previous frame's alignment moved one unit right.
    setup.registrar = [&](const QImage& previousPhoto, const FrameAlignment& previous, const QImage& photo,
                          const FrameAlignment&, QSize) -> std::optional<FrameAlignment> {
        ++calls;
        if (none || previousPhoto.isNull() || photo.isNull())
            return std::nullopt;
        return FrameAlignment{previous.x + 1, previous.y, previous.w, previous.h};
    };
    AnimationPlayer player(setup, reel.prompt);
    player.Open();
    ASSERT_TRUE(player.AutoAlign());
    EXPECT_EQ(player.alignment(), (FrameAlignment{161, 120, 160, 120}));
    EXPECT_TRUE(player.alignmentModified());
    ASSERT_TRUE(player.canUndoAutoAlign());
    player.UndoAutoAlign();
    EXPECT_EQ(player.alignment(), FrameAlignment{});
    EXPECT_FALSE(player.alignmentModified());

    none = true;
    EXPECT_FALSE(player.AutoAlign());
    EXPECT_EQ(reel.prompt.asked(), std::vector<int>{216});
    none = false;

    // Frame 2 has values of its own: the user keeps them.
    ASSERT_TRUE(player.GoToFrame(+1));
    reel.prompt.clear();
    reel.prompt.queue(Answer::No);
    EXPECT_FALSE(player.AutoAlign());
    EXPECT_EQ(player.alignment(), (FrameAlignment{50, 50, 160, 120}));

    // From frame 1 on, keeping what the user aligned: frame 1 by hand just now, frame 2 stored.
    ASSERT_TRUE(player.GoToFrame(-1));
    player.Move(0, 1);
    reel.prompt.clear();
    reel.prompt.queue(Answer::Yes);
    reel.prompt.queue(Answer::No);
    calls = 0;
    EXPECT_EQ(player.AutoAlignFollowing(), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reel.prompt.asked(), (std::vector<int>{214, 215, 217}));
    EXPECT_EQ(reel.stored(1, "Position"), "160,121");
    EXPECT_EQ(reel.stored(2, "Position"), "50,50");
    EXPECT_EQ(reel.stored(3, "Position"), "51,50");  // chained on frame 2 as it stands
    EXPECT_EQ(player.alignment(), (FrameAlignment{160, 121, 160, 120}));
    EXPECT_FALSE(player.alignmentModified());

    // The run is taken back as a whole: frame 3 had no values of its own.
    ASSERT_TRUE(player.canUndoAutoAlign());
    EXPECT_FALSE(player.canUndoCarryOver());
    player.UndoAutoAlign();
    EXPECT_FALSE(IniFile::HasKey(FrameRecordPath(reel.dir.path(), reel.dates[3]), "Triming", "Position"));
    EXPECT_EQ(reel.stored(1, "Position"), "160,121");
    EXPECT_FALSE(player.canUndoAutoAlign());

    // Stopped after frame 1, frame 2 not matched: the result counts all three kinds.
    reel.prompt.clear();
    reel.prompt.queue(Answer::Yes);
    reel.prompt.queue(Answer::Yes);
    EXPECT_EQ(player.AutoAlignFollowing([&](int done, int) {
        none = done == 1;
        return done < 2;
    }),
              1);
    EXPECT_EQ(reel.prompt.asked(), (std::vector<int>{214, 215, 303}));
    EXPECT_EQ(reel.prompt.texts().back(), FormatInts(LoadString(Msg::AutoAlignStopped), {1, 1, 1}));
}
