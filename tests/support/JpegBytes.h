#pragma once
// JPEG files built byte by byte with libjpeg, for the loader's tests and the picture bench: what
// real encoders write, and the damaged and hostile files the loader must refuse cheaply.
#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A JPEG in memory; `setup` runs after the defaults and may set a scan script or coding options.
// row(y, samples) fills row y, `components` samples a pixel.
inline Bytes EncodeJpegRows(int w, int h, int components, J_COLOR_SPACE in,
                            const std::function<void(jpeg_compress_struct&)>& setup,
                            const std::function<void(int, JSAMPLE*)>& row)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &data, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = components;
    c.in_color_space = in;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    setup(c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> samples(static_cast<size_t>(w) * components);
    while (c.next_scanline < c.image_height) {
        row(static_cast<int>(c.next_scanline), samples.data());
        JSAMPROW r = samples.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes bytes(data, data + size);
    std::free(data);
    return bytes;
}

// As EncodeJpegRows; pixel(x, y, component) gives the samples.
inline Bytes EncodeJpeg(int w, int h, int components, J_COLOR_SPACE in,
                        const std::function<void(jpeg_compress_struct&)>& setup,
                        const std::function<JSAMPLE(int, int, int)>& pixel)
{
    return EncodeJpegRows(w, h, components, in, setup, [&](int y, JSAMPLE* row) {
        for (int x = 0; x < w; ++x)
            for (int i = 0; i < components; ++i)
                row[static_cast<size_t>(x) * components + i] = pixel(x, y, i);
    });
}

// Offset of the n-th (0-based) marker `code` in a JPEG, or the size when there are fewer.
inline size_t MarkerAt(const Bytes& jpeg, uint8_t code, int n = 0)
{
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code && n-- == 0)
            return i;
    return jpeg.size();
}

// The file with its last scan repeated `times` more times before the end marker: a decoder
// would take each copy with a mere warning.
inline Bytes RepeatLastScan(const Bytes& jpeg, int times)
{
    size_t lastScan = jpeg.size() - 2;
    while (lastScan > 0 && !(jpeg[lastScan] == 0xFF && jpeg[lastScan + 1] == 0xDA))
        --lastScan;
    Bytes out(jpeg.begin(), jpeg.end() - 2);
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), jpeg.begin() + static_cast<long>(lastScan), jpeg.end() - 2);
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// A damaged camera file as it turns up in the wild: a short progressive CMYK JPEG (about 30 KB)
// whose frame header claims 10000 x 10000 pixels.
inline Bytes DamagedProgressiveCmyk()
{
    std::mt19937 random(3);
    Bytes b = EncodeJpeg(
        160, 120, 4, JCS_CMYK, [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); },
        [&](int, int, int) { return static_cast<JSAMPLE>(random()); });
    const size_t sof = MarkerAt(b, 0xC2);
    const uint8_t claim[] = {0x27, 0x10, 0x27, 0x10};
    std::copy(std::begin(claim), std::end(claim), b.begin() + static_cast<long>(sof + 5));
    b.resize(std::min<size_t>(b.size(), 30200));
    return b;
}

// A hostile file that passes every size check: one flat grey w x h picture, coded as tightly as
// possible, followed by `copies` copies of a scan that is cheap in bytes but visits every block.
inline Bytes FlatWithCheapScans(int w, int h, int copies)
{
    static const jpeg_scan_info script[] = {{1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}};
    const Bytes flat = EncodeJpeg(
        w, h, 1, JCS_GRAYSCALE,
        [](jpeg_compress_struct& c) {
            c.optimize_coding = TRUE;
            c.scan_info = script;
            c.num_scans = 2;
        },
        [](int, int, int) { return JSAMPLE{90}; });
    return RepeatLastScan(flat, copies);
}

// A hostile file of about 5 KB: a small arithmetic-coded progressive colour picture whose frame
// header then claims w x h. Arithmetic coding lets so few bytes stand for that many blocks, and
// its decoder fills the blocks the file lacks without a word, so nothing but the picture's
// memory gives it away.
inline Bytes ArithmeticProgressiveClaiming(int w, int h)
{
    std::mt19937 random(11);
    Bytes b = EncodeJpeg(
        96, 96, 3, JCS_RGB,
        [](jpeg_compress_struct& c) {
            jpeg_set_quality(&c, 75, TRUE);
            jpeg_simple_progression(&c);
            c.arith_code = TRUE;
        },
        [&](int, int, int) { return static_cast<JSAMPLE>(random()); });
    const size_t sof = MarkerAt(b, 0xCA);
    const uint8_t claim[] = {uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w)};
    std::copy(std::begin(claim), std::end(claim), b.begin() + static_cast<long>(sof + 5));
    return b;
}
