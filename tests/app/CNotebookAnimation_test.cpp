#include "support/NotebookFixture.h"

#include "photos/PictureFile.h"
#include "support/RequireWritten.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {
void AddPhotoDay(NotebookFixture& f, int yyyymmdd)
{
    f.addDay(yyyymmdd);
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    RequireWritten(SavePictureFile(f.dayPath(yyyymmdd, "jpg"), photo, 640, 480, 90));
}
}  // namespace

TEST(CNotebookAnimation, TheEditorsChangesAndSpeedAreStoredWhenItCloses)
{
    NotebookFixture f("2026/02/20");
    AddPhotoDay(f, 20260301);
    AddPhotoDay(f, 20260302);
    CNotebook& nb = f.open();
    ASSERT_TRUE(nb.LoadDay(QDate(2026, 3, 2)));
    ASSERT_EQ(f.enterMeasurements([](EntryFields& e) { e.height = "42.0"; }), 0);
    const std::string ini = JoinPath(f.program, "Kelto.ini");

    f.host.animationDialog = [&](AnimationPlayer& player, int speed) {
        EXPECT_EQ(speed, 1);
        // The day was written before the dialog opened; the editor starts on it.
        EXPECT_EQ(IniFile::ReadString(f.dayPath(20260302, "dat"), "Growth", "DataHeight"), "42.0");
        EXPECT_EQ(player.dateText(), "2026/3/2");
        EXPECT_EQ(player.dayNumberText(), "11");
        player.Move(0, 1);
        return 5;
    };
    nb.RunAnimation(AnimationMode::Edit);
    EXPECT_EQ(f.host.dialogs.back(), (std::pair{DialogId::Animation, 2}));
    EXPECT_EQ(IniFile::ReadString(f.dayPath(20260302, "dat"), "Triming", "Position"), "160,121");
    EXPECT_EQ(IniFile::ReadInt(ini, "Animation", "Speed", 0), 5);
    EXPECT_EQ(nb.currentDate(), QDate(2026, 3, 2));
    EXPECT_FALSE(nb.store().Day.picture.isNull());

    // A speed no player takes is not kept, and one stored by hand is read within 1 to 60.
    f.host.animationDialog = [](AnimationPlayer& player, int) {
        EXPECT_EQ(player.mode(), AnimationMode::Display);
        return 61;
    };
    nb.RunAnimation(AnimationMode::Display);
    EXPECT_EQ(ReadAnimationSpeed(ini), 5);
    RequireWritten(IniFile::WriteString(ini, "Animation", "Speed", "2147483647"));
    EXPECT_EQ(ReadAnimationSpeed(ini), 60);
    EXPECT_TRUE(f.prompt.asked().empty());
}
