#include "photos/ExifDate.h"

#include "platform/Files.h"

#include <cstdint>
#include <set>

namespace {

using Bytes = std::span<const unsigned char>;

constexpr uint16_t kTagDateTime = 0x0132;
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagExifPointer = 0x8769;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeShort = 3;
// Only IFD0 and the EXIF sub-directory are walked, so a chain longer than this is a loop.
constexpr int kMaxDirectories = 8;
// Cameras write EXIF at the file's start; a record beyond this much picture data is not sought,
// so a huge file costs no more memory than this.
constexpr size_t kMaxExifSearchBytes = 64u << 20;
constexpr size_t kExifFirstRead = 256u << 10;

// A TIFF block: offsets count from its first byte; reads beyond the file's bytes fail.
struct Tiff {
    Bytes file;
    size_t start;
    bool bigEndian;

    bool has(uint64_t offset, uint64_t length) const
    {
        return start + offset <= file.size() && length <= file.size() - (start + offset);
    }
    uint16_t u16(uint64_t offset) const
    {
        const unsigned char* p = file.data() + start + offset;
        return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
    }
    uint32_t u32(uint64_t offset) const
    {
        const unsigned char* p = file.data() + start + offset;
        return bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                         : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
};

Tiff tiffAt(Bytes file, size_t start)
{
    const bool big = start + 1 < file.size() && file[start] == 0x4D && file[start + 1] == 0x4D;
    return Tiff{file, start, big};
}

std::optional<std::string> dateInTiff(const Tiff& t)
{
    if (!t.has(4, 4))
        return std::nullopt;
    std::set<uint64_t> walked;
    std::optional<uint64_t> dir = t.u32(4);
    while (dir && walked.size() < kMaxDirectories && walked.insert(*dir).second) {
        const uint64_t d = *dir;
        dir.reset();
        if (!t.has(d, 2))
            return std::nullopt;
        const unsigned n = t.u16(d);
        for (unsigned k = 0; k < n; ++k) {
            const uint64_t e = d + 2 + 12ull * k;
            if (!t.has(e, 12))
                return std::nullopt;
            const uint16_t tag = t.u16(e);
            const uint16_t type = t.u16(e + 2);
            const uint32_t count = t.u32(e + 4);
            if (type == kTypeAscii && tag == kTagDateTime) {
                const uint64_t at = count <= 4 ? e + 8 : t.u32(e + 8);
                if (!t.has(at, count))
                    return std::nullopt;
                return std::string(reinterpret_cast<const char*>(t.file.data() + t.start + at), count);
            }
            if (tag == kTagExifPointer)
                dir = t.u32(e + 8);
        }
    }
    return std::nullopt;
}

int orientationInTiff(const Tiff& t)
{
    if (!t.has(4, 4))
        return 0;
    const uint64_t d = t.u32(4);
    if (!t.has(d, 2))
        return 0;
    const unsigned n = t.u16(d);
    for (unsigned k = 0; k < n; ++k) {
        const uint64_t e = d + 2 + 12ull * k;
        if (!t.has(e, 12))
            return 0;
        if (t.u16(e) == kTagOrientation && t.u16(e + 2) == kTypeShort && t.u32(e + 4) >= 1) {
            const int value = t.u16(e + 8);
            return value >= 1 && value <= 8 ? value : 0;
        }
    }
    return 0;
}

// The JPEG marker walk: calls `visit` with the TIFF block of every APPn segment that says
// "Exif", until it returns true. It goes on past the start of scan, searching the compressed
// data for markers, and ends at the end-of-image marker or the file's end.
template <class Visit>
bool walkExifSegments(Bytes b, Visit visit)
{
    if (b.size() < 2 || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    size_t pos = 2;
    while (pos < b.size()) {
        while (pos < b.size() && b[pos] != 0xFF)
            ++pos;
        if (pos + 1 >= b.size())
            return false;
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
            return false;
        const size_t length = size_t(b[pos + 2]) << 8 | b[pos + 3];
        if (m >= 0xE0 && m <= 0xEF && pos + 9 < b.size() && b[pos + 4] == 'E' && b[pos + 5] == 'x'
            && b[pos + 6] == 'i' && b[pos + 7] == 'f') {
            if (visit(tiffAt(b, pos + 10)))
                return true;
        }
        pos += 2 + length;
    }
    return false;
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

std::optional<std::string> FindExifDateTime(Bytes bytes)
{
    std::optional<std::string> found;
    walkExifSegments(bytes, [&](const Tiff& t) {
        found = dateInTiff(t);
        return found.has_value();
    });
    return found;
}

int FindExifOrientation(Bytes bytes)
{
    int found = 0;
    walkExifSegments(bytes, [&](const Tiff& t) {
        found = orientationInTiff(t);
        return found != 0;
    });
    return found ? found : 1;
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

PhotoExif ReadPhotoExif(const std::string& path)
{
    PhotoExif result;
    // Cameras write the record at the start: the first block nearly always settles it, and
    // only a file without a date there is read further.
    std::string bytes;
    for (size_t limit : {kExifFirstRead, kMaxExifSearchBytes}) {
        if (!ReadFileBytes(path, bytes, limit))
            return result;
        result.readable = true;
        Bytes view(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        if (std::optional<std::string> text = FindExifDateTime(view))
            result.date = ParseExifDate(*text);
        result.orientation = FindExifOrientation(view);
        if (result.date || bytes.size() < limit)
            break;
    }
    return result;
}

bool ReadPhotoDate(const std::string& path, QDate& photoDate)
{
    PhotoExif exif = ReadPhotoExif(path);
    if (!exif.date)
        return false;
    photoDate = *exif.date;
    return true;
}
