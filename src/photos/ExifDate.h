#pragma once
// The photo's own date and orientation from its EXIF record. The walk works on the raw file
// bytes and never reads outside them; it keeps no state, so any thread may call it.
#include <QDate>

#include <optional>
#include <span>
#include <string>

// Directory entries one file's walk visits at most, over all its EXIF segments together. A
// camera's record has about a hundred; a file built to make the walk slow gets no further.
inline constexpr int kMaxExifEntries = 4096;

struct ExifTags {
    // The day the photo was taken: DateTimeOriginal (0x9003), else DateTimeDigitized (0x9004),
    // else DateTime (0x0132, the day the file was last changed). A value that is no real day
    // counts as absent, so the next tag is tried.
    std::optional<QDate> date;
    // How the stored pixels are to be turned for display: IFD0's Orientation (0x0112), 1 to 8;
    // 1 when absent or out of range.
    int orientation = 1;
};

// One walk over a JPEG's markers: every APPn segment that says "Exif", its IFD0 and the EXIF
// sub-directory IFD0 points to. Offsets count within their own segment, never beyond it, and
// the whole walk visits at most kMaxExifEntries entries. Nothing for a file that is not a JPEG.
ExifTags FindExifTags(std::span<const unsigned char> bytes);
// "YYYY:MM:DD HH:MM:SS" -> the calendar day; none when the text does not hold a real day
// (blank or all-zero dates that some cameras write).
std::optional<QDate> ParseExifDate(const std::string& text);

struct PhotoExif : ExifTags {
    bool readable = false;  // the file is a regular file that could be read
};
// Reads a photo file's EXIF date and orientation from its first 64 MiB; only regular files
// are read (a FIFO is refused without blocking).
PhotoExif ReadPhotoExif(const std::string& path);
// The same record found in a file's bytes already read (the whole file, as a reader of its
// pixels holds them), so the file need not be read again.
PhotoExif PhotoExifOfFile(std::span<const unsigned char> file);
// The date the import offers: true and `photoDate` set when the file has one; otherwise
// false and `photoDate` kept as it was.
bool ReadPhotoDate(const std::string& path, QDate& photoDate);
