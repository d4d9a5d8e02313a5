// The EXIF walk over arbitrary bytes: the date text and orientation of a photo file. Properties:
// no read outside the bytes (the sanitizers), a date that parses is a real day with a
// four-digit year, the orientation is 1 to 8, and the file reader agrees with the byte walk.
#include "FuzzSupport.h"
#include "photos/ExifDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::span<const unsigned char> bytes(data, size);
    std::optional<std::string> text = FindExifDateTime(bytes);
    std::optional<QDate> date = text ? ParseExifDate(*text) : std::nullopt;
    if (date && (!date->isValid() || date->year() < 1000 || date->year() > 9999))
        fuzz::Fail("a date that is no real day was accepted");
    const int orientation = FindExifOrientation(bytes);
    if (orientation < 1 || orientation > 8)
        fuzz::Fail("an orientation out of range");

    const std::string path = fuzz::ScratchDir() + "/photo.jpg";
    fuzz::WriteFile(path, data, size);
    PhotoExif exif = ReadPhotoExif(path);
    if (!exif.readable || exif.date != date || exif.orientation != orientation)
        fuzz::Fail("the file reader and the byte walk disagree");
    return 0;
}
