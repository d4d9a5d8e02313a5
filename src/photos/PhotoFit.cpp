#include "photos/PhotoFit.h"

#include "photos/ExifDate.h"
#include "photos/PictureFile.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>

namespace {

// All the arithmetic of the fit is integer and truncates, on 64 bits so that no product of
// two sides can overflow.
using i64 = long long;

QRect rectOf(i64 x, i64 y, i64 w, i64 h)
{
    return QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h));
}

QImage blank(QSize size, bool white)
{
    QImage image(size, QImage::Format_RGB32);
    if (!image.isNull())
        image.fill(white ? Qt::white : Qt::black);
    return image;
}

// `size` filled from the middle of the source at its proportions: a source too tall loses its
// top and bottom, one too wide its sides when `cutSides` (else it is stretched whole).
QImage CentredFit(const QImage& source, QSize size, bool cutSides)
{
    const i64 sw = source.width(), sh = source.height(), pw = size.width(), ph = size.height();
    QRect taken = source.rect();
    if (cutSides && sw * ph > sh * pw) {
        const i64 uw = sh * pw / ph;
        taken = rectOf((sw - uw) / 2, 0, uw, sh);
    } else if (sw * ph < sh * pw) {
        const i64 uh = sw * ph / pw;
        taken = rectOf(0, (sh - uh) / 2, sw, uh);
    }
    QImage out = blank(size, false);
    StretchPicture(out, out.rect(), source, taken);
    return out;
}

}  // namespace

void StretchPicture(QImage& target, const QRect& to, const QImage& source, const QRect& from)
{
    const QRect part = from.intersected(source.rect());
    if (part.isEmpty() || to.isEmpty() || target.isNull())
        return;
    QImage pixels =
        source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    // A view of the rectangle taken, without copying it; Qt's smooth scaling averages the
    // covered area of every target pixel when it reduces.
    const QImage view(pixels.constBits() + static_cast<qsizetype>(part.y()) * pixels.bytesPerLine()
                          + part.x() * 4,
                      part.width(), part.height(), pixels.bytesPerLine(), QImage::Format_RGB32);
    const QImage scaled = view.size() == to.size()
                              ? view
                              : view.scaled(to.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(to.topLeft(), scaled);
}

QImage ApplyExifOrientation(const QImage& picture, int orientation)
{
    QTransform clockwise;
    clockwise.rotate(90);
    QTransform anticlockwise;
    anticlockwise.rotate(270);
    switch (orientation) {
    case 2:
        return picture.mirrored(true, false);
    case 3:
        return picture.mirrored(true, true);
    case 4:
        return picture.mirrored(false, true);
    case 5:
        return picture.transformed(clockwise).mirrored(true, false);  // transpose
    case 6:
        return picture.transformed(clockwise);
    case 7:
        return picture.transformed(clockwise).mirrored(false, true);  // transverse
    case 8:
        return picture.transformed(anticlockwise);
    default:
        return picture;
    }
}

RotateMode RotateModeFor(QSize source, bool rotating)
{
    if (!rotating)
        return RotateMode::Portrait;
    return source.width() > source.height() ? RotateMode::RotatingLandscape : RotateMode::RotatingPortrait;
}

QImage PlainFit(const QImage& source, QSize frame)
{
    return CentredFit(source, frame, true);
}

QImage BuildWorkPicture(const QImage& source, QSize frame)
{
    const i64 sw = source.width(), sh = source.height(), pw = frame.width(), ph = frame.height();
    const QSize workSize(frame.height(), frame.width());
    if (sh > sw)
        return CentredFit(source, workSize, true);
    QImage work = blank(workSize, true);
    const i64 h2 = sh * ph / sw;
    StretchPicture(work, rectOf(0, (pw - h2) / 2, ph, h2), source, source.rect());
    return work;
}

QImage CutWorkPicture(const QImage& source, QSize frame)
{
    const i64 sw = source.width(), sh = source.height(), pw = frame.width(), ph = frame.height();
    const i64 uw = sh * ph / pw;
    QRect taken = rectOf((sw - uw) / 2, 0, uw, sh);
    // A photo narrower than the portrait frame has no such strip: its centre at the frame's
    // proportions is taken instead, so nothing beyond the photo's edges is drawn.
    if (uw > sw) {
        const i64 uh = sw * pw / ph;
        taken = rectOf(0, (sh - uh) / 2, sw, uh);
    }
    QImage work = blank(QSize(frame.height(), frame.width()), false);
    StretchPicture(work, work.rect(), source, taken);
    return work;
}

QImage TurnWorkPicture(const QImage& work, RotationChoice choice)
{
    const QImage in =
        work.format() == QImage::Format_RGB32 ? work : work.convertToFormat(QImage::Format_RGB32);
    const int pw = in.height(), ph = in.width();  // the work picture is the frame on its side
    QImage out(pw, ph, QImage::Format_RGB32);
    if (out.isNull())
        return out;
    const bool clockwise = choice == RotationChoice::Clockwise;
    for (int y = 0; y < ph; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < pw; ++x) {
            const int wx = clockwise ? y : ph - 1 - y;
            const int wy = clockwise ? pw - 1 - x : x;
            row[x] = reinterpret_cast<const QRgb*>(in.constScanLine(wy))[wx];
        }
    }
    return out;
}

QImage CutFit(const QImage& source, QSize frame)
{
    return CentredFit(source, frame, source.width() > source.height());
}

QImage KeepFit(const QImage& source, QSize frame)
{
    const i64 sw = source.width(), sh = source.height(), pw = frame.width(), ph = frame.height();
    const i64 w2 = sw * ph / sh;
    QImage out = blank(frame, true);
    StretchPicture(out, rectOf((pw - w2) / 2, 0, w2, ph), source, source.rect());
    return out;
}

QImage RotatedPicture(const RotateRequest& request, RotationChoice choice, TrimRadio radio)
{
    const bool portrait = request.mode == RotateMode::Portrait;
    switch (choice) {
    case RotationChoice::Clockwise:
    case RotationChoice::Anticlockwise:
        return TurnWorkPicture(!portrait && radio == TrimRadio::Cut ? request.cutWork : request.work, choice);
    case RotationChoice::CutTopBottom:
        return portrait ? request.cut : QImage();
    case RotationChoice::KeepTopBottom:
        return portrait ? request.keep : QImage();
    default:
        return QImage();
    }
}

std::optional<QImage> FitSourcePicture(const QImage& source, QSize frame, bool rotating, bool bulk,
                                       RotationChoice& remembered, const RotateAsk& ask)
{
    if (source.isNull() || frame.isEmpty())
        return std::nullopt;
    if (!rotating && source.height() <= source.width())
        return PlainFit(source, frame);

    QImage work = BuildWorkPicture(source, frame);
    const RotateMode mode = RotateModeFor(source.size(), rotating);
    if (!bulk || remembered == RotationChoice::None) {
        RotateRequest request;
        request.mode = mode;
        request.bulk = bulk;
        if (mode == RotateMode::Portrait) {
            request.cut = CutFit(source, frame);
            request.keep = KeepFit(source, frame);
        } else {
            request.cutWork = CutWorkPicture(source, frame);
        }
        request.work = work;
        const RotateAnswer answer = ask ? ask(request) : RotateAnswer{};
        if (!answer.accepted)
            return std::nullopt;
        if (mode != RotateMode::Portrait && answer.radio == TrimRadio::Cut)
            work = request.cutWork;
        remembered = answer.choice;
    }
    switch (remembered) {
    case RotationChoice::CutTopBottom:
        return CutFit(source, frame);
    case RotationChoice::KeepTopBottom:
        return KeepFit(source, frame);
    default:
        return TurnWorkPicture(work, remembered);
    }
}

bool LoadSourcePicture(const std::string& path, QSize frame, QImage& source, PhotoExif* exif)
{
    const int side = std::max(frame.width(), frame.height());
    QImage picture;
    std::string bytes;
    if (!LoadChosenPictureScaled(path, side, side, picture, bytes))
        return false;
    // The record comes from the bytes the picture was decoded from; only a file too large to be
    // held whole is read again, for its first part.
    const PhotoExif record = bytes.empty()
                                 ? ReadPhotoExif(path)
                                 : PhotoExifOfFile({reinterpret_cast<const unsigned char*>(bytes.data()),
                                                    bytes.size()});
    if (exif)
        *exif = record;
    source = ApplyExifOrientation(picture, record.orientation);
    return !source.isNull();
}
