#pragma once
// The aligned time-lapse as a video file: one video frame per photo day, each drawn through its
// frame alignment, at the notebook's animation speed. AVI (raw video) or MP4 (H.264) by the
// file name's extension. The file is written under a temporary name beside the target and
// takes the target's name only once every frame is in it, so a failed or stopped export leaves
// the old file as it was.
#include "animation/FrameAlignment.h"
#include "platform/Result.h"
#include "platform/SettingKey.h"

#include <QDate>

#include <string>
#include <vector>

class Progress;

// The speed a video is written at: the stored speed within 1 to 60 frames a second.
int ReadVideoSpeed(const std::string& keltoIni);

enum class VideoFormat { Avi, Mp4 };
// ".mp4" (any case) is MP4; every other name is AVI.
VideoFormat VideoFormatOf(const std::string& path);
// The failure of a video export: message 135 for an AVI file, 301 (which names no format) for MP4.
Msg VideoCreateFailedMessage(const std::string& path);
// The file written for a chosen name: one ending in ".avi" or ".mp4" (any case) as it is, any
// other with ".avi" added, so a slip in the name never puts a video over a photo or a record.
std::string VideoTargetPath(const std::string& chosen);

// True when the file's top-level container records (the RIFF chunks of an AVI file, the boxes
// of an MP4 file) account for exactly its bytes: a write the encoder lost on the way, or a
// header it could not rewrite at the end, leaves sizes that do not add up.
bool VideoContainerIsWhole(const std::string& path);

struct VideoExportJob {
    std::string notebookFolder;
    std::vector<QDate> frames;  // ScanFrames: the photo days, oldest first
    FrameGeometry geometry;
    int speed = 1;  // frames per second
    std::string path;
};

struct VideoExportReport {
    // Message 231 with fewer than two frames, message 450 with the module's file when the video
    // module cannot be loaded, VideoPhotoUnreadable with the photo that could not be read, else
    // VideoCreateFailedMessage with the target (and the system's reason when it gave one). Ok
    // when stopped.
    Result result;
    bool stopped = false;  // the progress was cancelled; nothing was written
    int written = 0;       // frames in the finished file
    std::string codec;     // the four-character code the file was written with ("" for raw video)
    bool ok() const { return result.ok() && !stopped; }
};

// Writes the video, reporting one step per frame; polls progress.cancelled() between frames.
// Reads the day records and photos only: nothing of the notebook is written.
VideoExportReport ExportVideo(const VideoExportJob& job, Progress& progress);
