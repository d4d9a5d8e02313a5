#include "photos/ExifDate.h"

#include "support/ExifBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace exif;

namespace {

std::optional<std::string> dateText(const Bytes& file)
{
    return FindExifDateTime(std::span<const unsigned char>(file.data(), file.size()));
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
    const std::string date = std::string("2026:05:14 07:30:12") + '\0';
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
         false},
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
    };
    for (const Case& c : cases) {
        std::optional<std::string> text = dateText(c.file);
        EXPECT_EQ(text.has_value(), c.found) << c.name;
        if (c.found && text) {
            EXPECT_EQ(*text, date) << c.name;  // the tag's 20 bytes
            EXPECT_EQ(ParseExifDate(*text), QDate(2026, 5, 14)) << c.name;
        }
    }
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
            EXPECT_EQ(FindExifOrientation(std::span<const unsigned char>(file.data(), file.size())), expected)
                << big << " " << value;
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
