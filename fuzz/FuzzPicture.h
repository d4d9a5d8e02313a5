#pragma once
// Picture loading: arbitrary bytes as a day's photo of the kind KELTO_FUZZ_PICTURE names, read whole (the detail page),
// as its brightness (automatic alignment), at thumbnail scale (the calendar) and in part (a time-lapse frame). Properties: a picture that loads is within the size
// limits and has the dimensions reported (reduced where the memory budget asks it), and a failed
// load leaves the picture untouched.
#include "FuzzSupport.h"
#include "photos/PictureFile.h"

namespace {

// A picture read whole is the full size reduced by a power of two (1 where it fits the memory
// budget), a scaled one no larger than the full size.
bool reducedByPowerOfTwo(const QImage& picture, int w, int h)
{
    for (int r = 1; r <= 64; r *= 2)
        if (picture.width() == (w + r - 1) / r && picture.height() == (h + r - 1) / r)
            return true;
    return false;
}

void check(bool ok, const QImage& picture, int w, int h, bool scaled)
{
    if (!ok) {
        if (picture.width() != 3 || picture.height() != 2)
            fuzz::Fail("a failed load changed the picture");
        return;
    }
    if (picture.isNull())
        fuzz::Fail("a load succeeded with no picture");
    if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide
        || picture.sizeInBytes() > kPictureMemoryBudget)
        fuzz::Fail("a picture beyond the size limits was accepted");
    if (!scaled && !reducedByPowerOfTwo(picture, w, h))
        fuzz::Fail("the picture's size does not follow from the size reported");
    if (scaled && (picture.width() > w || picture.height() > h))
        fuzz::Fail("a scaled picture is larger than the full size");
    if (PictureReadPeakBytes() > kPictureMemoryBudget)
        fuzz::Fail("the reads held more than the memory budget");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::ScratchDir() + "/20240501." KELTO_FUZZ_PICTURE;
    fuzz::WriteFile(path, data, size);
    QImage sentinel(3, 2, QImage::Format_RGB32);

    QImage picture = sentinel;
    int w = 0, h = 0;
    // Loaded before the check reads the sizes (the order of a call's arguments is unspecified).
    const bool loaded = LoadPictureFile(path, picture, &w, &h);
    check(loaded, picture, w, h, false);

    // Its brightness alone (automatic alignment): 8-bit gray, of the size the whole picture loads at.
    QImage brightness = sentinel;
    if (!LoadPictureBrightness(path, brightness)) {
        if (brightness.size() != sentinel.size())
            fuzz::Fail("a failed load changed the picture");
    } else if (brightness.format() != QImage::Format_Grayscale8
               || (loaded && brightness.size() != picture.size())) {
        fuzz::Fail("the brightness is not the picture's");
    }

    QImage thumb = sentinel;
    int tw = 0, th = 0;
    const bool loadedThumb = LoadPictureScaled(path, 80, 60, thumb, &tw, &th);
    check(loadedThumb, thumb, tw, th, true);

    // The part of a photo a time-lapse frame shows (the centre quarter at half scale).
    QImage part = sentinel;
    int pw = 0, ph = 0;
    const auto centre = [](QSize full) {
        return QRect(full.width() / 4, full.height() / 4, full.width() / 2, full.height() / 2);
    };
    const bool loadedPart = LoadPictureRegion(path, 160, 120, centre, part, &pw, &ph);
    check(loadedPart, part, pw, ph, true);
    return 0;
}
