#include "animation/FrameRegistration.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

const QSize kFrame(320, 240);
const QSize kPicture(640, 480);

// A scene with blobs of every size, photographed by hand: each photo is a crop of it (centre
// and width known) scaled to the picture size, a little brighter or darker each day.
QImage Scene()
{
    QImage scene(1600, 1200, QImage::Format_RGB32);
    scene.fill(qRgb(90, 120, 70));
    QPainter p(&scene);
    p.setRenderHint(QPainter::Antialiasing);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> x(0, 1600), y(0, 1200), r(6, 90), c(0, 255);
    for (int i = 0; i < 500; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(c(rng), c(rng), c(rng)));
        const int radius = r(rng);
        p.drawEllipse(QPoint(x(rng), y(rng)), radius, radius * 2 / 3);
    }
    return scene;
}

struct Shot {
    int cx, cy, width;  // the crop in scene pixels; its height is width * 3 / 4
    int light;          // added to every channel
};

QImage Photo(const QImage& scene, const Shot& s)
{
    const QRect crop(s.cx - s.width / 2, s.cy - s.width * 3 / 8, s.width, s.width * 3 / 4);
    QImage photo = scene.copy(crop).scaled(kPicture, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int yy = 0; yy < photo.height(); ++yy) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(yy));
        for (int xx = 0; xx < photo.width(); ++xx) {
            auto add = [&](int v) { return std::clamp(v + s.light, 0, 255); };
            line[xx] = qRgb(add(qRed(line[xx])), add(qGreen(line[xx])), add(qBlue(line[xx])));
        }
    }
    return photo;
}

// The alignment of `shot` that shows the scene part the standard alignment shows of `first`.
FrameAlignment TrueAlignment(const Shot& first, const Shot& shot)
{
    const double scale0 = first.width / 640.0, scale = shot.width / 640.0;
    const double sceneCx = first.cx - first.width / 2.0 + 320 * scale0;  // photo 0's (320, 240)
    const double sceneCy = first.cy - first.width * 3 / 8.0 + 240 * scale0;
    const double sceneW = 320 * scale0;  // photo 0's 320 source pixels
    const double cx = (sceneCx - (shot.cx - shot.width / 2.0)) / scale;
    const double cy = (sceneCy - (shot.cy - shot.width * 3 / 8.0)) / scale;
    const double w = sceneW / scale / 2;
    return FrameAlignment{int(std::lround(cx / 2)), int(std::lround(cy / 2)), int(std::lround(w)),
                          int(std::lround(w * 3 / 4))};
}

}  // namespace

TEST(FrameRegistration, FindsKnownShiftsAndZoomsOfAHandHeldSeries)
{
    const QImage scene = Scene();
    // Day to day the camera moves up to 60 scene pixels and its distance changes by up to 20%.
    const std::vector<Shot> shots{{800, 600, 960, 0},  {840, 580, 960, 8},  {790, 630, 900, -10},
                                  {760, 610, 1000, 5}, {820, 560, 1100, 0}, {850, 600, 920, 12},
                                  {800, 650, 880, -6}, {770, 590, 1040, 3}, {830, 620, 960, -12},
                                  {810, 600, 1080, 10}};
    double worstPosition = 0, worstSize = 0;
    FrameAlignment previous = TrueAlignment(shots[0], shots[0]);
    ASSERT_EQ(previous, FrameAlignment{});
    for (size_t k = 1; k < shots.size(); ++k) {
        const FrameAlignment truth = TrueAlignment(shots[0], shots[k]);
        // The frame starts from what it inherits: the previous frame's alignment.
        const auto proposed = ProposeFrameAlignment(Photo(scene, shots[k - 1]), previous,
                                                    Photo(scene, shots[k]), previous, kFrame);
        ASSERT_TRUE(proposed.has_value()) << "frame " << k;
        worstPosition = std::max({worstPosition, double(std::abs(proposed->x - truth.x)),
                                  double(std::abs(proposed->y - truth.y))});
        worstSize = std::max(worstSize, double(std::abs(proposed->w - truth.w)));
        previous = *proposed;  // chained, as a pupil would run it from frame to frame
    }
    std::printf(
        "registration over %zu frames: worst position error %.0f, worst width error %.0f frame units\n",
        shots.size() - 1, worstPosition, worstSize);
    EXPECT_LE(worstPosition, 2);
    EXPECT_LE(worstSize, 1);
}

TEST(FrameRegistration, ProposesNothingForAFeaturelessPhoto)
{
    const QImage scene = Scene();
    QImage blank(kPicture, QImage::Format_RGB32);
    blank.fill(qRgb(128, 128, 128));
    const FrameAlignment standard;
    EXPECT_FALSE(ProposeFrameAlignment(Photo(scene, {800, 600, 960, 0}), standard, blank, standard, kFrame));
    EXPECT_FALSE(ProposeFrameAlignment(blank, standard, Photo(scene, {800, 600, 960, 0}), standard, kFrame));
}
