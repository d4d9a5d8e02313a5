// Picture file speed: a day photo (640x480) and a camera photo (4000x3000), JPEG and BMP.
#include "photos/PictureFile.h"

#include <benchmark/benchmark.h>

#include <QPainter>
#include <QTemporaryDir>

#include <cstdlib>
#include <random>

namespace {

// A photo-like picture: smooth gradients and shapes with a little noise, so the codec works
// as hard as it does on real photos.
QImage photoLike(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(1);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = static_cast<int>(random() % 16);
            row[x] =
                qRgb((x * 255 / w + n) & 255, (y * 255 / h + n) & 255, ((x + y) * 128 / (w + h) + n) & 255);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv(i * 9, 160, 200));
        painter.drawEllipse(QPoint(static_cast<int>(random() % w), static_cast<int>(random() % h)), w / 12,
                            h / 12);
    }
    return image;
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
    }
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
BENCHMARK(BM_LoadBmp)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveJpeg)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBmp)->Arg(640)->Arg(4000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
