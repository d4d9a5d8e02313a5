// Picture file speed: a day photo (640x480) and a camera photo (4000x3000), JPEG and BMP.
#include "CameraPicture.h"
#include "photos/PictureFile.h"

#include <benchmark/benchmark.h>

#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

// A photo-like picture, so the codec works as hard as it does on real photos.
QImage photoLike(int w, int h)
{
    return CameraLikePicture(w, h);
}

// A damaged camera file as it turns up in the wild: a short progressive CMYK JPEG (about 30 KB)
// whose frame header claims 10000 x 10000 pixels.
void writeDamagedProgressive(const std::string& path)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &data, &size);
    c.image_width = 160;
    c.image_height = 120;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::mt19937 random(3);
    std::vector<JSAMPLE> row(160 * 4);
    while (c.next_scanline < c.image_height) {
        for (auto& v : row)
            v = static_cast<JSAMPLE>(random());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<unsigned char> bytes(data, data + size);
    std::free(data);
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2) {
            bytes[i + 5] = 0x27, bytes[i + 6] = 0x10, bytes[i + 7] = 0x27, bytes[i + 8] = 0x10;
            break;
        }
    bytes.resize(std::min<size_t>(bytes.size(), 30200));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
}

// A hostile file that passes every size check: one flat grey 4000 x 3000 picture, coded as
// tightly as possible, followed by hundreds of copies of a cheap scan that covers every block.
void writeManyScans(const std::string& path)
{
    static const jpeg_scan_info script[] = {{1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}};
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &data, &size);
    c.image_width = 4000;
    c.image_height = 3000;
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    c.optimize_coding = TRUE;
    c.scan_info = script;
    c.num_scans = 2;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(4000, 90);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<unsigned char> bytes(data, data + size);
    std::free(data);
    size_t lastScan = bytes.size() - 2;
    while (!(bytes[lastScan] == 0xFF && bytes[lastScan + 1] == 0xDA))
        --lastScan;
    const std::vector<unsigned char> scan(bytes.begin() + static_cast<long>(lastScan), bytes.end() - 2);
    bytes.resize(bytes.size() - 2);
    for (int i = 0; i < 450; ++i)
        bytes.insert(bytes.end(), scan.begin(), scan.end());
    bytes.insert(bytes.end(), {0xFF, 0xD9});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
}

struct Files {
    QTemporaryDir dir;
    std::string path(int w, const char* ext) const
    {
        return dir.filePath(QString("p%1.%2").arg(w).arg(ext)).toStdString();
    }
    Files()
    {
        for (auto [w, h] : {std::pair{640, 480}, {4000, 3000}}) {
            const QImage image = photoLike(w, h);
            if (!SavePictureFile(path(w, "jpg"), image, w, h, 80, nullptr)
                || !SavePictureFile(path(w, "bmp"), image, w, h, 80, nullptr))
                std::abort();
        }
        writeDamagedProgressive(damaged());
        writeManyScans(manyScans());
    }
    std::string manyScans() const { return dir.filePath("scans.jpg").toStdString(); }
    std::string damaged() const { return dir.filePath("damaged.jpg").toStdString(); }
};

const Files& files()
{
    static const Files f;
    return f;
}

int heightFor(int w)
{
    return w * 3 / 4;
}

void BM_LoadJpeg(benchmark::State& state)
{
    const std::string path = files().path(static_cast<int>(state.range(0)), "jpg");
    for (auto _ : state) {
        QImage picture;
        if (!LoadPictureFile(path, picture))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0)
                            * heightFor(static_cast<int>(state.range(0))));
}

void BM_LoadThumbnail80x60(benchmark::State& state)
{
    const std::string path = files().path(static_cast<int>(state.range(0)), "jpg");
    for (auto _ : state) {
        QImage picture;
        if (!LoadPictureScaled(path, 80, 60, picture))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(picture.constBits());
    }
}

// Refusing the damaged file, at full size (a day photo) and as a calendar thumbnail.
void BM_RefuseDamagedProgressive(benchmark::State& state)
{
    const std::string path = files().damaged();
    for (auto _ : state) {
        QImage picture;
        const bool loaded =
            state.range(0) ? LoadPictureScaled(path, 80, 60, picture) : LoadPictureFile(path, picture);
        if (loaded)
            state.SkipWithError("damaged file loaded");
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void BM_RefuseManyScans(benchmark::State& state)
{
    const std::string path = files().manyScans();
    for (auto _ : state) {
        QImage picture;
        state.counters["loaded"] = LoadPictureScaled(path, 80, 60, picture);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void BM_LoadBmp(benchmark::State& state)
{
    const std::string path = files().path(static_cast<int>(state.range(0)), "bmp");
    for (auto _ : state) {
        QImage picture;
        if (!LoadPictureFile(path, picture))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void savePicture(benchmark::State& state, const char* ext)
{
    const int w = static_cast<int>(state.range(0));
    const int h = heightFor(w);
    QImage picture;
    LoadPictureFile(files().path(w, "jpg"), picture);
    const std::string target = files().path(w, ext) + ".out." + ext;
    for (auto _ : state) {
        if (!SavePictureFile(target, picture, w, h, 80, nullptr))
            state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_SaveJpeg(benchmark::State& state)
{
    savePicture(state, "jpg");
}

void BM_SaveBmp(benchmark::State& state)
{
    savePicture(state, "bmp");
}

}  // namespace

BENCHMARK(BM_LoadJpeg)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadThumbnail80x60)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseDamagedProgressive)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseManyScans)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBmp)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveJpeg)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBmp)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
