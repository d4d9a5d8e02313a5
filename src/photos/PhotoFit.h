#pragma once
// Turning a photo of any size and shape into the day's picture (PictureWidth x PictureHeight):
// landscape photos are cropped to the frame, portrait ones are turned or trimmed as the user
// chooses. Everything here is a function of its inputs (no widget, no controller), so the bulk
// import runs it on its worker thread and asks its question through the callback it passes.
#include <QImage>
#include <QSize>

#include <functional>
#include <optional>
#include <string>

enum class RotationChoice : int {
    None = 0,  // nothing remembered
    Clockwise = 1,
    Anticlockwise = 2,
    CutTopBottom = 3,   // no rotation, the top and bottom cut off
    KeepTopBottom = 4,  // no rotation, the whole photo with white bands beside it
};

// Why the rotation dialog opens.
enum class RotateMode : int {
    Portrait = 0,           // a portrait photo met by the plain (or bulk) import
    RotatingPortrait = 1,   // the rotating import with a portrait or square photo
    RotatingLandscape = 2,  // the rotating import with a landscape photo
};

// Radio buttons of the rotation dialog.
enum class TrimRadio : int { None = -1, Cut = 0, Keep = 1 };

// What the rotation dialog shows. `work` is the portrait work picture (frame height wide,
// frame width high) that the turning buttons turn. The other two are exactly what the trim
// radio buttons would give, so the previews show what will be taken: with RotateMode Portrait
// the day pictures of choices 3 and 4; otherwise the work picture redrawn from the photo's
// centre strip (`cutWork`), and `keep` is null.
struct RotateRequest {
    QImage work;
    QImage cutWork;
    QImage cut;
    QImage keep;
    RotateMode mode = RotateMode::Portrait;
    bool bulk = false;
};

struct RotateAnswer {
    bool accepted = false;  // false: the dialog was cancelled
    RotationChoice choice = RotationChoice::None;
    TrimRadio radio = TrimRadio::None;
};

using RotateAsk = std::function<RotateAnswer(const RotateRequest&)>;

// Stretches `source` (the rectangle `from` of it) onto `target` at `to` with an area-averaging
// filter for reductions (smooth interpolation for enlargements).
void StretchPicture(QImage& target, const QRect& to, const QImage& source, const QRect& from);
// The photo as it is meant to be seen: EXIF Orientation 2-8 mirrors and/or turns it.
QImage ApplyExifOrientation(const QImage& picture, int orientation);

RotateMode RotateModeFor(QSize source, bool rotating);
// The plain fit: the frame filled with the centre of a landscape or square photo.
QImage PlainFit(const QImage& source, QSize frame);
// The portrait work picture (frame.height() wide, frame.width() high): a portrait photo's
// centre, or a landscape photo letterboxed between white bands above and below.
QImage BuildWorkPicture(const QImage& source, QSize frame);
// The work picture from the photo's centre strip, for the rotating import's cut radio.
QImage CutWorkPicture(const QImage& source, QSize frame);
// The work picture turned into the frame: clockwise for Clockwise, else anticlockwise.
QImage TurnWorkPicture(const QImage& work, RotationChoice choice);
// Choices 3 and 4 fit the photo as loaded without turning it.
QImage CutFit(const QImage& source, QSize frame);
QImage KeepFit(const QImage& source, QSize frame);

// The day picture a rotation dialog's answer gives for `request`, exactly as the fit stores
// it, so the dialog shows it before the user takes it; null for a choice the mode does not
// offer.
QImage RotatedPicture(const RotateRequest& request, RotationChoice choice, TrimRadio radio);

// The whole fitting step: the day picture at `frame`, or none when the user cancelled the
// rotation dialog. `remembered` is the choice kept between calls: each dialog answer replaces
// it, and with `bulk` set a remembered choice is used without asking.
std::optional<QImage> FitSourcePicture(const QImage& source, QSize frame, bool rotating, bool bulk,
                                       RotationChoice& remembered, const RotateAsk& ask);

struct PhotoExif;
// Reads a photo file for the fit: decoded at the smallest DCT scale that still gives the
// frame's longer side on the photo's shorter side (so every crop and turn keeps full detail),
// then turned as its EXIF Orientation says. False for a file that cannot be read. The EXIF
// record read on the way goes to `exif` when given, so the caller need not read it again.
bool LoadSourcePicture(const std::string& path, QSize frame, QImage& source, PhotoExif* exif = nullptr);
