#pragma once
// Photo files: JPEG and BMP in, JPEG and 24-bit BMP out. Pictures are QImage RGB32;
// DibRows (BGR, bottom-up, rows padded to 4 bytes) is the layout of BMP pixel data.
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Prompt;

// Pictures beyond these sizes are refused before anything is allocated.
constexpr int kMaxPictureSide = 20000;
constexpr long long kMaxPicturePixels = 100'000'000;

// Message shown when a picture file cannot be written.

// Reads a JPEG (path's last character g or G) or a BMP (anything else). On failure returns
// false and leaves `picture` untouched; shows no message. Only regular files are read (a FIFO
// fails at once). A JPEG is refused when its header claims more than its file size could hold
// or when rows, components or refinements are missing; one that lacks only its end marker loads.
bool LoadPictureFile(const std::string& path, QImage& picture, int* outWidth = nullptr,
                     int* outHeight = nullptr);

// Reads a picture for a small display: a JPEG is decoded at the smallest of the scales
// 1/8, 1/4, 1/2, 1 that still gives at least targetWidth x targetHeight (the caller then
// stretches it); a BMP is read whole. outWidth/outHeight receive the full-size dimensions.
// Failure leaves `picture` untouched.
bool LoadPictureScaled(const std::string& path, int targetWidth, int targetHeight, QImage& picture,
                       int* outWidth = nullptr, int* outHeight = nullptr);
// The part of a picture a caller will draw from, in full-size pixels, given the full size.
using PictureRegion = std::function<QRect(QSize full)>;
// As LoadPictureScaled, but of a single-scan colour JPEG only the rows and columns of `region`
// (and a small margin) are decoded; the rest of `picture` is black. Other files load whole.
bool LoadPictureRegion(const std::string& path, int targetWidth, int targetHeight,
                       const PictureRegion& region, QImage& picture, int* outWidth = nullptr,
                       int* outHeight = nullptr);

// Writes the top-left width x height pixels of `picture`: JPEG when the path ends in "jpg" or
// "jpeg" (any case), else 24-bit BMP. The old file is replaced only once the new one is
// complete. On any failure shows message 133 (when prompt is given) and returns false.
bool SavePictureFile(const std::string& path, const QImage& picture, int width, int height, int jpegQuality,
                     Prompt* prompt);
// The bytes SavePictureFile would write to `path`, for a caller that writes them together with
// other files; empty on failure.
std::string EncodePictureFile(const std::string& path, const QImage& picture, int width, int height,
                              int jpegQuality);

// Bytes per DibRows row: ((width * 3 + 3) / 4) * 4; 0 for a width out of range.
int DibStride(int width);
// The top-left width x height pixels as DibRows; empty when the picture is smaller.
std::vector<uint8_t> ToDibRows(const QImage& picture, int width, int height);
// A picture from DibRows; a null QImage when `size` is below stride x height or a size is
// out of range.
QImage FromDibRows(const uint8_t* rows, size_t size, int width, int height);
