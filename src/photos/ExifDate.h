#pragma once
// The photo's own date and orientation from its EXIF record. The walk works on the raw file
// bytes and never reads outside them; it keeps no state, so any thread may call it.
#include <QDate>

#include <optional>
#include <span>
#include <string>

// The text of the first ASCII tag 0x0132 (DateTime) met by the marker walk: IFD0, else the
// EXIF sub-directory it points to. The thumbnail directory and the capture-time tags are not
// looked at. None for a file that is not a JPEG or holds no such tag.
std::optional<std::string> FindExifDateTime(std::span<const unsigned char> bytes);
// The Orientation tag (0x0112) of IFD0, 1 to 8; 1 when absent or out of range.
int FindExifOrientation(std::span<const unsigned char> bytes);
// "YYYY:MM:DD HH:MM:SS" -> the calendar day; none when the text does not hold a real day
// (blank or all-zero dates that some cameras write).
std::optional<QDate> ParseExifDate(const std::string& text);

struct PhotoExif {
    bool readable = false;      // the file is a regular file that could be read
    std::optional<QDate> date;  // the day the photo was taken
    int orientation = 1;        // how the stored pixels are to be turned for display
};
// Reads a photo file's EXIF date and orientation from its first 64 MiB; only regular files
// are read (a FIFO is refused without blocking).
PhotoExif ReadPhotoExif(const std::string& path);
// The date the import offers: true and `photoDate` set when the file has one; otherwise
// false and `photoDate` kept as it was.
bool ReadPhotoDate(const std::string& path, QDate& photoDate);
