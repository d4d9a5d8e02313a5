// The automatic alignment of one frame against the one before it: 320 x 240 frames of
// 640 x 480 photos of a hand-held series (shifts and zooms of a scene with blobs of every
// size), as the animation editor's chained alignment meets them. Processor time per frame.
#include "animation/FrameRegistration.h"
#include "support/BlobScene.h"

#include <benchmark/benchmark.h>

#include <QPainter>

#include <random>

namespace {

const QSize kFrame(320, 240);

// 16 photos: each a crop of the scene moved by up to 40 pixels and zoomed by up to 10 %.
const std::vector<QImage>& photos()
{
    static const std::vector<QImage> series = [] {
        const QImage s = BlobScene();
        std::mt19937 rng(3);
        std::uniform_int_distribution<int> move(-40, 40), zoom(-90, 90);
        std::vector<QImage> out;
        for (int k = 0; k < 16; ++k) {
            const int width = 960 + zoom(rng), cx = 800 + move(rng), cy = 600 + move(rng);
            out.push_back(s.copy(cx - width / 2, cy - width * 3 / 8, width, width * 3 / 4)
                              .scaled(640, 480, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
        return out;
    }();
    return series;
}

void BM_ProposeFrameAlignment(benchmark::State& state)
{
    const auto& series = photos();
    size_t k = 1;
    int missed = 0;
    for (auto _ : state) {
        const FrameAlignment standard;
        if (!ProposeFrameAlignment(series[k - 1], standard, series[k], standard, kFrame))
            ++missed;
        k = k + 1 < series.size() ? k + 1 : 1;
    }
    state.counters["missed"] = missed;
}

}  // namespace

BENCHMARK(BM_ProposeFrameAlignment)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

BENCHMARK_MAIN();
