// The time-lapse export of 256 photo days (640 x 480, quality 80) to a 320 x 240 video, beside
// ffmpeg doing the same crop and scale into raw video in AVI from the same files in the same
// run. "Crop": the standard alignment (the centre quarter, one photo pixel per frame pixel);
// "Half": the whole photo, which the export decodes at half scale.
#include "CameraPicture.h"
#include "animation/VideoExport.h"
#include "photos/PictureFile.h"
#include "platform/Module.h"
#include "platform/Progress.h"
#include "support/RequireWritten.h"

#include <benchmark/benchmark.h>

#include <QDate>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdlib>

#include <sys/resource.h>

namespace {

constexpr int kDays = 256;

struct Notebook {
    QTemporaryDir dir;
    std::vector<QDate> frames;
    Notebook()
    {
        const QImage base = CameraLikePicture(640, 480);
        for (int i = 0; i < kDays; ++i) {
            // Every photo a little different, as a growing plant's are.
            QImage photo = base;
            QPainter(&photo).fillRect(100 + i, 200, 40, 40 + i / 4, QColor(40, 140, 40));
            const QDate day = QDate(2024, 1, 1).addDays(i);
            RequireWritten(SavePictureFile(FramePhotoPath(folder(), day), photo, 640, 480, 80));
            frames.push_back(day);
        }
    }
    std::string folder() const { return dir.path().toStdString(); }
};

const Notebook& notebook()
{
    static Notebook n;
    return n;
}

VideoExportJob job(const std::string& name, FrameAlignment alignment)
{
    SetModuleFolder(KELTO_PROGRAM_DIR);
    VideoExportJob j;
    j.notebookFolder = notebook().folder();
    j.frames = notebook().frames;
    j.geometry.standard = alignment;
    j.speed = 5;
    j.path = notebook().folder() + "/" + name;
    return j;
}

const FrameAlignment kCrop{160, 120, 160, 120};
const FrameAlignment kHalf{160, 120, 320, 240};

void exportVideo(benchmark::State& state, const std::string& name, FrameAlignment alignment)
{
    const VideoExportJob j = job(name, alignment);
    SilentProgress progress;
    for (auto _ : state)
        if (!ExportVideo(j, progress).ok())
            state.SkipWithError("export failed");
}

void ffmpeg(benchmark::State& state, const std::string& filter)
{
    const std::string command = "ffmpeg -nostdin -v error -y -framerate 5 -pattern_type glob -i '"
                                + notebook().folder() + "/*.jpg' -vf '" + filter + "' -c:v rawvideo -f avi '"
                                + notebook().folder() + "/ffmpeg.avi'";
    // The child's processor time, to set beside the export's (which the load of a shared
    // machine disturbs less than the real time).
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("ffmpeg failed (is it installed?)");
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    state.counters["child_cpu_ms"] =
        benchmark::Counter(1000
                           * (seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime)
                              - seconds(before.ru_stime))
                           / double(state.iterations()));
}

void BM_ExportAviCrop(benchmark::State& s)
{
    exportVideo(s, "crop.avi", kCrop);
}
void BM_FfmpegAviCrop(benchmark::State& s)
{
    ffmpeg(s, "crop=320:240:160:120");
}
void BM_ExportAviHalf(benchmark::State& s)
{
    exportVideo(s, "half.avi", kHalf);
}
void BM_FfmpegAviHalf(benchmark::State& s)
{
    ffmpeg(s, "scale=320:240");
}
void BM_ExportMp4Crop(benchmark::State& s)
{
    exportVideo(s, "crop.mp4", kCrop);
}

}  // namespace

BENCHMARK(BM_ExportAviCrop)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FfmpegAviCrop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportAviHalf)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FfmpegAviHalf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportMp4Crop)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

BENCHMARK_MAIN();
