#include "photos/PictureFile.h"
#include "support/ExifBuilder.h"
#include "support/FakeFileChooser.h"
#include "support/NotebookFixture.h"
#include "support/PhotoFiles.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace exif;

namespace {

std::string writePhoto(const TempDir& dir, const char* name, QSize size, const std::string& date,
                       int orientation = 1)
{
    return WritePhoto(dir, name, size, date, orientation);
}

struct PhotoFixture : NotebookFixture {
    PhotoFixture()
    {
        addDay(20240501, "12.5");
        open();
        EXPECT_TRUE(nb->LoadDay(QDate(2024, 5, 1)));
        nb->SetViewMode(ViewMode::Detail);
    }
    TempDir photos;
    FakeFileChooser chooser;
};

}  // namespace

TEST(CNotebookPhotos, LandscapePhotoOfTheSameDayIsTakenWithoutQuestions)
{
    PhotoFixture f;
    f.chooser.answer = writePhoto(f.photos, "a.jpg", {1600, 1200}, "2024:05:01 09:00:00");
    ASSERT_TRUE(f.nb->ImportPhoto(false, f.chooser));
    const DayRecord& day = f.nb->store().Day;
    EXPECT_EQ(day.picture.size(), QSize(640, 480));
    EXPECT_TRUE(day.dirty && day.pictureChanged);
    EXPECT_EQ(day.sourcePath, f.chooser.answer);
    EXPECT_TRUE(f.prompt.asked().empty());
    EXPECT_TRUE(f.host.rotateRequests.empty());
    ASSERT_TRUE(f.nb->SaveDay());
    QImage saved;
    ASSERT_TRUE(LoadPictureFile(f.dayPath(20240501, "jpg"), saved));
    EXPECT_EQ(saved.size(), QSize(640, 480));
}

TEST(CNotebookPhotos, OrientationTurnsAPhonePhotoBeforeTheFitAndCancelChangesNothing)
{
    PhotoFixture f;
    // Stored landscape, flagged "turn clockwise to view": a portrait photo.
    f.chooser.answer = writePhoto(f.photos, "phone.jpg", {1600, 1200}, "2024:05:01 09:00:00", 6);
    EXPECT_FALSE(f.nb->ImportPhoto(false, f.chooser));
    ASSERT_EQ(f.host.rotateRequests.size(), 1u);
    EXPECT_EQ(f.host.rotateRequests[0].mode, RotateMode::Portrait);
    const DayRecord& day = f.nb->store().Day;
    EXPECT_TRUE(day.picture.isNull());
    EXPECT_FALSE(day.dirty);
    EXPECT_TRUE(day.sourcePath.empty());

    // Upright, the stored top (red) is the photo's right side; turning anticlockwise brings
    // that side to the top of the day picture.
    f.host.rotateAnswer = {true, RotationChoice::Anticlockwise, TrimRadio::None};
    ASSERT_TRUE(f.nb->ImportPhoto(false, f.chooser));
    EXPECT_GT(qRed(day.picture.pixel(320, 5)), 230);
    EXPECT_LT(qBlue(day.picture.pixel(320, 5)), 25);
    EXPECT_GT(qBlue(day.picture.pixel(320, 474)), 230);
}

TEST(CNotebookPhotos, RedatingMovesTheDayAndNeverOverwritesAnother)
{
    {
        PhotoFixture f;
        f.chooser.answer = writePhoto(f.photos, "b.jpg", {800, 600}, "2024:05:03 10:00:00");
        f.prompt.queue(Answer::Yes);  // 130: take the photo's date
        f.prompt.queue(Answer::Yes);  // 142: delete the old date's record
        ASSERT_TRUE(f.nb->ImportPhoto(false, f.chooser));
        EXPECT_EQ(f.prompt.asked(), (std::vector<int>{130, 142}));
        EXPECT_EQ(f.nb->currentDate(), QDate(2024, 5, 3));
        ASSERT_TRUE(f.nb->SaveDay());
        EXPECT_FALSE(FileExists(f.dayPath(20240501, "dat")));
        EXPECT_EQ(IniFile::ReadString(f.dayPath(20240503, "dat"), "Growth", "DataHeight"), "12.5");
        EXPECT_TRUE(FileExists(f.dayPath(20240503, "jpg")));
    }
    // The photo's own day already has a record or lies after today: one question, the shown day
    // or nothing; nothing leaves the day exactly as it was, and no other day is made or changed.
    struct Case {
        const char* taken;
        Msg question;
        Answer answer;
    } cases[] = {
        {"2024:05:03 10:00:00", Msg::PhotoDayTakenUseShownDay, Answer::Yes},
        {"2024:05:03 10:00:00", Msg::PhotoDayTakenUseShownDay, Answer::No},
        {"2027:01:05 10:00:00", Msg::PhotoAfterTodayUseShownDay, Answer::Yes},
        {"2027:01:05 10:00:00", Msg::PhotoAfterTodayUseShownDay, Answer::No},
    };
    for (const Case& c : cases) {
        Clock::FixedToday today(QDate(2024, 6, 10));
        PhotoFixture f;
        f.addDay(20240503, "7.0");
        f.chooser.answer = writePhoto(f.photos, "c.jpg", {800, 600}, c.taken);
        f.prompt.queue(c.answer);
        EXPECT_EQ(f.nb->ImportPhoto(false, f.chooser), c.answer == Answer::Yes);
        EXPECT_EQ(f.prompt.asked(), std::vector<int>{MsgId(c.question)});
        EXPECT_NE(f.prompt.texts()[0].find("2024年5月1日"), std::string::npos) << f.prompt.texts()[0];
        const DayRecord& day = f.nb->store().Day;
        EXPECT_EQ(f.nb->currentDate(), QDate(2024, 5, 1));
        EXPECT_EQ(day.dirty, c.answer == Answer::Yes);
        EXPECT_EQ(day.picture.isNull(), c.answer != Answer::Yes);
        ASSERT_TRUE(f.nb->SaveDay());
        EXPECT_EQ(FileExists(f.dayPath(20240501, "jpg")), c.answer == Answer::Yes);
        EXPECT_EQ(IniFile::ReadString(f.dayPath(20240503, "dat"), "Growth", "DataHeight"), "7.0");
        EXPECT_FALSE(FileExists(f.dayPath(20240503, "jpg")));
        EXPECT_TRUE(FindFiles(f.notebook, "2027*").empty());
    }
}

TEST(CNotebookPhotos, UnreadableFilesChangeNothing)
{
    PhotoFixture f;
    TempDir dir;
    const std::string cut = writePhoto(f.photos, "cut.jpg", {800, 600}, "2024:05:03 10:00:00");
    QFile(QString::fromStdString(cut)).resize(400);
    for (const std::string& path : {cut, dir.file("missing.jpg"), dir.path()}) {
        f.chooser.answer = path;
        EXPECT_FALSE(f.nb->ImportPhoto(false, f.chooser)) << path;
    }
    f.chooser.answer.clear();
    EXPECT_FALSE(f.nb->ImportPhoto(true, f.chooser));
    EXPECT_FALSE(f.nb->store().Day.dirty);
    EXPECT_TRUE(f.prompt.asked().empty());
}
