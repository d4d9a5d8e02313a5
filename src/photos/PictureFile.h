#pragma once
// Photo files: JPEG and BMP in, JPEG and 24-bit BMP out. Pictures are QImage RGB32;
// DibRows (BGR, bottom-up, rows padded to 4 bytes) is the layout of BMP pixel data.
#include "platform/Result.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The largest side a picture file may declare (what a JPEG frame header can hold).
constexpr int kMaxPictureSide = 65535;
// What reading one picture may cost: the pixels made and the decoder's own buffers together.
// Every read running at the same time, on any thread, draws on this one budget, so a pool of
// decoding threads never holds more than this between them; a read waits for its share.
constexpr long long kPictureMemoryBudget = 256LL << 20;

// Reads a JPEG (path's last character g or G) or a BMP (anything else). On failure returns
// false and leaves `picture` untouched; shows no message. Only regular files are read (a FIFO
// fails at once). A JPEG is refused when its header claims more than its file size could hold,
// when rows, components or refinements are missing, or when its coefficient buffer (a file of
// several scans keeps every coefficient at full size) passes the memory budget; one that lacks
// only its end marker loads. outWidth/outHeight receive the picture's full size.
//
// The whole picture, at full size where that fits the memory budget; otherwise reduced by the
// smallest power of two that fits (a JPEG at the codec's DCT scale, each block of pixels
// averaged beyond it).
bool LoadPictureFile(const std::string& path, QImage& picture, int* outWidth = nullptr,
                     int* outHeight = nullptr);

// The picture's brightness alone, 8 bits a pixel (Format_Grayscale8), for a use that looks at
// no colour: a colour JPEG's luma channel as stored, which skips the work on its colour; any
// other file read whole and given the luma a JPEG would keep (0.299 R + 0.587 G + 0.114 B).
// Sized as LoadPictureFile. Failure leaves `brightness` untouched.
bool LoadPictureBrightness(const std::string& path, QImage& brightness);

// Reads a picture for a smaller use: at the smallest of the scales 1/8, 1/4, 1/2, 1 that still
// gives at least targetWidth x targetHeight (the caller then stretches it), or smaller still
// where the memory budget asks it. A JPEG is decoded at that DCT scale; a BMP is averaged
// row by row as it is read. Failure leaves `picture` untouched.
bool LoadPictureScaled(const std::string& path, int targetWidth, int targetHeight, QImage& picture,
                       int* outWidth = nullptr, int* outHeight = nullptr);
// A file of up to this many bytes is read whole, in one read, and decoded from memory; a larger
// one is decoded as it streams from the disk. These bytes are held beside the memory budget.
constexpr long long kPictureBytesInMemory = 32LL << 20;
// As LoadPictureScaled, and the file's bytes, read once for the decode, go to `fileBytes` for the
// caller's own look at them (the EXIF record). `fileBytes` stays empty when the file was larger
// than kPictureBytesInMemory or the read failed.
bool LoadPictureScaled(const std::string& path, int targetWidth, int targetHeight, QImage& picture,
                       std::string& fileBytes);
// Every read above takes a notebook's photo by its own name: a link is not followed (the read
// fails). This one is for a file the user chose outside any notebook (an import's source photo),
// whose link is followed; otherwise as the one above.
bool LoadChosenPictureScaled(const std::string& path, int targetWidth, int targetHeight, QImage& picture,
                             std::string& fileBytes);
// The part of a picture a caller will draw from, in full-size pixels, given the full size.
using PictureRegion = std::function<QRect(QSize full)>;
// As LoadPictureScaled, but of a single-scan colour JPEG read at a DCT scale alone only the rows
// and columns of `region` (and a small margin) are decoded; the rest of `picture` is black.
// Other files load whole.
bool LoadPictureRegion(const std::string& path, int targetWidth, int targetHeight,
                       const PictureRegion& region, QImage& picture, int* outWidth = nullptr,
                       int* outHeight = nullptr);
// The most memory the picture reads running at once have held together since the program
// started: what they reserved from the budget (for the tests and the benches).
long long PictureReadPeakBytes();

// Writes the top-left width x height pixels of `picture`: JPEG when the path ends in "jpg" or
// "jpeg" (any case), else 24-bit BMP. The old file is replaced only once the new one is
// complete. A failure carries message 133 and the path.
[[nodiscard]] Result SavePictureFile(const std::string& path, const QImage& picture, int width, int height,
                                     int jpegQuality);
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
