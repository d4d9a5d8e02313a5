#include "photos/ExifDate.h"

#include "support/ExifBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace exif;

namespace {

ExifTags tagsOf(const Bytes& file)
{
    return FindExifTags(std::span<const unsigned char>(file.data(), file.size()));
}

// A directory of `n` entries that are no date (ImageWidth), then `last`.
std::vector<Entry> filler(int n, std::vector<Entry> last = {})
{
    std::vector<Entry> entries(static_cast<size_t>(n), Entry{0x0100, 3, 1, 640});
    entries.insert(entries.end(), last.begin(), last.end());
    return entries;
}

Bytes app1(const Bytes& tiff, uint8_t code = 0xE1)
{
    return Segment(code, ExifPayload(tiff));
}

const Tiff II(false), MM(true);
const Bytes kJfif = Segment(0xE0, Bytes{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});

}  // namespace

TEST(ExifDate, MarkerAndDirectoryWalk)
{
    // A DateTime whose text lies 4 bytes past its segment, in the comment segment after it.
    const Bytes cutTiff = II.build({{0x0132, 2, 20, 30}}, {}, "");
    const Bytes textOutside = Join({kSoi, app1(Bytes(cutTiff.begin(), cutTiff.begin() + 26)),
                                    Segment(0xFE, Bytes{'2', '0', '2', '6', ':', '0', '5', ':', '1', '4', ' ', '0',
                                                        '7', ':', '3', '0', ':', '1', '2', 0}),
                                    kEoi});
    struct Case {
        const char* name;
        Bytes file;
        bool found;
    } cases[] = {
        {"little-endian IFD0", Join({kSoi, app1(II.build({DateEntry()})), Scan(), kEoi}), true},
        {"big-endian IFD0", Join({kSoi, app1(MM.build({DateEntry()})), Scan(), kEoi}), true},
        {"EXIF in APP2", Join({kSoi, kJfif, app1(II.build({DateEntry()}), 0xE2), Scan(), kEoi}), true},
        {"fill bytes before the marker", Join({kSoi, Bytes{0xFF, 0xFF}, app1(II.build({DateEntry()})), kEoi}),
         true},
        {"only in the sub-directory",
         Join({kSoi, app1(MM.build({{0x8769, 4, 1, kSubOffset}}, {DateEntry()}))}), true},
        {"IFD0 before the sub-directory",
         Join({kSoi, app1(II.build({DateEntry(), {0x8769, 4, 1, kSubOffset}}, {{0x0132, 2, 20, 9999}}))}),
         true},
        {"only capture times",
         Join({kSoi, app1(II.build({{0x8769, 4, 1, kSubOffset}}, {DateEntry(0x9003), DateEntry(0x9004)})),
               kEoi}),
         true},
        {"0x0132 not ASCII", Join({kSoi, app1(II.build({{0x0132, 7, 20, kDataOffset}})), kEoi}), false},
        {"JFIF only",
         Join({kSoi, kJfif, Segment(0xDB, Bytes(65, 0)), Segment(0xC0, Bytes(15, 1)), Scan(), kEoi}), false},
        // The walk goes on after a scan: a progressive file's later segments are searched too.
        {"progressive, EXIF after the first scan",
         Join({kSoi, Segment(0xC2, Bytes(15, 1)), Scan(), Segment(0xC4, Bytes(20, 0)),
               app1(II.build({DateEntry()})), Scan(), kEoi}),
         true},
        {"after the end marker", Join({kSoi, Scan(), kEoi, app1(II.build({DateEntry()}))}), false},
        {"not a JPEG", Join({Bytes{'B', 'M'}, app1(II.build({DateEntry()}))}), false},
        {"empty", Bytes{}, false},
        {"text offset beyond the file", Join({kSoi, app1(II.build({{0x0132, 2, 20, 0x7FFFFFF0}}))}), false},
        {"count beyond the file", Join({kSoi, app1(II.build({{0x0132, 2, 0xFFFFFFFF, kDataOffset}}))}),
         false},
        {"IFD0 offset beyond the file", Join({kSoi, app1(Bytes{'I', 'I', 42, 0, 0xF0, 0xFF, 0xFF, 0xFF})}),
         false},
        {"sub-directory beyond the file", Join({kSoi, app1(II.build({{0x8769, 4, 1, 0xFFFFFFF0}}))}), false},
        {"directory pointing to itself", Join({kSoi, app1(II.build({{0x8769, 4, 1, kIfd0Offset}})), kEoi}),
         false},
        {"sub-directory pointing to itself",
         Join({kSoi, app1(MM.build({{0x8769, 4, 1, kSubOffset}}, {{0x8769, 4, 1, kSubOffset}}))}), false},
        {"entry count beyond the file",
         Join({kSoi, app1(Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 0xFF, 0xFF, 1, 2})}), false},
        {"segment length beyond the file", Join({kSoi, Bytes{0xFF, 0xE1, 0xFF, 0xFF, 'E', 'x'}}), false},
        {"cut inside a marker", Join({kSoi, Bytes{0xFF}}), false},
        {"text beyond its segment", textOutside, false},
        // Every entry visited counts, over all the segments of the file together.
        {"date at the last entry the walk visits", Join({kSoi, app1(II.build(filler(kMaxExifEntries - 1, {DateEntry()}))), kEoi}), true},
        {"date past the entries the walk visits", Join({kSoi, app1(II.build(filler(kMaxExifEntries, {DateEntry()}))), kEoi}), false},
        {"entries spent in an earlier segment",
         Join({kSoi, app1(II.build(filler(kMaxExifEntries / 2))), app1(II.build(filler(kMaxExifEntries / 2, {DateEntry()}))), kEoi}),
         false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tagsOf(c.file).date.value_or(QDate()), c.found ? QDate(2026, 5, 14) : QDate()) << c.name;
}

// The shooting date comes first; the file's change date only when the camera wrote neither
// capture time as a real day.
TEST(ExifDate, ShootingDateBeforeTheFileDate)
{
    const std::vector<std::string> texts = {"2024:10:01 08:00:00", "2024:10:02 09:00:00", "2024:11:20 17:45:00",
                                            "0000:00:00 00:00:00"};
    const Entry original = TextEntry(0x9003, 0), digitized = TextEntry(0x9004, 1), changed = TextEntry(0x0132, 2);
    const Entry blankOriginal = TextEntry(0x9003, 3), blankDigitized = TextEntry(0x9004, 3),
                blankChanged = TextEntry(0x0132, 3);
    const Entry sub{0x8769, 4, 1, kSubOffset};
    auto file = [&](const std::vector<Entry>& ifd0, const std::vector<Entry>& exif) {
        return Join({kSoi, app1(MM.build(ifd0, exif, "", texts)), Scan(), kEoi});
    };
    // clang-format off
    const std::tuple<const char*, Bytes, QDate> cases[] = {
        {"all three",                    file({changed, sub}, {original, digitized}), QDate(2024, 10, 1)},
        {"original first in the walk",   file({sub, changed}, {digitized, original}), QDate(2024, 10, 1)},
        {"no original",                  file({changed, sub}, {digitized}),           QDate(2024, 10, 2)},
        {"the file date only",           file({changed}, {}),                         QDate(2024, 11, 20)},
        {"original is no day",           file({changed, sub}, {blankOriginal, digitized}), QDate(2024, 10, 2)},
        {"both capture times no day",    file({changed, sub}, {blankOriginal, blankDigitized}), QDate(2024, 11, 20)},
        {"none is a day",                file({blankChanged, sub}, {blankOriginal, blankDigitized}), QDate()},
        {"original in IFD0",             file({original, changed}, {}),               QDate(2024, 10, 1)},
        {"original in a later segment",
         Join({kSoi, app1(II.build({changed}, {}, "", texts)), app1(II.build({sub}, {original}, "", texts)), kEoi}),
         QDate(2024, 10, 1)},
    };
    // clang-format on
    for (const auto& [name, bytes, day] : cases)
        EXPECT_EQ(tagsOf(bytes).date.value_or(QDate()), day) << name;
}

TEST(ExifDate, DateTextToDay)
{
    const std::pair<const char*, QDate> cases[] = {
        {"2026:05:14 07:30:12", QDate(2026, 5, 14)},
        {"  2024:2:29 00:00:00", QDate(2024, 2, 29)},
        {"2023:02:29 00:00:00", QDate()},
        {"0000:00:00 00:00:00", QDate()},
        {"    :  :     :  :  ", QDate()},
        {"2026-05-14 07:30:12", QDate()},  // the colons of the time are no date
        {"2026/05/14", QDate()},
        {"99999999999:1:1", QDate()},
        {"", QDate()},
    };
    for (const auto& [text, day] : cases)
        EXPECT_EQ(ParseExifDate(text).value_or(QDate()), day) << text;
}

TEST(ExifDate, OrientationFromIfd0)
{
    for (bool big : {false, true}) {
        for (uint32_t value : {1u, 3u, 6u, 8u, 0u, 9u}) {
            Bytes file = Join({kSoi, app1(Tiff(big).build({{0x0112, 3, 1, value}, DateEntry()})), kEoi});
            const int expected = value >= 1 && value <= 8 ? int(value) : 1;
            EXPECT_EQ(tagsOf(file).orientation, expected) << big << " " << value;
        }
    }
}

TEST(ExifDate, ReadPhotoDateKeepsTheOldDateWithoutOne)
{
    TempDir dir;
    auto write = [&](const char* name, const Bytes& bytes) {
        std::string path = dir.file(name);
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    };
    QDate date(2020, 1, 1);
    EXPECT_TRUE(ReadPhotoDate(write("a.jpg", Join({kSoi, app1(II.build({DateEntry()})), kEoi})), date));
    EXPECT_EQ(date, QDate(2026, 5, 14));
    EXPECT_FALSE(ReadPhotoDate(write("b.jpg", Join({kSoi, kEoi})), date));
    EXPECT_FALSE(ReadPhotoDate(dir.file("missing.jpg"), date));
    EXPECT_EQ(date, QDate(2026, 5, 14));
    EXPECT_FALSE(ReadPhotoExif(dir.file("missing.jpg")).readable);
    EXPECT_FALSE(ReadPhotoExif(dir.path()).readable);
}
