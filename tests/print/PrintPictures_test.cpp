// The photos of a print: each decoded once, handed to the detail pages in page order, and the
// list's pictures made from the same decode.
#include "print/PrintPictures.h"
#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "store/DayRecord.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {
const QDate kDay1(2024, 5, 1), kDay2(2024, 5, 2), kDay3(2024, 5, 3), kDay4(2024, 5, 4), kDay5(2024, 5, 5);

void writePhoto(const TempDir& dir, const QDate& date, QColor color)
{
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(color);
    ASSERT_TRUE(SavePictureFile(DayFilePath(dir.path(), date, "jpg"), photo, 640, 480, 90));
}

bool near(const QImage& image, QColor color)
{
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    return std::abs(c.red() - color.red()) < 8 && std::abs(c.green() - color.green()) < 8
           && std::abs(c.blue() - color.blue()) < 8;
}
}  // namespace

TEST(PrintPictures, EachPhotoDecodedOnceForTheDetailAndTheListPages)
{
    TempDir dir;
    const QColor colors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    writePhoto(dir, kDay1, colors[0]);
    writePhoto(dir, kDay2, colors[1]);
    writePhoto(dir, kDay4, colors[2]);  // listed, but has no detail page
    writePhoto(dir, kDay5, colors[3]);  // day 3 has no photo
    PrintPictures pictures(dir.path(), {kDay1, kDay2, kDay3, kDay5}, {kDay1, kDay2, kDay4});
    pictures.SetListPictureSize(QSize(64, 48));

    const struct {
        QDate date;
        QColor color;  // invalid: no photo
    } detail[] = {{kDay1, colors[0]}, {kDay2, colors[1]}, {kDay3, QColor()}, {kDay5, colors[3]}};
    for (const auto& d : detail) {
        const QImage photo = pictures.TakePhoto(d.date);
        if (!d.color.isValid()) {
            EXPECT_TRUE(photo.isNull());
            continue;
        }
        ASSERT_EQ(photo.size(), QSize(640, 480)) << d.date.toString().toStdString();
        EXPECT_TRUE(near(photo, d.color)) << d.date.toString().toStdString();
    }
    EXPECT_TRUE(pictures.TakePhoto(kDay1).isNull());  // handed over once, then let go
    EXPECT_TRUE(pictures.TakePhoto(kDay4).isNull());  // no detail page: the caller decodes
    EXPECT_EQ(pictures.decodes(), 4);

    // The list: days 1 and 2 from the detail pages' decodes, day 4 decoded now.
    for (const auto& [date, color] :
         {std::pair{kDay1, colors[0]}, std::pair{kDay2, colors[1]}, std::pair{kDay4, colors[2]}}) {
        const QImage listed = pictures.ListPicture(date, QSize(64, 48));
        ASSERT_EQ(listed.size(), QSize(64, 48)) << date.toString().toStdString();
        EXPECT_TRUE(near(listed, color)) << date.toString().toStdString();
    }
    EXPECT_EQ(pictures.decodes(), 5);
    EXPECT_TRUE(pictures.ListPicture(kDay3, QSize(64, 48)).isNull());
}

TEST(PrintPictures, APrintThatEndsEarlyStopsTheWorker)
{
    TempDir dir;
    for (const QDate& d : {kDay1, kDay2, kDay3, kDay4, kDay5})
        writePhoto(dir, d, Qt::gray);
    // Ended before any page was drawn: the worker waits for the list's size and for pages to
    // take the photos it decoded, and must let go of both (a hang fails the test's time limit).
    {
        PrintPictures ended(dir.path(), {kDay1, kDay2, kDay3, kDay4, kDay5}, {kDay1});
    }
    PrintPictures partly(dir.path(), {kDay1, kDay2, kDay3, kDay4, kDay5}, {});
    EXPECT_FALSE(partly.TakePhoto(kDay2).isNull());
}

// For a PDF, a photo its place shows at its own size or larger is decoded at an eighth only, to
// stand in for its file on the detail page and on the list; one its place reduces is decoded
// whole, and the list has a reduced copy of it.
TEST(PrintPictures, APdfsPhotosStandInAtAnEighthWhereTheirFilesGoInWhole)
{
    TempDir dir;
    writePhoto(dir, kDay1, Qt::red);
    const struct {
        QSize area;
        bool standIn;
    } cases[] = {{QSize(922, 715), true}, {QSize(640, 480), false}, {QSize(600, 450), false}};
    for (const auto& c : cases) {
        PrintPictures pictures(dir.path(), {kDay1}, {kDay1}, true);
        pictures.SetPhotoAreaSize(c.area);
        pictures.SetListPictureSize(QSize(64, 48));
        const QImage photo = pictures.TakePhoto(kDay1);
        EXPECT_EQ(photo.size(), c.standIn ? QSize(80, 60) : QSize(640, 480)) << c.area.width();
        EXPECT_TRUE(near(photo, Qt::red)) << c.area.width();
        const QImage listed = pictures.ListPicture(kDay1, QSize(64, 48));
        EXPECT_EQ(listed.size(), c.standIn ? QSize(80, 60) : QSize(64, 48)) << c.area.width();
        EXPECT_TRUE(near(listed, Qt::red)) << c.area.width();
        const std::vector<PrintedPhoto> printed = pictures.printed();
        ASSERT_EQ(printed.size(), 2u) << c.area.width();
        EXPECT_EQ(printed[1].file, printed[0].file) << c.area.width();
        EXPECT_EQ(printed[0].file, c.standIn ? QSize(640, 480) : QSize()) << c.area.width();
        // A stand-in comes with the file's bytes it was decoded from, which go in at its place.
        std::string file;
        ASSERT_TRUE(ReadFileBytes(DayFilePath(dir.path(), kDay1, "jpg"), file));
        EXPECT_EQ(printed[0].jpeg.toStdString(), c.standIn ? file : std::string()) << c.area.width();
        // The list's: the same file, or else a reduced copy as a JPEG of its own.
        EXPECT_EQ(printed[1].jpeg.toStdString() == file, c.standIn) << c.area.width();
        EXPECT_EQ(pictures.decodes(), 1);
    }
}
