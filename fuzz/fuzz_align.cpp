// Frame alignment keys: arbitrary bytes as two photo days' records (the second with the input
// reversed, so one can hold a key the other lacks), read as the animation player and the video
// export read them, drawn, edited and written back. Properties: an alignment read is inside what
// every edit keeps, the edits stay inside it too, the part of the photo it shows is a sane
// rectangle, and an alignment written reads back as written while the record's other keys stay.
#include "FuzzSupport.h"
#include "animation/FrameAlignment.h"
#include "platform/IniFile.h"
#include "store/DayRecord.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <string>


namespace {

void checkInside(const FrameAlignment& a, QSize frame)
{
    if (a.x < 0 || a.x >= frame.width() || a.y < 0 || a.y >= frame.height() || a.w < 1 || a.h < 1)
        fuzz::Fail("an alignment outside what the edits keep");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& folder = fuzz::ScratchNotebook();
    const std::vector<QDate> frames = {QDate(2024, 5, 1), QDate(2024, 5, 2)};
    std::string reversed(reinterpret_cast<const char*>(data), size);
    std::reverse(reversed.begin(), reversed.end());
    fuzz::WriteFile(FrameRecordPath(folder, frames[0]), data, size);
    fuzz::WriteFile(FrameRecordPath(folder, frames[1]), reinterpret_cast<const uint8_t*>(reversed.data()),
                    reversed.size());

    FrameGeometry geometry;
    geometry.frame = QSize(320, 240);
    const QImage picture(64, 48, QImage::Format_RGB32);
    QImage frame(geometry.frame, QImage::Format_RGB32);
    for (int k = 0; k < 2; ++k) {
        const FrameAlignment a = ReadFrameAlignment(folder, frames, k, geometry).alignment;
        checkInside(a, geometry.frame);
        checkInside(ReadOwnFrameAlignment(folder, frames[k], geometry), geometry.frame);
        for (QSize photo : {QSize(64, 48), QSize(65500, 65500), QSize(1, 1)}) {
            const QRect source = AlignedSourceRect(a, photo, geometry.frame);
            if (source.width() < 0 || source.height() < 0)
                fuzz::Fail("a source rectangle of negative size");
        }
        QPainter p(&frame);
        DrawAlignedFrame(p, QPoint(0, 0), picture, a, geometry.frame);
        p.end();
        checkInside(ZoomFrame(a, -1, geometry.frame), geometry.frame);
        checkInside(ZoomFrame(a, 1, geometry.frame), geometry.frame);
        checkInside(MoveFrame(a, 3, -2, geometry.frame), geometry.frame);
        checkInside(DragFrame(a, -40, 25, geometry.frame), geometry.frame);
    }

    // Written back over the first record: it reads back, and the weather key stays.
    const std::string record = FrameRecordPath(folder, frames[0]);
    const std::string lowTemp = IniFile::ReadString(record, "Weather", "LowTemp", "none");
    const FrameAlignment edited{17, 23, 90, 67};
    if (!WriteFrameAlignment(folder, frames[0], edited).ok())
        return 0;
    if (ReadOwnFrameAlignment(folder, frames[0], geometry) != edited)
        fuzz::Fail("the alignment written does not read back");
    if (IniFile::ReadString(record, "Weather", "LowTemp", "none") != lowTemp)
        fuzz::Fail("writing the alignment changed another key");
    return 0;
}
