#include "animation/VideoExport.h"

#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/Progress.h"
#include "store/KeltoIni.h"

#include <QPainter>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <future>
#include <unistd.h>

namespace {

std::string lowerExtension(const std::string& path)
{
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// An aligned rectangle of the full-size photo, in the pixels of the same photo decoded at a
// reduced scale.
QRect scaledSource(const QRect& full, QSize fullSize, QSize decoded)
{
    if (decoded == fullSize || fullSize.isEmpty())
        return full;
    const double fx = double(decoded.width()) / fullSize.width(),
                 fy = double(decoded.height()) / fullSize.height();
    const int left = qRound(full.left() * fx), top = qRound(full.top() * fy);
    const int right = qRound((full.left() + full.width()) * fx),
              bottom = qRound((full.top() + full.height()) * fy);
    return QRect(left, top, std::max(right - left, 1), std::max(bottom - top, 1));
}

// The smallest decoded size of the whole photo at which the part the alignment shows still has
// a pixel for every frame pixel. That part is w frame units wide, a unit being photo width /
// frame width pixels, so the answer is frame width * frame width / w whatever the photo's size.
QSize decodeTarget(const FrameAlignment& a, QSize frame)
{
    const long long fw = frame.width(), fh = frame.height();
    return QSize(static_cast<int>(std::min<long long>((fw * fw + a.w - 1) / a.w, kMaxPictureSide)),
                 static_cast<int>(std::min<long long>((fh * fh + a.h - 1) / a.h, kMaxPictureSide)));
}

// The writer of one file: raw video in AVI; H.264 in MP4, else MPEG-4 Visual where the
// backend has no H.264 encoder. The code written with, none when no writer could be opened.
std::optional<std::string> openWriter(cv::VideoWriter& writer, const std::string& path, VideoFormat format,
                                      double fps, QSize frame)
{
    const cv::Size size(frame.width(), frame.height());
    if (format == VideoFormat::Avi) {
        if (writer.open(path, cv::CAP_FFMPEG, 0, fps, size, true))
            return std::string();
        return std::nullopt;
    }
    for (const char* code : {"avc1", "mp4v"})
        if (writer.open(path, cv::CAP_FFMPEG, cv::VideoWriter::fourcc(code[0], code[1], code[2], code[3]),
                        fps, size, true))
            return std::string(code);
    return std::nullopt;
}

// The finished file read back: its index must hold every frame, which a write error on the way
// (a full disk) would have cut short; the writer itself reports none.
bool holdsFrames(const std::string& path, int frames)
{
    cv::VideoCapture check(path, cv::CAP_FFMPEG);
    return check.isOpened() && static_cast<int>(check.get(cv::CAP_PROP_FRAME_COUNT)) == frames;
}

// The frame's pixels as OpenCV's 3-channel BGR image, converted into `bgr` (reused).
void toBgr(const QImage& frame, cv::Mat& bgr)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // RGB32 lies in memory as B, G, R, 0xFF: one pass drops the fourth byte.
    const cv::Mat bgra(frame.height(), frame.width(), CV_8UC4, const_cast<uchar*>(frame.constBits()),
                       static_cast<size_t>(frame.bytesPerLine()));
    cv::cvtColor(bgra, bgr, cv::COLOR_BGRA2BGR);
#else
    const QImage packed = frame.convertToFormat(QImage::Format_BGR888);
    cv::Mat(packed.height(), packed.width(), CV_8UC3, const_cast<uchar*>(packed.constBits()),
            static_cast<size_t>(packed.bytesPerLine()))
        .copyTo(bgr);
#endif
}

// One photo day ready to draw: its alignment and its photo, decoded at the scale it allows.
struct DecodedFrame {
    FrameAlignment alignment;
    QImage picture;
    QSize full;  // the photo's own size, the unit of the alignment arithmetic
    bool ok = false;
};

void decodeFrame(const VideoExportJob& job, int k, DecodedFrame& out)
{
    out.alignment = ReadFrameAlignment(job.notebookFolder, job.frames, k, job.geometry).alignment;
    const QSize target = decodeTarget(out.alignment, job.geometry.frame);
    int fullWidth = 0, fullHeight = 0;
    const QSize frame = job.geometry.frame;
    const FrameAlignment a = out.alignment;
    out.ok = LoadPictureRegion(
        FramePhotoPath(job.notebookFolder, job.frames[static_cast<size_t>(k)]), target.width(),
        target.height(), [a, frame](QSize full) { return AlignedSourceRect(a, full, frame); }, out.picture,
        &fullWidth, &fullHeight);
    out.full = QSize(fullWidth, fullHeight);
}

void drawFrame(const DecodedFrame& d, QSize frameSize, QImage& frame)
{
    const QRect source =
        scaledSource(AlignedSourceRect(d.alignment, d.full, frameSize), d.full, d.picture.size());
    QPainter painter(&frame);
    DrawFrameSource(painter, QPoint(0, 0), d.picture, source, frameSize);
}

// Writes every frame into `tmp`. What went wrong (the file to name with message 135), none
// when the file is complete; `report` gets the codec, and `stopped` when the user stopped it.
std::optional<std::string> writeFrames(const VideoExportJob& job, const std::string& tmp, Progress& progress,
                                       VideoExportReport& report)
{
    const int count = static_cast<int>(job.frames.size());
    cv::VideoWriter writer;
    const std::optional<std::string> codec =
        openWriter(writer, tmp, VideoFormatOf(job.path), static_cast<double>(BoundAnimationSpeed(job.speed)),
                   job.geometry.frame);
    if (!codec)
        return job.path;
    report.codec = *codec;

    // The next photos are decoded on other threads while this one is drawn and written; one
    // drawn frame and one BGR image serve every frame. Leaving early waits for those threads.
    constexpr int kAhead = 2;
    DecodedFrame decoded[kAhead + 1];
    std::deque<std::future<void>> pending;
    auto decodeAhead = [&](int k) {
        if (k < count)
            pending.push_back(std::async(std::launch::async, [&job, k, &slot = decoded[k % (kAhead + 1)]] {
                decodeFrame(job, k, slot);
            }));
    };
    for (int k = 0; k < kAhead; ++k)
        decodeAhead(k);
    QImage frame(job.geometry.frame, QImage::Format_RGB32);
    cv::Mat bgr(job.geometry.frame.height(), job.geometry.frame.width(), CV_8UC3);
    for (int k = 0; k < count; ++k) {
        pending.front().get();
        pending.pop_front();
        if (progress.cancelled()) {
            report.stopped = true;
            return job.path;
        }
        const DecodedFrame& d = decoded[k % (kAhead + 1)];
        if (!d.ok)
            return FramePhotoPath(job.notebookFolder, job.frames[static_cast<size_t>(k)]);
        decodeAhead(k + kAhead);
        drawFrame(d, job.geometry.frame, frame);
        toBgr(frame, bgr);
        writer.write(bgr);
        progress.setValue(k + 1);
    }
    writer.release();
    if (!holdsFrames(tmp, count))
        return job.path;
    return std::nullopt;
}

}  // namespace

int ReadVideoSpeed(const std::string& keltoIni)
{
    return ReadAnimationSpeed(keltoIni);
}

Msg VideoCreateFailedMessage(const std::string& path)
{
    return VideoFormatOf(path) == VideoFormat::Mp4 ? Msg::VideoCreateFailed : Msg::AviCreateFailed;
}

VideoFormat VideoFormatOf(const std::string& path)
{
    return lowerExtension(path) == ".mp4" ? VideoFormat::Mp4 : VideoFormat::Avi;
}

std::string VideoTargetPath(const std::string& chosen)
{
    const std::string ext = lowerExtension(chosen);
    return ext == ".avi" || ext == ".mp4" ? chosen : chosen + ".avi";
}

VideoExportReport ExportVideo(const VideoExportJob& job, Progress& progress)
{
    VideoExportReport report;
    const int count = static_cast<int>(job.frames.size());
    if (count < 2) {
        report.result = Result::Failed(Msg::TooFewPhotoDays, job.notebookFolder);
        return report;
    }
    // What an export killed midway left in this folder goes first; one running now keeps its file.
    RemoveStaleTemporaries(ParentFolder(job.path), [](std::string_view target, std::string_view suffix) {
        return (suffix == ".mp4" || suffix == ".avi") && lowerExtension(std::string(target)) == suffix;
    });
    std::string tmp;
    const int fd =
        OpenTemporaryBeside(job.path, VideoFormatOf(job.path) == VideoFormat::Mp4 ? ".mp4" : ".avi", tmp);
    if (fd < 0) {
        report.result = Result::Failed(VideoCreateFailedMessage(job.path), job.path);
        return report;
    }
    // Held open to the end: its lock tells another export that this file is being written.
    struct CloseAtEnd {
        int fd;
        ~CloseAtEnd() { ::close(fd); }
    } closeAtEnd{fd};
    progress.setRange(count);
    progress.setValue(0);
    std::optional<std::string> failed;
    try {
        failed = writeFrames(job, tmp, progress, report);
    } catch (const std::exception&) {
        // The codec library or a thread that could not start: the export fails like a bad write.
        failed = job.path;
    }
    if (!failed && std::rename(tmp.c_str(), job.path.c_str()) != 0)
        failed = job.path;
    if (failed) {
        std::remove(tmp.c_str());
        if (!report.stopped)
            report.result = Result::Failed(VideoCreateFailedMessage(job.path), *failed);
        return report;
    }
    report.written = count;
    return report;
}
