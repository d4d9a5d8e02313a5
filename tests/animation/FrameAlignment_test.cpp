#include "animation/FrameAlignment.h"
#include "platform/IniFile.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QSize kFrame(320, 240);

struct Frames {
    TempDir dir;
    std::vector<QDate> dates;
    FrameGeometry geometry;

    explicit Frames(int n)
    {
        // A notebook whose Kelto.ini sets a standard alignment: the middle of the photo.
        geometry.standard = FrameAlignment{160, 120, 160, 120};
        for (int i = 0; i < n; ++i)
            dates.push_back(QDate(2026, 5, 1 + i));
    }
    std::string record(int k) const { return FrameRecordPath(dir.path(), dates[k]); }
    void store(int k, const char* position, const char* size) const
    {
        if (position)
            RequireWritten(IniFile::WriteString(record(k), "Triming", "Position", position));
        if (size)
            RequireWritten(IniFile::WriteString(record(k), "Triming", "Size", size));
    }
    AlignmentLookup read(int k) const { return ReadFrameAlignment(dir.path(), dates, k, geometry); }
};

}  // namespace

TEST(FrameAlignment, LookUpGoesOneFrameBackThenToTheStandard)
{
    Frames f(4);
    f.store(1, "100,50", nullptr);  // frame 1 has a position only

    const AlignmentLookup first = f.read(0);
    EXPECT_EQ(first.alignment, FrameAlignment{});
    EXPECT_TRUE(first.inherited);

    const AlignmentLookup own = f.read(1);  // its own position, the standard size
    EXPECT_EQ(own.alignment, (FrameAlignment{100, 50, 160, 120}));
    EXPECT_TRUE(own.inherited);

    EXPECT_EQ(f.read(2).alignment, (FrameAlignment{100, 50, 160, 120}));  // one back
    EXPECT_EQ(f.read(3).alignment, FrameAlignment{});                     // two back: standard

    f.store(1, nullptr, "80,60");
    EXPECT_FALSE(f.read(1).inherited);
    ASSERT_TRUE(WriteFrameAlignment(f.dir.path(), f.dates[3], {1, 2, 3, 4}));
    EXPECT_EQ(IniFile::ReadString(f.record(3), "Triming", "Position"), "1,2");
    EXPECT_EQ(IniFile::ReadString(f.record(3), "Triming", "Size"), "3,4");
}

// A notebook that never set an alignment shows each photo whole.
TEST(FrameAlignment, AFrameNeverSetShowsTheWholePhoto)
{
    TempDir dir;
    const std::string ini = dir.file("Kelto.ini");
    RequireWritten(IniFile::WriteString(ini, "Triming", "Width", "400"));
    RequireWritten(IniFile::WriteString(ini, "Triming", "Height", "300"));
    const FrameGeometry g = ReadFrameGeometry(ini);
    EXPECT_EQ(g.standard, (FrameAlignment{200, 150, 400, 300}));
    EXPECT_EQ(AlignedSourceRect(g.standard, QSize(640, 480), g.frame), QRect(0, 0, 640, 480));
    RequireWritten(IniFile::WriteString(ini, "Triming", "Size", "200,150"));
    EXPECT_EQ(ReadFrameGeometry(ini).standard, (FrameAlignment{200, 150, 200, 150}));
}

TEST(FrameAlignment, HandEditedValuesStayInsideTheInvariants)
{
    Frames f(1);
    f.store(0, "99999,-5", "0");  // no comma, zero width
    const FrameAlignment a = f.read(0).alignment;
    EXPECT_EQ(a, (FrameAlignment{319, 0, 1, 1}));
    EXPECT_FALSE(ParseAlignmentPair("").has_value());
    EXPECT_EQ(ParseAlignmentPair("7, 8"), (std::pair{7, 8}));
    // A zero-width stored "old" value never divides by zero.
    EXPECT_TRUE(
        ApplyToFollowingFrames(f.dir.path(), f.dates, 0, {10, 10, 20, 15}, {10, 10, 0, 0}, f.geometry));
}

TEST(FrameAlignment, EditsKeepTheFrameAndTheProportions)
{
    FrameAlignment a{160, 120, 2, 1};
    a = ZoomFrame(a, -1, kFrame);
    EXPECT_EQ(a, (FrameAlignment{160, 120, 1, 1}));
    EXPECT_EQ(ZoomFrame(a, -1, kFrame), a);
    // A step is about five per cent of the width shown, and one back undoes it; with `fine` one unit.
    const std::tuple<int, bool, FrameAlignment> steps[] = {{+1, false, {160, 120, 168, 126}},
                                                           {-1, false, {160, 120, 152, 114}},
                                                           {+1, true, {160, 120, 161, 120}},
                                                           {-1, true, {160, 120, 159, 119}}};
    for (const auto& [d, fine, zoomed] : steps) {
        EXPECT_EQ(ZoomFrame({160, 120, 160, 120}, d, kFrame, fine), zoomed) << d << fine;
        EXPECT_EQ(ZoomFrame(ZoomFrame({160, 120, 320, 240}, d, kFrame, fine), -d, kFrame, fine).w, 320);
    }

    EXPECT_EQ(MoveFrame({319, 0, 10, 10}, +1, -1, kFrame), (FrameAlignment{319, 0, 10, 10}));
    EXPECT_EQ(MoveFrame({5, 5, 10, 10}, -1, +1, kFrame), (FrameAlignment{4, 6, 10, 10}));

    // At the standard zoom a screen pixel shows half a frame unit: a drag of 20 pixels to the
    // right moves the centre 10 units left, so the photo follows the pointer.
    EXPECT_EQ(DragFrame({160, 120, 160, 120}, 20, -8, kFrame), (FrameAlignment{150, 124, 160, 120}));
    EXPECT_EQ(DragFrame({160, 120, 320, 240}, 20, 0, kFrame).x, 140);
    EXPECT_EQ(DragFrame({5, 5, 320, 240}, 400, 400, kFrame), (FrameAlignment{0, 0, 320, 240}));
}

TEST(FrameAlignment, CarryOverMovesEachLaterFrameOnceFromWhatItShowed)
{
    // Thirty frames without values of their own, the second reduced by one step: every frame
    // from it on shows the same reduction, not one more step per frame.
    {
        Frames f(30);
        const FrameAlignment old = f.read(1).alignment;
        ASSERT_TRUE(ApplyToFollowingFrames(f.dir.path(), f.dates, 1, ZoomFrame(old, +1, kFrame, true), old,
                                           f.geometry));
        EXPECT_FALSE(IniFile::HasKey(f.record(0), "Triming", "Size"));
        for (int j = 1; j < 30; ++j) {
            EXPECT_EQ(IniFile::ReadString(f.record(j), "Triming", "Size"), "161,120") << j;
            EXPECT_EQ(IniFile::ReadString(f.record(j), "Triming", "Position"), "160,120") << j;
        }
    }
    // Frame 3 has values, frame 4 inherits them, frame 5 (two back) shows the standard, frame 6
    // holds a hand-edited size out of the frame's proportions.
    const struct {
        const char* name;
        FrameAlignment cur;  // frame 3 was {100, 100, 160, 120}
        FrameAlignment later[3];
    } cases[] = {
        {"moved", {110, 95, 160, 120}, {{110, 95, 160, 120}, {170, 115, 160, 120}, {210, 45, 100, 50}}},
        {"enlarged", {110, 100, 80, 60}, {{110, 100, 80, 60}, {170, 120, 80, 60}, {210, 50, 50, 37}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Frames f(7);
        f.store(3, "100,100", "160,120");
        f.store(6, "200,50", "100,50");
        ASSERT_TRUE(ApplyToFollowingFrames(f.dir.path(), f.dates, 3, c.cur, f.read(3).alignment, f.geometry));
        EXPECT_EQ(f.read(3).alignment, c.cur);
        for (int j = 4; j < 7; ++j) {
            EXPECT_EQ(f.read(j).alignment, c.later[j - 4]) << j;
            EXPECT_FALSE(f.read(j).inherited);
        }
        EXPECT_FALSE(IniFile::HasKey(f.record(2), "Triming", "Position"));  // earlier frames untouched
    }
}

TEST(FrameAlignment, DrawnFrameShowsTheAlignedPartOfThePhoto)
{
    // A 640 x 480 photo: left half red, right half blue, a green 4-pixel block at (400, 300).
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::red);
    {
        QPainter p(&photo);
        p.fillRect(320, 0, 320, 480, Qt::blue);
        p.fillRect(400, 300, 4, 4, Qt::green);
    }
    EXPECT_EQ(AlignedSourceRect({160, 120, 160, 120}, photo.size(), kFrame), QRect(160, 120, 320, 240));

    QImage frame(kFrame, QImage::Format_RGB32);
    frame.fill(Qt::white);
    {
        QPainter p(&frame);
        DrawAlignedFrame(p, {0, 0}, photo, {160, 120, 160, 120}, kFrame);  // 1:1, photo (160..479)
    }
    EXPECT_EQ(frame.pixel(100, 100), QColor(Qt::red).rgb());
    EXPECT_EQ(frame.pixel(200, 100), QColor(Qt::blue).rgb());
    EXPECT_EQ(frame.pixel(241, 181), QColor(Qt::green).rgb());  // (400, 300) - (160, 120)

    // Centred at the photo's right edge: the part beyond it is black, the rest the photo.
    frame.fill(Qt::white);
    {
        QPainter p(&frame);
        DrawAlignedFrame(p, {0, 0}, photo, {319, 120, 160, 120}, kFrame);
    }
    EXPECT_EQ(frame.pixel(100, 100), QColor(Qt::blue).rgb());
    EXPECT_EQ(frame.pixel(250, 100), QColor(Qt::black).rgb());

    QImage a(1, 1, QImage::Format_RGB32), b(1, 1, QImage::Format_RGB32);
    a.fill(qRgb(201, 255, 0));
    b.fill(qRgb(100, 255, 0));
    EXPECT_EQ(BlendFrames(a, b).pixel(0, 0), qRgb(150, 254, 0));
}
