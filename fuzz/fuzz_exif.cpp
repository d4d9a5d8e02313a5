// The EXIF walk over arbitrary bytes: the date and orientation of a photo file. Properties:
// no read outside the bytes (the sanitizers), a date found is a real day with a four-digit
// year, the orientation is 1 to 8, and the file reader agrees with the byte walk.
#include "FuzzSupport.h"
#include "photos/ExifDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ExifTags tags = FindExifTags(std::span<const unsigned char>(data, size));
    if (tags.date && (!tags.date->isValid() || tags.date->year() < 1000 || tags.date->year() > 9999))
        fuzz::Fail("a date that is no real day was accepted");
    if (tags.orientation < 1 || tags.orientation > 8)
        fuzz::Fail("an orientation out of range");

    const std::string path = fuzz::ScratchDir() + "/photo.jpg";
    fuzz::WriteFile(path, data, size);
    PhotoExif exif = ReadPhotoExif(path);
    if (!exif.readable || exif.date != tags.date || exif.orientation != tags.orientation)
        fuzz::Fail("the file reader and the byte walk disagree");
    return 0;
}
