// Picture file speed: a day photo (640x480) and a camera photo (4000x3000), JPEG and BMP.
#include "CameraPicture.h"
#include "photos/PictureFile.h"
#include "support/JpegBytes.h"

#include <benchmark/benchmark.h>

#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>


namespace {

// A photo-like picture, so the codec works as hard as it does on real photos.
QImage photoLike(int w, int h)
{
    return CameraLikePicture(w, h);
}

void writeFile(const std::string& path, const Bytes& bytes)
{
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
            if (!SavePictureFile(path(w, "jpg"), image, w, h, 80)
                || !SavePictureFile(path(w, "bmp"), image, w, h, 80))
                std::abort();
        }
        writeFile(damaged(), DamagedProgressiveCmyk());
        writeFile(manyScans(), FlatWithCheapScans(4000, 3000, 450));
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
        if (!SavePictureFile(target, picture, w, h, 80))
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
