#include "animation/FrameAlignment.h"

#include "platform/IniFile.h"
#include "store/DayList.h"
#include "store/DayRecord.h"
#include "store/KeltoIni.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace {

constexpr const char* kSection = "Triming";
constexpr const char* kPosition = "Position";
constexpr const char* kSize = "Size";

std::string FormatPair(int a, int b)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d", a, b);
    return text;
}

int ClampInt(long long v, int lo, int hi)
{
    return static_cast<int>(std::clamp<long long>(v, lo, hi));
}

// One key of a record as a pair, none when the record has no value for it.
std::optional<std::pair<int, int>> ReadPair(const std::string& record, const char* key)
{
    return ParseAlignmentPair(IniFile::ReadString(record, kSection, key));
}

std::pair<int, int> PositionOf(const FrameAlignment& a)
{
    return {a.x, a.y};
}
std::pair<int, int> SizeOf(const FrameAlignment& a)
{
    return {a.w, a.h};
}

FrameAlignment Combine(std::pair<int, int> position, std::pair<int, int> size)
{
    return FrameAlignment{position.first, position.second, size.first, size.second};
}

}  // namespace

int BoundAnimationSpeed(int speed)
{
    return std::clamp(speed, kMinAnimationSpeed, kMaxAnimationSpeed);
}

int ReadAnimationSpeed(const std::string& keltoIni)
{
    return BoundAnimationSpeed(ReadSettingInt(keltoIni, AnimationSpeedSetting));
}

FrameGeometry ReadFrameGeometry(const std::string& keltoIni)
{
    FrameGeometry g;
    const int fw = IniFile::ReadInt(keltoIni, kSection, "Width", 320);
    const int fh = IniFile::ReadInt(keltoIni, kSection, "Height", 240);
    // A frame is shown in a dialog and written to a video: sizes no screen or codec takes fall
    // back to the defaults instead of failing every frame.
    if (fw >= 16 && fw <= 4096 && fh >= 16 && fh <= 4096)
        g.frame = QSize(fw, fh);
    const FrameAlignment whole = WholePhotoAlignment(g.frame);
    const auto position = ParseAlignmentPair(IniFile::ReadString(keltoIni, kSection, kPosition));
    const auto size = ParseAlignmentPair(IniFile::ReadString(keltoIni, kSection, kSize));
    g.standard =
        ClampAlignment(Combine(position.value_or(PositionOf(whole)), size.value_or(SizeOf(whole))), g.frame);
    return g;
}

FrameAlignment WholePhotoAlignment(QSize frame)
{
    return FrameAlignment{frame.width() / 2, frame.height() / 2, frame.width(), frame.height()};
}

std::vector<QDate> ScanFrames(const std::string& notebookFolder)
{
    return ScanDayList(notebookFolder, DayFilter{"jpg"}).dates;
}

std::string FramePhotoPath(const std::string& notebookFolder, const QDate& date)
{
    return DayFilePath(notebookFolder, date, "jpg");
}

std::string FrameRecordPath(const std::string& notebookFolder, const QDate& date)
{
    return DayFilePath(notebookFolder, date, "dat");
}

std::optional<std::pair<int, int>> ParseAlignmentPair(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    const int first = IniFile::ParseInt(text);
    const size_t comma = text.find(',');
    const int second = comma == std::string_view::npos ? 0 : IniFile::ParseInt(text.substr(comma + 1));
    return std::pair{first, second};
}

FrameAlignment ClampAlignment(FrameAlignment a, QSize frame)
{
    a.x = std::clamp(a.x, 0, frame.width() - 1);
    a.y = std::clamp(a.y, 0, frame.height() - 1);
    a.w = std::max(a.w, 1);
    a.h = std::max(a.h, 1);
    return a;
}

AlignmentLookup ReadFrameAlignment(const std::string& notebookFolder, const std::vector<QDate>& frames, int k,
                                   const FrameGeometry& geometry)
{
    AlignmentLookup result{geometry.standard, false};
    if (k < 0 || k >= static_cast<int>(frames.size()))
        return result;
    const std::string own = FrameRecordPath(notebookFolder, frames[k]);
    const std::string previous = k >= 1 ? FrameRecordPath(notebookFolder, frames[k - 1]) : std::string();
    auto lookUp = [&](const char* key, std::pair<int, int> standard) {
        if (auto v = ReadPair(own, key))
            return *v;
        result.inherited = true;
        if (k >= 1)
            if (auto v = ReadPair(previous, key))
                return *v;
        return standard;
    };
    const auto position = lookUp(kPosition, PositionOf(geometry.standard));
    const auto size = lookUp(kSize, SizeOf(geometry.standard));
    result.alignment = ClampAlignment(Combine(position, size), geometry.frame);
    return result;
}

FrameAlignment ReadOwnFrameAlignment(const std::string& notebookFolder, const QDate& date,
                                     const FrameGeometry& geometry)
{
    const std::string record = FrameRecordPath(notebookFolder, date);
    const auto position = ReadPair(record, kPosition).value_or(PositionOf(geometry.standard));
    const auto size = ReadPair(record, kSize).value_or(SizeOf(geometry.standard));
    return ClampAlignment(Combine(position, size), geometry.frame);
}

Result WriteFrameAlignment(const std::string& notebookFolder, const QDate& date, const FrameAlignment& a)
{
    const std::string record = FrameRecordPath(notebookFolder, date);
    return IniFile::WriteKeys(record, kSection,
                              {{kPosition, FormatPair(a.x, a.y)}, {kSize, FormatPair(a.w, a.h)}})
        .as(Msg::DayWriteFailed);
}

QRect AlignedSourceRect(const FrameAlignment& a, QSize picture, QSize frame)
{
    const long long pw = picture.width(), ph = picture.height();
    const long long fw = std::max(frame.width(), 1), fh = std::max(frame.height(), 1);
    const long long sw = a.w * pw / fw, sh = a.h * ph / fh;
    const long long left = a.x * pw / fw - sw / 2, top = a.y * ph / fh - sh / 2;
    const int limit = 1 << 28;
    return QRect(ClampInt(left, -limit, limit), ClampInt(top, -limit, limit), ClampInt(sw, 0, limit),
                 ClampInt(sh, 0, limit));
}

void DrawAlignedFrame(QPainter& target, QPoint origin, const QImage& picture, const FrameAlignment& a,
                      QSize frame)
{
    DrawFrameSource(target, origin, picture, AlignedSourceRect(a, picture.size(), frame), frame);
}

void DrawFrameSource(QPainter& target, QPoint origin, const QImage& picture, const QRect& source, QSize frame)
{
    const QRect frameRect(origin, frame);
    const QRect visible = source.intersected(picture.rect());
    if (picture.isNull() || source.isEmpty() || visible.isEmpty()) {
        target.fillRect(frameRect, Qt::black);
        return;
    }
    if (visible != source)
        target.fillRect(frameRect, Qt::black);
    // The visible part of the source lands where it lies within the whole source rectangle.
    const double sx = double(frame.width()) / source.width(), sy = double(frame.height()) / source.height();
    const QRectF to(origin.x() + (visible.x() - source.x()) * sx,
                    origin.y() + (visible.y() - source.y()) * sy, visible.width() * sx,
                    visible.height() * sy);
    target.save();
    target.setRenderHint(QPainter::SmoothPixmapTransform, true);
    target.setClipRect(frameRect, Qt::IntersectClip);
    if (to.size() == QSizeF(visible.size()))
        target.drawImage(to.topLeft(), picture, visible);
    else if (visible.width() > 2 * to.width() && visible.height() > 2 * to.height())
        // Strong reductions average areas first; the painter alone would sample.
        target.drawImage(to, picture.copy(visible).scaled(qRound(to.width()), qRound(to.height()),
                                                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    else
        target.drawImage(to, picture, QRectF(visible));
    target.restore();
}

FrameAlignment ZoomFrame(FrameAlignment a, int d, QSize frame, bool fine)
{
    // A step enlarges by 20/21 and reduces by 21/20, so one of each comes back to the same size.
    const long long old = a.w;
    long long w = old + d;
    if (!fine && d < 0)
        w = std::min(w, std::llround(old * 20.0 / 21.0));
    else if (!fine && d > 0)
        w = std::max(w, std::llround(old * 21.0 / 20.0));
    // A size read from a day file may be as large as an int holds: never step past it.
    if (w <= 0 || w > std::numeric_limits<int>::max())
        return a;
    a.w = static_cast<int>(w);
    a.h = std::max(
        1, static_cast<int>(static_cast<long long>(frame.height()) * a.w / std::max(frame.width(), 1)));
    return a;
}

FrameAlignment MoveFrame(FrameAlignment a, int dx, int dy, QSize frame)
{
    a.x = ClampInt(static_cast<long long>(a.x) + dx, 0, frame.width() - 1);
    a.y = ClampInt(static_cast<long long>(a.y) + dy, 0, frame.height() - 1);
    return a;
}

FrameAlignment DragFrame(FrameAlignment a, int dx, int dy, QSize frame)
{
    // One screen pixel shows w / frame width frame units of the photo.
    const double ux = double(a.w) / std::max(frame.width(), 1),
                 uy = double(a.h) / std::max(frame.height(), 1);
    const long long mx = std::llround(dx * ux), my = std::llround(dy * uy);
    a.x = ClampInt(a.x - mx, 0, frame.width() - 1);
    a.y = ClampInt(a.y - my, 0, frame.height() - 1);
    return a;
}

QImage BlendFrames(const QImage& current, const QImage& previous)
{
    QImage a = current.convertToFormat(QImage::Format_RGB32);
    const QImage b = previous.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size())
        return a;
    for (int y = 0; y < a.height(); ++y) {
        auto* out = reinterpret_cast<uint8_t*>(a.scanLine(y));
        const auto* in = reinterpret_cast<const uint8_t*>(b.constScanLine(y));
        for (int i = 0; i < a.width() * 4; ++i)
            out[i] = static_cast<uint8_t>(out[i] / 2 + in[i] / 2);
    }
    return a;
}

StoredAlignment ReadStoredAlignment(const std::string& notebookFolder, const QDate& date)
{
    const std::string record = FrameRecordPath(notebookFolder, date);
    auto stored = [&](const char* key) {
        return IniFile::HasKey(record, kSection, key) ? std::optional(IniFile::ReadString(record, kSection, key))
                                                      : std::nullopt;
    };
    return StoredAlignment{date, stored(kPosition), stored(kSize)};
}

Result RestoreStoredAlignment(const std::string& notebookFolder, const StoredAlignment& stored)
{
    // Both keys in one write: a failure never leaves the old position with the new size.
    const std::string record = FrameRecordPath(notebookFolder, stored.date);
    return IniFile::WriteChanges(record,
                                 {{kSection, kPosition, stored.position}, {kSection, kSize, stored.size}})
        .as(Msg::DayWriteFailed);
}

FrameAlignment CarryAlignment(const FrameAlignment& shown, const FrameAlignment& cur, const FrameAlignment& old,
                              QSize frame)
{
    FrameAlignment next = shown;
    if (cur.w != old.w || cur.h != old.h) {
        next.w = ClampInt(static_cast<long long>(shown.w) * cur.w / std::max(old.w, 1), 1, 1 << 28);
        next.h = ClampInt(static_cast<long long>(frame.height()) * next.w / std::max(frame.width(), 1), 1,
                          1 << 28);
    }
    next.x = ClampInt(static_cast<long long>(shown.x) + cur.x - old.x, 0, frame.width() - 1);
    next.y = ClampInt(static_cast<long long>(shown.y) + cur.y - old.y, 0, frame.height() - 1);
    return next;
}

Result ApplyToFollowingFrames(const std::string& notebookFolder, const std::vector<QDate>& frames, int k,
                              const FrameAlignment& cur, const FrameAlignment& old,
                              const FrameGeometry& geometry, std::vector<StoredAlignment>* before)
{
    const int first = std::max(k, 0), count = static_cast<int>(frames.size());
    std::vector<FrameAlignment> shown;
    for (int j = first; j < count; ++j)
        shown.push_back(ReadFrameAlignment(notebookFolder, frames, j, geometry).alignment);
    for (int j = first; j < count; ++j) {
        const FrameAlignment next = j == k ? cur : CarryAlignment(shown[j - first], cur, old, geometry.frame);
        if (before && j != k)
            before->push_back(ReadStoredAlignment(notebookFolder, frames[j]));
        if (Result r = WriteFrameAlignment(notebookFolder, frames[j], next); !r)
            return r;
    }
    return {};
}
