// The automatic alignment of one frame against the one before it: 320 x 240 frames of
// 640 x 480 photos of a hand-held series (shifts and zooms of a scene with blobs of every
// size), as the animation editor's chained alignment meets them. Processor time per frame; the
// accuracy of one pass over the series.
#include "animation/FrameRegistration.h"
#include "photos/PictureFile.h"
#include "support/BlobScene.h"

#include <benchmark/benchmark.h>

#include <QPainter>
#include <QTemporaryDir>

#include <array>
#include <cmath>
#include <random>

namespace {

const QSize kFrame(320, 240);

struct Shot {
    int cx, cy, width;  // the crop of the scene; its height is width * 3 / 4
};

// 16 photos: each a crop of the scene moved by up to 40 pixels and zoomed by up to 10 %.
const std::vector<Shot>& shots()
{
    static const std::vector<Shot> series = [] {
        std::mt19937 rng(3);
        std::uniform_int_distribution<int> move(-40, 40), zoom(-90, 90);
        std::vector<Shot> out;
        for (int k = 0; k < 16; ++k) {
            const int width = 960 + zoom(rng), cx = 800 + move(rng), cy = 600 + move(rng);
            out.push_back({cx, cy, width});
        }
        return out;
    }();
    return series;
}

const std::vector<QImage>& photos()
{
    static const std::vector<QImage> series = [] {
        const QImage s = BlobScene();
        std::vector<QImage> out;
        for (const Shot& k : shots())
            out.push_back(s.copy(k.cx - k.width / 2, k.cy - k.width * 3 / 8, k.width, k.width * 3 / 4)
                              .scaled(640, 480, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        return out;
    }();
    return series;
}

// Where the alignment of `shot` lies that shows what the standard alignment shows of `before`
// (centre and width in frame units).
std::array<double, 3> truth(const Shot& before, const Shot& shot)
{
    const double scale0 = before.width / 640.0, scale = shot.width / 640.0;
    const double sceneCx = before.cx - before.width / 2.0 + 320 * scale0;
    const double sceneCy = before.cy - before.width * 3 / 8.0 + 240 * scale0;
    return {(sceneCx - (shot.cx - shot.width / 2.0)) / scale / 2,
            (sceneCy - (shot.cy - shot.width * 3 / 8.0)) / scale / 2, 320 * scale0 / scale / 2};
}

// The series as registration meets it: 0, the photos in colour as drawn; 1, as the program
// reads them, the brightness of the JPEG files it stores (quality 80).
const std::vector<QImage>& series(int kind)
{
    static const std::vector<QImage> read = [] {
        QTemporaryDir dir;
        std::vector<QImage> out;
        for (size_t k = 0; k < photos().size(); ++k) {
            const std::string path = dir.filePath(QString("%1.jpg").arg(k)).toStdString();
            QImage gray;
            if (!SavePictureFile(path, photos()[k], 640, 480, 80) || !LoadPictureBrightness(path, gray))
                std::abort();
            out.push_back(gray);
        }
        return out;
    }();
    return kind == 0 ? photos() : read;
}

void BM_ProposeFrameAlignment(benchmark::State& state)
{
    const auto& frames = series(static_cast<int>(state.range(0)));
    const FrameAlignment standard;
    // The accuracy over one pass of the series, in frame units: the mean and worst distance of
    // the proposed centre from the true one, and the mean error of the width.
    int missed = 0, proposed = 0;
    double position = 0, worstPosition = 0, width = 0;
    for (size_t k = 1; k < frames.size(); ++k) {
        const auto a = ProposeFrameAlignment(frames[k - 1], standard, frames[k], standard, kFrame);
        if (!a) {
            ++missed;
            continue;
        }
        const auto t = truth(shots()[k - 1], shots()[k]);
        const double off = std::hypot(a->x - t[0], a->y - t[1]);
        ++proposed;
        position += off;
        worstPosition = std::max(worstPosition, off);
        width += std::abs(a->w - t[2]);
    }
    size_t k = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ProposeFrameAlignment(frames[k - 1], standard, frames[k], standard, kFrame));
        k = k + 1 < frames.size() ? k + 1 : 1;
    }
    state.counters["missed"] = missed;
    state.counters["position"] = proposed ? position / proposed : 0;
    state.counters["worst"] = worstPosition;
    state.counters["width"] = proposed ? width / proposed : 0;
}

}  // namespace

BENCHMARK(BM_ProposeFrameAlignment)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

BENCHMARK_MAIN();
