#pragma once
// The interface of the video module (libkelto_video.so): the encoders and their libraries are
// loaded only when a video is written. Plain C, so the module and the program agree on nothing
// but this table. A module whose table has another version is not used.

extern "C" {

struct KeltoVideoWriter;

enum { kKeltoVideoApiVersion = 1 };
enum { kKeltoVideoAvi = 0, kKeltoVideoMp4 = 1 };

struct KeltoVideoApi {
    int version;
    // Opens a writer of `width` x `height` frames at `fps` into `path`: raw video in AVI, or in
    // MP4 H.264, else MPEG-4 Visual where the encoders lack H.264. `codec` gets the
    // four-character code used ("" for raw video). Null when no writer could be opened.
    KeltoVideoWriter* (*open)(const char* path, int format, double fps, int width, int height, char codec[5]);
    // Appends one frame of 32-bit pixels laid out as 0xffRRGGBB words, `bytesPerLine` apart;
    // 0 when the encoder failed.
    int (*write)(KeltoVideoWriter* writer, const unsigned char* pixels, int bytesPerLine);
    // Finishes the file and frees the writer.
    void (*close)(KeltoVideoWriter* writer);
    // The frames a finished file's index holds; -1 when the file cannot be read as a video.
    int (*countFrames)(const char* path);
};

// The module's one exported symbol.
const KeltoVideoApi* kelto_video_api(void);
typedef const KeltoVideoApi* (*KeltoVideoApiFunction)(void);
}
