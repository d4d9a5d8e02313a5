// The video module: the AVI and MP4 writers over OpenCV's FFmpeg backend. The program loads
// it on the first export, so FFmpeg and its codecs stay out of every other start.
#include "animation/VideoWriterApi.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cstring>
#include <exception>
#include <memory>

struct KeltoVideoWriter {
    cv::VideoWriter writer;
    int width = 0, height = 0;
    cv::Mat bgr;  // one converted frame, reused
};

namespace {

KeltoVideoWriter* openWriter(const char* path, int format, double fps, int width, int height, char codec[5])
{
    try {
        auto w = std::make_unique<KeltoVideoWriter>();
        w->width = width;
        w->height = height;
        const cv::Size size(width, height);
        codec[0] = 0;
        if (format == kKeltoVideoAvi) {
            if (w->writer.open(path, cv::CAP_FFMPEG, 0, fps, size, true))
                return w.release();
        } else {
            for (const char* code : {"avc1", "mp4v"})
                if (w->writer.open(path, cv::CAP_FFMPEG,
                                   cv::VideoWriter::fourcc(code[0], code[1], code[2], code[3]), fps, size,
                                   true)) {
                    std::strcpy(codec, code);
                    return w.release();
                }
        }
    } catch (const std::exception&) {}
    return nullptr;
}

int writeFrame(KeltoVideoWriter* w, const unsigned char* pixels, int bytesPerLine)
{
    try {
        const cv::Mat words(w->height, w->width, CV_8UC4, const_cast<unsigned char*>(pixels),
                            static_cast<size_t>(bytesPerLine));
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // The words lie in memory as B, G, R, 0xff: one pass drops the fourth byte.
        cv::cvtColor(words, w->bgr, cv::COLOR_BGRA2BGR);
#else
        // As 0xff, R, G, B: the three colour bytes, reversed.
        w->bgr.create(w->height, w->width, CV_8UC3);
        const int pairs[] = {1, 2, 2, 1, 3, 0};
        cv::mixChannels(&words, 1, &w->bgr, 1, pairs, 3);
#endif
        w->writer.write(w->bgr);
    } catch (const std::exception&) {
        return 0;
    }
    return 1;
}

void closeWriter(KeltoVideoWriter* w)
{
    try {
        w->writer.release();
    } catch (const std::exception&) {}
    delete w;
}

int countFrames(const char* path)
{
    try {
        cv::VideoCapture check(path, cv::CAP_FFMPEG);
        return check.isOpened() ? static_cast<int>(check.get(cv::CAP_PROP_FRAME_COUNT)) : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

const KeltoVideoApi kApi{kKeltoVideoApiVersion, openWriter, writeFrame, closeWriter, countFrames};

}  // namespace

extern "C" __attribute__((visibility("default"))) const KeltoVideoApi* kelto_video_api(void)
{
    return &kApi;
}
