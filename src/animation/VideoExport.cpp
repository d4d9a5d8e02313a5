#include "animation/VideoExport.h"

#include "animation/VideoWriterApi.h"
#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/Module.h"
#include "platform/Progress.h"
#include "store/KeltoIni.h"

#include <QPainter>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <future>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

const char* const kVideoModule = "video";

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

// The video module's table; none (and the reason in `error`) when the module is missing, cannot
// be loaded or is of another version.
const KeltoVideoApi* videoApi(std::string& error)
{
    auto entry =
        reinterpret_cast<KeltoVideoApiFunction>(ModuleSymbol(kVideoModule, "kelto_video_api", &error));
    const KeltoVideoApi* api = entry ? entry() : nullptr;
    if (api && api->version != kKeltoVideoApiVersion) {
        error = "version " + std::to_string(api->version);
        return nullptr;
    }
    return api;
}

// An open writer of the module, closed when it goes out of scope.
class Writer {
public:
    Writer(const KeltoVideoApi& api, KeltoVideoWriter* writer) : m_api(api), m_writer(writer) {}
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer() { close(); }
    bool write(const QImage& frame)
    {
        return m_api.write(m_writer, frame.constBits(), static_cast<int>(frame.bytesPerLine())) != 0;
    }
    void close()
    {
        if (m_writer)
            m_api.close(m_writer);
        m_writer = nullptr;
    }

private:
    const KeltoVideoApi& m_api;
    KeltoVideoWriter* m_writer;
};

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

// Writes every frame into `tmp`. What went wrong (the failure, naming the target or the photo
// that could not be read), none when the file is complete; `report` gets the codec, and
// `stopped` when the user stopped it.
std::optional<Result> writeFrames(const KeltoVideoApi& api, const VideoExportJob& job, const std::string& tmp,
                                  Progress& progress, VideoExportReport& report)
{
    const int count = static_cast<int>(job.frames.size());
    char codec[5] = {};
    KeltoVideoWriter* opened =
        api.open(tmp.c_str(), VideoFormatOf(job.path) == VideoFormat::Mp4 ? kKeltoVideoMp4 : kKeltoVideoAvi,
                 static_cast<double>(BoundAnimationSpeed(job.speed)), job.geometry.frame.width(),
                 job.geometry.frame.height(), codec);
    const Result notWritten = Result::Failed(VideoCreateFailedMessage(job.path), job.path);
    if (!opened)
        return notWritten;
    Writer writer(api, opened);
    report.codec = codec;

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
    for (int k = 0; k < count; ++k) {
        pending.front().get();
        pending.pop_front();
        if (progress.cancelled()) {
            report.stopped = true;
            return notWritten;
        }
        const DecodedFrame& d = decoded[k % (kAhead + 1)];
        if (!d.ok)
            return Result::Failed(Msg::VideoPhotoUnreadable,
                                  FramePhotoPath(job.notebookFolder, job.frames[static_cast<size_t>(k)]));
        decodeAhead(k + kAhead);
        drawFrame(d, job.geometry.frame, frame);
        if (!writer.write(frame))
            return notWritten;
        progress.setValue(k + 1);
    }
    // The finished file read back: its index must hold every frame, which a write error on the
    // way (a full disk) would have cut short; the encoder itself reports none.
    writer.close();
    if (!VideoContainerIsWhole(tmp) || api.countFrames(tmp.c_str()) != count)
        return notWritten;
    return std::nullopt;
}

}  // namespace

bool VideoContainerIsWhole(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    struct stat st;
    const uint64_t size = fstat(fileno(f), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    auto readAt = [&](uint64_t at, unsigned char* out, size_t n) {
        return fseeko(f, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
    };
    auto le32 = [](const unsigned char* b) { return b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24; };
    auto be32 = [](const unsigned char* b) { return uint32_t(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3]; };
    unsigned char head[16];
    bool whole = size >= 12 && readAt(0, head, 12);
    const bool avi = whole && std::equal(head, head + 4, "RIFF");
    uint64_t at = 0;
    while (whole && at < size) {
        if (avi) {
            // RIFF "AVI " then, past 1 GB, RIFF "AVIX" chunks; each size excludes its 8-byte head
            // and is padded to an even length.
            whole = readAt(at, head, 12) && std::equal(head, head + 4, "RIFF");
            at += 8 + uint64_t(le32(head + 4)) + (le32(head + 4) & 1);
        } else {
            // Boxes: a 32-bit size, 1 for a 64-bit size after the type, 0 for "to the end".
            whole = readAt(at, head, 8);
            uint64_t box = be32(head);
            if (whole && box == 1) {
                whole = readAt(at + 8, head + 8, 8);
                box = uint64_t(be32(head + 8)) << 32 | be32(head + 12);
                whole = whole && box >= 16;
            } else if (box == 0) {
                box = size - at;
            }
            whole = whole && box >= 8;
            at += box;
        }
    }
    std::fclose(f);
    return whole && at == size;
}

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
    std::string moduleError;
    const KeltoVideoApi* api = videoApi(moduleError);
    if (!api) {
        std::fprintf(stderr, "kelto: video module: %s\n", moduleError.c_str());
        report.result = Result::Failed(Msg::VideoModuleMissing, ModulePath(kVideoModule));
        return report;
    }
    std::string tmp;
    const int fd =
        OpenTemporaryBeside(job.path, VideoFormatOf(job.path) == VideoFormat::Mp4 ? ".mp4" : ".avi", tmp);
    if (fd < 0) {
        report.result = Result::Failed(VideoCreateFailedMessage(job.path), job.path,
                                       std::generic_category().message(errno));
        return report;
    }
    // Held open to the end: its lock tells another export that this file is being written.
    struct CloseAtEnd {
        int fd;
        ~CloseAtEnd() { ::close(fd); }
    } closeAtEnd{fd};
    progress.setRange(count);
    progress.setValue(0);
    const Msg notWritten = VideoCreateFailedMessage(job.path);
    std::optional<Result> failed;
    try {
        failed = writeFrames(*api, job, tmp, progress, report);
    } catch (const std::exception&) {
        // The codec library or a thread that could not start: the export fails like a bad write.
        failed = Result::Failed(notWritten, job.path);
    }
    // On the disk before it takes the name, so a power cut cannot leave a named, empty file.
    if (!failed && fsync(fd) != 0)
        failed = Result::Failed(notWritten, job.path, std::generic_category().message(errno));
    if (!failed && std::rename(tmp.c_str(), job.path.c_str()) != 0)
        failed = Result::Failed(notWritten, job.path, std::generic_category().message(errno));
    if (failed) {
        std::remove(tmp.c_str());
        if (!report.stopped)
            report.result = *failed;
        return report;
    }
    report.written = count;
    return report;
}
