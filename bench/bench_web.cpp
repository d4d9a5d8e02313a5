// The web export of a 256-day notebook (camera-like photos, memos, every value), the video
// aside, against its floor: copying the photos and making their thumbnails, on as many threads
// as the export uses. Prints the ratio of the two; the export is meant to stay within 1.5 times
// the floor (the pages, graphs and tables are what it adds).
#include "BenchNotebook.h"
#include "GuiBenchMain.h"
#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Progress.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "web/WebExport.h"
#include "support/RequireWritten.h"

#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace {
constexpr int kDays = 256;
constexpr int kThreads = 2;

struct World {
    QTemporaryDir dir;
    std::string notebook;
    std::vector<QDate> days;

    World()
    {
        notebook = dir.path().toStdString() + "/data/bench";
        std::filesystem::create_directories(notebook);
        const QDate first(2013, 4, 1);
        WriteBenchNotebook(notebook, first, kDays);
        for (int i = 0; i < kDays; ++i)
            days.push_back(first.addDays(i));
    }
    std::string out(const char* name) const { return dir.path().toStdString() + "/" + name; }
};

World& world()
{
    static World w;
    return w;
}

// The floor: each photo copied and a thumbnail made of it, nothing else. Seconds taken.
double copyPhotosAndThumbnails(const World& w)
{
    const std::string out = w.out("floor");
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out + "/photos");
    std::filesystem::create_directories(out + "/thumbs");
    const auto start = std::chrono::steady_clock::now();
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next++) < w.days.size();) {
            const std::string stem = DayFileStem(w.days[i]);
            const std::string from = DayFilePath(w.notebook, w.days[i], "jpg");
            std::filesystem::copy_file(from, out + "/photos/" + stem + ".jpg");
            QImage picture;
            LoadPictureScaled(from, kWebThumbWidth, kWebThumbHeight, picture);
            const QImage small =
                picture.scaled(kWebThumbWidth, kWebThumbHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            RequireWritten(
                SavePictureFile(out + "/thumbs/" + stem + ".jpg", small, small.width(), small.height(), 85));
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::vector<double> floors, exports, ratios;

// Each iteration runs the floor and then the export, so both meet the same load of the machine;
// the iteration's time is the export's.
void BM_ExportWebAgainstFloor(benchmark::State& state)
{
    World& w = world();
    WebExportJob job;
    job.outFolder = w.out("site");
    job.notebookFolder = w.notebook;
    job.layoutFile = std::string(KELTO_KIT_DIR) + "/Layout.ini";
    job.settingsFile = w.out("Kelto.ini");
    job.today = w.days.back().addDays(5);
    job.video = false;
    job.threads = kThreads;
    int pages = 0;
    for (auto _ : state) {
        const double floor = copyPhotosAndThumbnails(w);
        std::filesystem::remove_all(job.outFolder);  // as the floor starts without its copies
        SilentProgress progress;
        const auto start = std::chrono::steady_clock::now();
        const WebExportReport r = ExportWebSite(job, progress);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!r.ok()) {
            state.SkipWithError(ResultText(r.result).c_str());
            return;
        }
        pages = r.pages;
        state.SetIterationTime(seconds);
        floors.push_back(floor);
        exports.push_back(seconds);
        ratios.push_back(seconds / floor);
    }
    state.counters["pages"] = pages;
    state.counters["floor_ms"] = median(floors) * 1000;
    state.counters["ratio"] = median(ratios);
}
BENCHMARK(BM_ExportWebAgainstFloor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
}  // namespace

int main(int argc, char** argv)
{
    return RunGuiBenchmarks(argc, argv, [] {
        if (!ratios.empty())
            std::printf("web export of %d days: %.0f ms, floor (copies and thumbnails) %.0f ms, ratio %.2f "
                        "(medians of %zu interleaved runs)\n",
                        kDays, median(exports) * 1000, median(floors) * 1000, median(ratios), ratios.size());
    });
}
