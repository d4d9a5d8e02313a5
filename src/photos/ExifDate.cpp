#include "photos/ExifDate.h"

#include "platform/Files.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

using Bytes = std::span<const unsigned char>;

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagExifPointer = 0x8769;
// The date tags, most telling first: when the shutter was pressed, when the picture was
// stored, when the file was last changed (a phone's crop or rotation rewrites it).
constexpr std::array<uint16_t, 3> kDateTags = {0x9003, 0x9004, 0x0132};
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeShort = 3;
// Only IFD0 and the EXIF sub-directory are walked, so a chain longer than this is a loop.
constexpr int kMaxDirectories = 8;
// "YYYY:MM:DD HH:MM:SS" and its terminator; the rest of a longer text is never looked at.
constexpr size_t kMaxDateText = 32;
// Cameras write EXIF at the file's start; a record beyond this much picture data is not sought,
// so a huge file costs no more memory than this.
constexpr size_t kMaxExifSearchBytes = 64u << 20;
constexpr size_t kExifFirstRead = 256u << 10;

// A TIFF block, the rest of its segment after the "Exif" header: offsets count from its first
// byte, and reads beyond the segment fail.
struct Tiff {
    Bytes block;
    bool bigEndian;

    bool has(uint64_t offset, uint64_t length) const
    {
        return offset <= block.size() && length <= block.size() - offset;
    }
    uint16_t u16(uint64_t offset) const
    {
        const unsigned char* p = block.data() + offset;
        return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
    }
    uint32_t u32(uint64_t offset) const
    {
        const unsigned char* p = block.data() + offset;
        return bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                         : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
};

// What one file's walk has found so far, and the entries it may still visit.
struct ExifWalk {
    std::array<std::optional<QDate>, kDateTags.size()> dates;
    std::optional<int> orientation;
    int entriesLeft = kMaxExifEntries;

    bool done() const { return entriesLeft <= 0 || (dates[0] && orientation); }
    ExifTags tags() const
    {
        ExifTags t;
        for (const std::optional<QDate>& d : dates)
            if (!t.date)
                t.date = d;
        t.orientation = orientation.value_or(1);
        return t;
    }
};

// The entry at `e`: a date tag's text that holds a real day, a valid orientation (IFD0 only).
void readEntry(const Tiff& t, uint64_t e, bool ifd0, ExifWalk& w)
{
    const uint16_t tag = t.u16(e);
    const uint16_t type = t.u16(e + 2);
    const uint32_t count = t.u32(e + 4);
    if (ifd0 && tag == kTagOrientation && type == kTypeShort && count >= 1 && !w.orientation) {
        const int value = t.u16(e + 8);
        if (value >= 1 && value <= 8)
            w.orientation = value;
        return;
    }
    const auto slot = std::find(kDateTags.begin(), kDateTags.end(), tag);
    if (slot == kDateTags.end() || type != kTypeAscii || w.dates[slot - kDateTags.begin()])
        return;
    const uint64_t at = count <= 4 ? e + 8 : t.u32(e + 8);
    if (!t.has(at, count))
        return;
    const char* text = reinterpret_cast<const char*>(t.block.data() + at);
    w.dates[slot - kDateTags.begin()] = ParseExifDate(std::string(text, std::min<size_t>(count, kMaxDateText)));
}

void walkTiff(const Tiff& t, ExifWalk& w)
{
    if (!t.has(4, 4))
        return;
    std::array<uint64_t, kMaxDirectories> walked{};
    uint64_t d = t.u32(4);
    for (int directories = 0; directories < kMaxDirectories;) {
        if (std::find(walked.begin(), walked.begin() + directories, d) != walked.begin() + directories
            || !t.has(d, 2))
            return;
        walked[directories++] = d;
        bool sub = false;
        uint64_t next = 0;
        const unsigned n = t.u16(d);
        for (unsigned k = 0; k < n; ++k, --w.entriesLeft) {
            const uint64_t e = d + 2 + 12ull * k;
            if (w.entriesLeft <= 0 || !t.has(e, 12))
                return;
            readEntry(t, e, directories == 1, w);
            if (t.u16(e) == kTagExifPointer) {
                sub = true;
                next = t.u32(e + 8);
            }
        }
        if (!sub)
            return;
        d = next;
    }
}

// The JPEG marker walk: every APPn segment that says "Exif" is walked until `w` is done. It
// goes on past the start of scan, searching the compressed data for markers, and ends at the
// end-of-image marker. True when the bytes ended first (the file may hold more).
bool walkExifSegments(Bytes b, ExifWalk& w)
{
    if (b.size() < 2 || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    size_t pos = 2;
    while (pos < b.size()) {
        while (pos < b.size() && b[pos] != 0xFF)
            ++pos;
        if (pos + 1 >= b.size())
            return true;
        const unsigned m = b[pos + 1];
        // Fill bytes: a marker may be preceded by any number of 0xFF.
        if (m == 0xFF) {
            ++pos;
            continue;
        }
        const bool segment = (m >= 0xC0 && m <= 0xCF) || m == 0xD8 || m == 0xDA || m == 0xDB || m == 0xDD
                             || m == 0xFE || (m >= 0xE0 && m <= 0xEF);
        if (m == 0xD9)
            return false;
        if (!segment) {
            pos += 2;
            continue;
        }
        if (pos + 3 >= b.size())
            return true;
        const size_t length = size_t(b[pos + 2]) << 8 | b[pos + 3];
        const size_t end = std::min(pos + 2 + length, b.size());
        if (m >= 0xE0 && m <= 0xEF && pos + 10 <= end && b[pos + 4] == 'E' && b[pos + 5] == 'x'
            && b[pos + 6] == 'i' && b[pos + 7] == 'f') {
            const Bytes block = b.subspan(pos + 10, end - (pos + 10));
            walkTiff(Tiff{block, block.size() >= 2 && block[0] == 0x4D && block[1] == 0x4D}, w);
            if (w.done())
                return false;
        }
        pos += 2 + length;
    }
    return true;
}

int digitsAt(const std::string& text, size_t& pos)
{
    long value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (value < 100000)
            value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return static_cast<int>(value);
}

}  // namespace

ExifTags FindExifTags(Bytes bytes)
{
    ExifWalk w;
    walkExifSegments(bytes, w);
    return w.tags();
}

std::optional<QDate> ParseExifDate(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    const int year = digitsAt(text, pos);
    const size_t first = text.find(':');
    if (first == std::string::npos)
        return std::nullopt;
    pos = first + 1;
    const int month = digitsAt(text, pos);
    const size_t second = text.find(':', first + 1);
    if (second == std::string::npos)
        return std::nullopt;
    pos = second + 1;
    const int day = digitsAt(text, pos);
    // Day files are named YYYYMMDD: a year needs four digits.
    if (year < 1000 || year > 9999)
        return std::nullopt;
    QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

namespace {

// The record in a file's first bytes, `read(limit, part)` giving at most `limit` of them.
// Cameras write the record at the start: the first block nearly always settles it, and only a
// JPEG that goes on past it without a date there is searched further.
template <typename Read>
PhotoExif searchFileStart(Read read)
{
    PhotoExif result;
    for (size_t limit : {kExifFirstRead, kMaxExifSearchBytes}) {
        Bytes part;
        if (!read(limit, part))
            return result;
        result.readable = true;
        ExifWalk w;
        const bool more = walkExifSegments(part, w);
        static_cast<ExifTags&>(result) = w.tags();
        if (result.date || !more || part.size() < limit)
            break;
    }
    return result;
}

}  // namespace

PhotoExif ReadPhotoExif(const std::string& path)
{
    std::string bytes;
    return searchFileStart([&](size_t limit, Bytes& part) {
        if (!ReadChosenFileBytes(path, bytes, limit))
            return false;
        part = Bytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return true;
    });
}

PhotoExif PhotoExifOfFile(std::span<const unsigned char> file)
{
    return searchFileStart([&](size_t limit, Bytes& part) {
        part = file.first(std::min(limit, file.size()));
        return true;
    });
}

bool ReadPhotoDate(const std::string& path, QDate& photoDate)
{
    PhotoExif exif = ReadPhotoExif(path);
    if (!exif.date)
        return false;
    photoDate = *exif.date;
    return true;
}
