#pragma once
// Frame alignment: which part of a day's photo fills a time-lapse frame. Values are in frame
// units (one unit is PictureWidth / FrameWidth photo pixels across and PictureHeight /
// FrameHeight down) and are kept in the day's own record, section [Triming]. A frame without
// values of its own takes those of the frame before it, else the standard alignment of
// Kelto.ini; the look-up goes one frame back only.
#include "platform/Result.h"
#include "platform/SettingKey.h"

#include <QDate>
#include <QImage>
#include <QRect>
#include <QSize>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QPainter;

// Kelto.ini [Animation] Speed: frames per second of the player and the video, 1 to 60 (what
// video players take); a stored value outside is brought to the nearer end where it is read.
inline constexpr IntSetting AnimationSpeedSetting{"Animation", "Speed", 1};
inline constexpr int kMinAnimationSpeed = 1, kMaxAnimationSpeed = 60;
constexpr bool IsAnimationSpeed(int speed)
{
    return speed >= kMinAnimationSpeed && speed <= kMaxAnimationSpeed;
}
int BoundAnimationSpeed(int speed);
int ReadAnimationSpeed(const std::string& keltoIni);

struct FrameAlignment {
    int x = 160, y = 120;  // the point of the photo shown at the frame's centre
    int w = 160, h = 120;  // the part of the photo that fills the frame
    bool operator==(const FrameAlignment&) const = default;
};

// What every frame of a notebook shares: the frame size (Kelto.ini [Triming] Width, Height)
// and the standard alignment ([Triming] Position and Size). Where those are absent, a frame
// shows the whole photo: its centre at the frame's centre, the size of the frame.
struct FrameGeometry {
    QSize frame{320, 240};
    FrameAlignment standard{160, 120, 320, 240};
};
FrameAlignment WholePhotoAlignment(QSize frame);
FrameGeometry ReadFrameGeometry(const std::string& keltoIni);

// The frames of a notebook: the days that have a photo file, oldest first (at most the newest
// 256, as every day list).
std::vector<QDate> ScanFrames(const std::string& notebookFolder);
std::string FramePhotoPath(const std::string& notebookFolder, const QDate& date);
std::string FrameRecordPath(const std::string& notebookFolder, const QDate& date);

// "x,y": the first number at the start of the text, the second after the first ','. None for
// an empty text.
std::optional<std::pair<int, int>> ParseAlignmentPair(std::string_view text);
// Brings hand-edited values inside what every edit keeps: 0 <= x < frame width,
// 0 <= y < frame height, w >= 1, h >= 1.
FrameAlignment ClampAlignment(FrameAlignment a, QSize frame);

// A frame's alignment as the player shows it, and whether any part of it was inherited (then
// it is not the one stored for this frame).
struct AlignmentLookup {
    FrameAlignment alignment;
    bool inherited = false;
};
// Position and Size are each looked up on their own: frame k's record, else frame k - 1's,
// else the standard value.
AlignmentLookup ReadFrameAlignment(const std::string& notebookFolder, const std::vector<QDate>& frames, int k,
                                   const FrameGeometry& geometry);
// Position and Size from the frame's own record only, each falling back to the standard value
// (the previous frame under the overlay is drawn this way).
FrameAlignment ReadOwnFrameAlignment(const std::string& notebookFolder, const QDate& date,
                                     const FrameGeometry& geometry);
// Writes Position and Size ("%d,%d" each) into the frame's record with one replacement of the
// file; every other key stays. A failure names the record (message 200).
Result WriteFrameAlignment(const std::string& notebookFolder, const QDate& date, const FrameAlignment& a);

// The part of a picture of `picture` size that the alignment shows (integer division as the
// stored values intend; it may reach beyond the picture).
QRect AlignedSourceRect(const FrameAlignment& a, QSize picture, QSize frame);
// Draws the aligned frame, frame.width() x frame.height(), with its corner at `origin`. What
// lies beyond the photo's edges is black.
void DrawAlignedFrame(QPainter& target, QPoint origin, const QImage& picture, const FrameAlignment& a,
                      QSize frame);
// The same drawing from a source rectangle already in the picture's pixels (a picture decoded
// at a reduced scale has its rectangle scaled with it).
void DrawFrameSource(QPainter& target, QPoint origin, const QImage& picture, const QRect& source,
                     QSize frame);

// The edits. Zoom: d = -1 enlarges, +1 reduces (h follows w in the frame's proportions), by
// about five per cent of the width shown (at least one unit), or with `fine` by one unit;
// nothing changes when w would not stay above 0.
FrameAlignment ZoomFrame(FrameAlignment a, int d, QSize frame, bool fine = false);
// Move by whole frame units (positive dx moves the centre point right in the photo, so the
// picture goes left), clamped to the frame.
FrameAlignment MoveFrame(FrameAlignment a, int dx, int dy, QSize frame);
// A drag of (dx, dy) screen pixels over a frame drawn 1:1: the picture follows the pointer,
// so the centre moves the other way by the photo distance those pixels show at the current
// zoom, rounded to whole frame units.
FrameAlignment DragFrame(FrameAlignment a, int dx, int dy, QSize frame);

// The blend under the editor's overlay: every byte (a / 2) + (b / 2), each half truncated.
QImage BlendFrames(const QImage& current, const QImage& previous);

// What a frame's record holds for its alignment, each key as written (none: no key), so a
// change over many records can put every one back as it was.
struct StoredAlignment {
    QDate date;
    std::optional<std::string> position, size;
};
StoredAlignment ReadStoredAlignment(const std::string& notebookFolder, const QDate& date);
// Puts both keys back as they were (a key that was absent is removed). A failure names the
// record (message 200).
Result RestoreStoredAlignment(const std::string& notebookFolder, const StoredAlignment& stored);

// Frame j's alignment after the edit of another frame from `old` to `cur` is carried over to
// it: moved by cur - old; when the size changed, the width scaled by cur.w / old.w and the
// height following in the frame's proportions, as a zoom keeps it. A move alone leaves the
// size as it is.
FrameAlignment CarryAlignment(const FrameAlignment& shown, const FrameAlignment& cur, const FrameAlignment& old,
                              QSize frame);
// Carries an edit of frame k (from `old`, what was stored for or inherited by it, to `cur`)
// over to frames k .. last: frame k gets cur, and every later frame what it showed before
// (its own values or the ones it inherited) carried once. All frames are read before any is
// written, so a frame that inherits from the one before it moves once, not again with its
// neighbour. `before`, when given, receives what each record after frame k held before it
// was written. Stops at the first record that cannot be written.
Result ApplyToFollowingFrames(const std::string& notebookFolder, const std::vector<QDate>& frames, int k,
                              const FrameAlignment& cur, const FrameAlignment& old,
                              const FrameGeometry& geometry, std::vector<StoredAlignment>* before = nullptr);
