#include "photos/PhotoFit.h"

#include "photos/ExifDate.h"
#include "photos/PictureFile.h"
#include "support/ExifBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cstdio>

namespace {

const QSize kFrame(640, 480);
const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255);

// Red outside `taken`, green inside, with blue squares (1/16 of each side) in its corners:
// a fit of exactly `taken` gives blue corners and green edge midpoints, any other crop not.
QImage marked(QSize size, QRect taken)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kRed);
    QPainter p(&image);
    p.fillRect(taken, kGreen);
    const QSize corner(taken.width() / 16, taken.height() / 16);
    for (QPoint at : {taken.topLeft(), QPoint(taken.right() - corner.width() + 1, taken.top()),
                      QPoint(taken.left(), taken.bottom() - corner.height() + 1),
                      QPoint(taken.right() - corner.width() + 1, taken.bottom() - corner.height() + 1)})
        p.fillRect(QRect(at, corner), kBlue);
    return image;
}

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40
           && std::abs(qBlue(a) - qBlue(b)) < 40;
}

void expectTaken(const QImage& out, const std::string& name)
{
    ASSERT_EQ(out.size(), kFrame) << name;
    const int r = out.width() - 1, b = out.height() - 1;
    for (QPoint p : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
        EXPECT_TRUE(near(out.pixel(p), kBlue)) << name << " corner " << p.x() << "," << p.y();
    for (QPoint p : {QPoint(r / 2, 0), QPoint(r / 2, b), QPoint(0, b / 2), QPoint(r, b / 2)})
        EXPECT_TRUE(near(out.pixel(p), kGreen)) << name << " edge " << p.x() << "," << p.y();
}

// A portrait photo whose top band is red and bottom band blue.
QImage topRedBottomBlue(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kGreen);
    QPainter p(&image);
    p.fillRect(0, 0, size.width(), size.height() / 10, kRed);
    p.fillRect(0, size.height() * 9 / 10, size.width(), size.height() / 10 + 1, kBlue);
    return image;
}

RotateAsk answering(RotationChoice choice, TrimRadio radio, RotateRequest* seen = nullptr,
                    int* asked = nullptr)
{
    return [=](const RotateRequest& request) {
        if (seen)
            *seen = request;
        if (asked)
            ++*asked;
        return RotateAnswer{true, choice, radio};
    };
}

}  // namespace

TEST(PhotoFit, CropsAndTrimsTakeTheRectanglesOfTheFrame)
{
    using enum RotationChoice;
    struct Case {
        const char* name;
        QSize source;
        QRect taken;  // in the photo
        bool rotating = false;
        RotationChoice choice = None;
        TrimRadio radio = TrimRadio::None;
    } cases[] = {
        {"4:3 whole", {4000, 3000}, {0, 0, 4000, 3000}},
        {"16:9 centre", {1920, 1080}, {240, 0, 1440, 1080}},
        {"square top and bottom cut", {1000, 1000}, {0, 125, 1000, 750}},
        {"portrait plain, cut", {3000, 4000}, {0, 875, 3000, 2250}, false, CutTopBottom, TrimRadio::Cut},
        // The rotating import's cut: the centre strip, turned (corners and edges stay corners and edges).
        {"landscape rotating, cut", {4000, 3000}, {875, 0, 2250, 3000}, true, Clockwise, TrimRadio::Cut},
        {"portrait 3:4 rotating, cut", {3000, 4000}, {0, 0, 3000, 4000}, true, Anticlockwise, TrimRadio::Cut},
        // 9:16 is narrower than the portrait frame: its centre at 3:4, not a strip beyond its edges.
        {"portrait 9:16 rotating, cut", {900, 1600}, {0, 200, 900, 1200}, true, Clockwise, TrimRadio::Cut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RotationChoice remembered = None;
        int asked = 0;
        std::optional<QImage> out =
            FitSourcePicture(marked(c.source, c.taken), kFrame, c.rotating, false, remembered,
                             answering(c.choice, c.radio, nullptr, &asked));
        ASSERT_TRUE(out);
        expectTaken(*out, c.name);
        EXPECT_EQ(asked, c.choice == None ? 0 : 1);
        EXPECT_EQ(remembered, c.choice);
    }
}

// Where the photo's parts land: turned, or kept whole between white bands (a kept portrait is
// 360 x 480 at x = 140; a landscape kept by the rotating import is letterboxed, then turned).
TEST(PhotoFit, TurningAndKeepingPlaceThePhoto)
{
    using enum RotationChoice;
    const QImage portrait = topRedBottomBlue({3000, 4000});
    QImage landscape(4000, 3000, QImage::Format_RGB32);
    landscape.fill(kGreen);
    const int across[] = {0, 138, 142, 497, 501, 639};  // x of the colours across the middle
    struct Case {
        const char* name;
        const QImage& photo;
        bool rotating;
        RotationChoice choice;
        TrimRadio radio;
        const char* middle;  // the colours at `across`, then the one at the top centre
    } cases[] = {
        {"clockwise: the top to the right", portrait, false, Clockwise, TrimRadio::None, "BGGGGR G"},
        {"anticlockwise: the top to the left", portrait, false, Anticlockwise, TrimRadio::None, "RGGGGB G"},
        {"portrait kept whole", portrait, false, KeepTopBottom, TrimRadio::Keep, "WWGGWW R"},
        {"landscape kept by the rotating import", landscape, true, Clockwise, TrimRadio::Keep, "WWGGWW G"},
    };
    auto colour = [](char c) {
        return c == 'R' ? kRed : c == 'G' ? kGreen : c == 'B' ? kBlue : qRgb(255, 255, 255);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RotationChoice remembered = None;
        RotateRequest seen;
        std::optional<QImage> out = FitSourcePicture(c.photo, kFrame, c.rotating, false, remembered,
                                                     answering(c.choice, c.radio, &seen));
        ASSERT_TRUE(out);
        EXPECT_EQ(remembered, c.choice);
        // The dialog's preview of the answer is the picture stored.
        EXPECT_EQ(RotatedPicture(seen, c.choice, c.radio), *out);
        for (int k = 0; k < 6; ++k)
            EXPECT_TRUE(near(out->pixel(across[k], 240), colour(c.middle[k]))) << "x " << across[k];
        EXPECT_TRUE(near(out->pixel(320, 1), colour(c.middle[7]))) << "top centre";
    }
}

TEST(PhotoFit, DialogIsAskedOnlyWhenNeededAndCancelTakesNothing)
{
    const QImage portrait = topRedBottomBlue({300, 400});
    RotateRequest seen;
    int asked = 0;
    RotationChoice remembered = RotationChoice::Clockwise;
    // The plain import asks for every portrait photo, even with a remembered choice.
    FitSourcePicture(portrait, kFrame, false, false, remembered,
                     answering(RotationChoice::KeepTopBottom, TrimRadio::Keep, &seen, &asked));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(seen.mode, RotateMode::Portrait);
    EXPECT_EQ(seen.work.size(), QSize(480, 640));
    EXPECT_EQ(seen.cut.size(), kFrame);
    EXPECT_EQ(seen.keep.size(), kFrame);
    EXPECT_EQ(remembered, RotationChoice::KeepTopBottom);
    // The bulk import uses what is remembered without asking.
    EXPECT_TRUE(FitSourcePicture(portrait, kFrame, false, true, remembered,
                                 answering(RotationChoice::Clockwise, TrimRadio::None, &seen, &asked)));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(remembered, RotationChoice::KeepTopBottom);
    // The rotating import's modes.
    FitSourcePicture(QImage(400, 300, QImage::Format_RGB32), kFrame, true, false, remembered,
                     answering(RotationChoice::Clockwise, TrimRadio::Cut, &seen, &asked));
    EXPECT_EQ(seen.mode, RotateMode::RotatingLandscape);
    EXPECT_EQ(seen.cutWork.size(), QSize(480, 640));
    FitSourcePicture(QImage(300, 300, QImage::Format_RGB32), kFrame, true, false, remembered,
                     answering(RotationChoice::Clockwise, TrimRadio::Cut, &seen, &asked));
    EXPECT_EQ(seen.mode, RotateMode::RotatingPortrait);
    // Cancel: nothing, and the remembered choice stays.
    remembered = RotationChoice::Anticlockwise;
    EXPECT_FALSE(FitSourcePicture(portrait, kFrame, false, false, remembered,
                                  [](const RotateRequest&) { return RotateAnswer{}; }));
    EXPECT_EQ(remembered, RotationChoice::Anticlockwise);
    EXPECT_FALSE(FitSourcePicture(portrait, kFrame, false, false, remembered, nullptr));
}

TEST(PhotoFit, ReductionAveragesTheArea)
{
    // One-pixel black and white checks: an area average is grey everywhere, a nearest-pixel
    // pick would be black or white.
    QImage checks(1280, 960, QImage::Format_RGB32);
    for (int y = 0; y < checks.height(); ++y)
        for (int x = 0; x < checks.width(); ++x)
            checks.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    QImage out = PlainFit(checks, kFrame);
    for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(320, 241), QPoint(639, 479)})
        EXPECT_NEAR(qGray(out.pixel(p)), 128, 8) << p.x() << "," << p.y();
}

TEST(PhotoFit, ExifOrientationShowsThePhotoUpright)
{
    // Stored 3 x 2 picture: where its top-left and top-right pixels are seen after the turn.
    QImage stored(3, 2, QImage::Format_RGB32);
    stored.fill(kGreen);
    stored.setPixel(0, 0, kRed);
    stored.setPixel(2, 0, kBlue);
    enum Corner { TL, TR, BL, BR };
    struct Case {
        int orientation;
        Corner red, blue;
    } cases[] = {{1, TL, TR}, {2, TR, TL}, {3, BR, BL}, {4, BL, BR},
                 {5, TL, BL}, {6, TR, BR}, {7, BR, TR}, {8, BL, TL}};
    for (const Case& c : cases) {
        QImage seen = ApplyExifOrientation(stored, c.orientation);
        ASSERT_EQ(seen.size(), c.orientation >= 5 ? QSize(2, 3) : QSize(3, 2)) << c.orientation;
        auto at = [&](Corner k) {
            return seen.pixel(k == TL || k == BL ? 0 : seen.width() - 1,
                              k == TL || k == TR ? 0 : seen.height() - 1);
        };
        EXPECT_EQ(at(c.red), kRed) << c.orientation;
        EXPECT_EQ(at(c.blue), kBlue) << c.orientation;
    }
}

// The import reads a photo once: its pixels and its EXIF record come from the same bytes, and
// the record is the one the EXIF reader finds in the file, wherever in the file it lies and
// however large the file is.
TEST(PhotoFit, SourcePictureAndItsRecordComeFromOneRead)
{
    using namespace exif;
    TempDir dir;
    QImage plain(64, 48, QImage::Format_RGB32);
    plain.fill(kGreen);
    const std::string encoded = EncodePictureFile("p.jpg", plain, 64, 48, 90);
    ASSERT_FALSE(encoded.empty());
    const Bytes body(encoded.begin() + 2, encoded.end());  // the encoder's file after its SOI
    const std::vector<std::string> texts = {"2024:10:01 08:00:00", "2024:11:20 17:45:00"};
    const Entry sub{0x8769, 4, 1, kSubOffset}, turned{0x0112, 3, 1, 6};
    const Bytes original =
        Segment(0xE1, ExifPayload(Tiff(false).build({turned, sub}, {TextEntry(0x9003, 0)}, "", texts)));
    const Bytes changed =
        Segment(0xE1, ExifPayload(Tiff(false).build({TextEntry(0x0132, 1)}, {}, "", texts)));
    // Comment segments of `bytes` in all, so a record after them lies that far into the file.
    auto padding = [](size_t bytes) {
        Bytes b;
        for (; bytes > 0; bytes -= std::min<size_t>(bytes, 65533)) {
            const Bytes segment = Segment(0xFE, Bytes(std::min<size_t>(bytes, 65533), 'x'));
            b.insert(b.end(), segment.begin(), segment.end());
        }
        return b;
    };
    struct Case {
        const char* name;
        Bytes file;
        QDate day;
        QSize seen;
    };
    const Case cases[] = {
        {"record at the start", Join({kSoi, original, body}), QDate(2024, 10, 1), QSize(48, 64)},
        {"shooting date only past the first block", Join({kSoi, padding(300 << 10), original, body}),
         QDate(2024, 10, 1), QSize(48, 64)},
        // The first block's date settles it, as it does for the reader on its own.
        {"file date first, shooting date past the first block",
         Join({kSoi, changed, padding(300 << 10), original, body}), QDate(2024, 11, 20), QSize(64, 48)},
        {"larger than a file held in memory", Join({kSoi, original, padding(kPictureBytesInMemory), body}),
         QDate(2024, 10, 1), QSize(48, 64)},
        {"no record", Join({kSoi, body}), QDate(), QSize(64, 48)},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("photo.jpg");
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_EQ(std::fwrite(c.file.data(), 1, c.file.size(), f), c.file.size());
        std::fclose(f);
        QImage source;
        PhotoExif exif;
        ASSERT_TRUE(LoadSourcePicture(path, kFrame, source, &exif)) << c.name;
        const PhotoExif alone = ReadPhotoExif(path);
        EXPECT_TRUE(exif.readable) << c.name;
        EXPECT_EQ(exif.date.value_or(QDate()), c.day) << c.name;
        EXPECT_EQ(alone.date.value_or(QDate()), c.day) << c.name;
        EXPECT_EQ(exif.orientation, alone.orientation) << c.name;
        EXPECT_EQ(source.size(), c.seen) << c.name;
        EXPECT_TRUE(near(source.pixel(10, 10), kGreen)) << c.name;
    }
}
