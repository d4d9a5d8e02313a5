#include "animation/VideoExport.h"

#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Module.h"
#include "support/CountingProgress.h"
#include "support/LeftFiles.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

// Photo days of 640 x 480 gradients, each shifted so that no two frames look alike.
struct VideoNotebook {
    TempDir dir;
    VideoExportJob job;
    explicit VideoNotebook(int days)
    {
        job.notebookFolder = dir.path();
        job.speed = 5;
        for (int k = 0; k < days; ++k) {
            QImage photo(640, 480, QImage::Format_RGB32);
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    photo.setPixel(x, y,
                                   qRgb((x + 60 * k) / 3 % 256, ((x + 4 * k) / 16 + y / 16) % 2 ? 200 : 40,
                                        y * 255 / 479));
            job.frames.push_back(QDate(2026, 5, 1 + k));
            RequireWritten(
                SavePictureFile(FramePhotoPath(dir.path(), job.frames.back()), photo, 640, 480, 95));
        }
    }
    std::string file(const char* name) const { return JoinPath(dir.path(), name); }
    bool holdsTemporary() const { return !FindFiles(dir.path(), "*.tmp*").empty(); }
};

// What a command writes to its standard output.
std::string commandOutput(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[65536];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::string ffprobe(const std::string& path)
{
    return commandOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                         "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of default=nw=1 '"
                         + path + "'");
}

// The frames of a video as ffmpeg decodes them, 8-bit RGB one after the other.
std::string decodedFrames(const std::string& path)
{
    return commandOutput("ffmpeg -nostdin -v error -i '" + path + "' -f rawvideo -pix_fmt rgb24 -");
}

double luma(int r, int g, int b)
{
    return 0.299 * r + 0.587 * g + 0.114 * b;
}

// The largest mean difference of brightness between a decoded frame and the frame the player
// draws (a frame drawn one pixel off differs by 7 or more).
double worstDifference(const VideoNotebook& n, const std::string& video)
{
    const QSize size = n.job.geometry.frame;
    const size_t frameBytes = static_cast<size_t>(size.width()) * size.height() * 3;
    const std::string frames = decodedFrames(video);
    EXPECT_EQ(frames.size(), frameBytes * n.job.frames.size());
    double worst = 0;
    for (size_t k = 0; (k + 1) * frameBytes <= frames.size(); ++k) {
        QImage photo;
        EXPECT_TRUE(LoadPictureFile(FramePhotoPath(n.dir.path(), n.job.frames[k]), photo));
        QImage drawn(size, QImage::Format_RGB32);
        QPainter p(&drawn);
        DrawAlignedFrame(
            p, {0, 0}, photo,
            ReadFrameAlignment(n.dir.path(), n.job.frames, static_cast<int>(k), n.job.geometry).alignment,
            size);
        p.end();
        const auto* decoded = reinterpret_cast<const unsigned char*>(frames.data() + k * frameBytes);
        double sum = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x, decoded += 3) {
                const QRgb c = drawn.pixel(x, y);
                sum +=
                    std::abs(luma(decoded[0], decoded[1], decoded[2]) - luma(qRed(c), qGreen(c), qBlue(c)));
            }
        worst = std::max(worst, sum / (size.width() * size.height()));
    }
    return worst;
}

}  // namespace

TEST(VideoExport, AviAndMp4HoldEveryAlignedFrameAtTheSpeed)
{
    VideoNotebook n(4);
    // Frame 1 zoomed out past the photo's edges (decoded at half scale); frame 2 inherits it;
    // frames 0 and 3 show the standard centre quarter.
    RequireWritten(IniFile::WriteString(FrameRecordPath(n.dir.path(), n.job.frames[1]), "Triming", "Position",
                                        "150,130"));
    RequireWritten(
        IniFile::WriteString(FrameRecordPath(n.dir.path(), n.job.frames[1]), "Triming", "Size", "400,300"));

    struct Case {
        const char* file;
        const char* codec;  // as the report names it
        const char* probed;
        double worst;  // the largest mean difference from the frames drawn (raw YUV: rounding only)
    } cases[] = {{"clip.avi", "", "rawvideo", 3.0}, {"clip.MP4", "avc1", "h264", 4.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        n.job.path = n.file(c.file);
        CountingProgress progress;
        VideoExportReport r = ExportVideo(n.job, progress);
        ASSERT_TRUE(r.ok()) << ResultText(r.result);
        EXPECT_EQ(r.written, 4);
        EXPECT_EQ(progress.value.load(), 4);
        EXPECT_EQ(r.codec, c.codec);
        EXPECT_EQ(ffprobe(n.job.path), std::string("codec_name=") + c.probed
                                           + "\nwidth=320\nheight=240\nr_frame_rate=5/1\nnb_read_frames=4\n");
        EXPECT_LT(worstDifference(n, n.job.path), c.worst);
    }
    EXPECT_FALSE(n.holdsTemporary());
}

TEST(VideoExport, ContainerWhoseSizesDoNotAddUpIsNotWhole)
{
    auto le = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto be = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    const std::string riff = "RIFF" + le(8) + "AVI movi",
                      odd = "RIFF" + le(5) + "AVI x" + std::string(1, '\0');
    const std::string ftyp = be(16) + "ftypisom" + std::string(4, '\0'), mdat = be(12) + "mdat" + "abcd";
    const struct {
        const char* what;
        std::string bytes;
        bool whole;
    } cases[] = {
        {"an AVI file", riff, true},
        {"an odd-sized chunk and its pad byte", odd, true},
        {"an AVI file and its OpenDML continuation", riff + "RIFF" + le(4) + "AVIX", true},
        {"an AVI file cut short", riff.substr(0, 14), false},
        {"an AVI file with bytes after its chunk", riff + "x", false},
        {"an AVI file whose size was never written", "RIFF" + le(0) + "AVI movi", false},
        {"an MP4 file", ftyp + mdat, true},
        {"a box with a 64-bit size", ftyp + be(1) + "mdat" + be(0) + be(20) + "abcd", true},
        {"a last box to the end of the file", ftyp + be(0) + "mdat" + "abcdef", true},
        {"an MP4 file cut short", ftyp + mdat.substr(0, 10), false},
        {"a box of size 4", ftyp + be(4) + "mdat", false},
        {"nothing", "", false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.file("v.avi");
        ASSERT_TRUE(WriteFileAtomic(path, c.bytes));
        EXPECT_EQ(VideoContainerIsWhole(path), c.whole) << c.what;
    }
}

TEST(VideoExport, FailureOrStopKeepsTheOldFileAndLeavesNoTemporary)
{
    VideoNotebook n(3);
    n.job.path = n.file("clip.avi");
    ASSERT_TRUE(WriteFileAtomic(n.job.path, "old"));
    auto oldFileKept = [&] {
        std::string bytes;
        return ReadFileBytes(n.job.path, bytes) && bytes == "old" && !n.holdsTemporary();
    };
    CountingProgress progress;

    // A photo that cannot be read, after frames were written: the photo is named, not the video.
    const std::string photo = FramePhotoPath(n.dir.path(), n.job.frames[2]);
    ASSERT_TRUE(WriteFileAtomic(photo, "not a picture"));
    VideoExportReport r = ExportVideo(n.job, progress);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.result.message, Msg::VideoPhotoUnreadable);
    EXPECT_EQ(r.result.path, photo);
    EXPECT_TRUE(oldFileKept());

    // Stopped by the user: not a failure, and nothing written.
    n.job.frames.pop_back();
    progress.cancel();
    r = ExportVideo(n.job, progress);
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.result.ok());
    EXPECT_TRUE(oldFileKept());
    progress.reset();

    // No writer: the folder does not exist.
    n.job.path = n.file("missing/clip.avi");
    r = ExportVideo(n.job, progress);
    EXPECT_EQ(r.result.message, Msg::AviCreateFailed);
    EXPECT_EQ(r.result.path, n.job.path);
    EXPECT_EQ(r.result.detail, std::generic_category().message(ENOENT));

    // The video module missing from the program folder: told so, naming the module's file.
    const TempDir emptyFolder;
    SetModuleFolder(emptyFolder.path());
    n.job.path = n.file("clip.avi");
    r = ExportVideo(n.job, progress);
    SetModuleFolder(KELTO_PROGRAM_DIR);
    EXPECT_EQ(r.result.message, Msg::VideoModuleMissing);
    EXPECT_EQ(r.result.path, JoinPath(emptyFolder.path(), "libkelto_video.so"));
    EXPECT_TRUE(oldFileKept());

    // One photo day is no animation.
    n.job.frames.pop_back();
    EXPECT_EQ(ExportVideo(n.job, progress).result.message, Msg::TooFewPhotoDays);
}

TEST(VideoExport, ExportingAgainRemovesWhatAKilledExportLeft)
{
    VideoNotebook n(2);
    auto plant = [&](const char* name, bool old) { WriteLeftFile(n.file(name), old); };
    const char* left[] = {"clip.mp4.tmpAbC123.mp4", "other.AVI.tmpZZZZZZ.avi"};
    // Not an export's name, or one that may still be written.
    const char* kept[] = {"clip.mp4.tmpAbC123.avi", "20260501.jpg.tmpAbC123", "clip.mp4.tmpAbC12.mp4",
                          "new.mp4.tmpQwErTy.mp4"};
    for (const char* name : left)
        plant(name, true);
    for (const char* name : kept)
        plant(name, std::string(name) != "new.mp4.tmpQwErTy.mp4");
    n.job.path = n.file("clip.avi");
    CountingProgress progress;
    ASSERT_TRUE(ExportVideo(n.job, progress).ok());
    for (const char* name : left)
        EXPECT_FALSE(FileExists(n.file(name))) << name;
    for (const char* name : kept)
        EXPECT_TRUE(FileExists(n.file(name))) << name;
}
