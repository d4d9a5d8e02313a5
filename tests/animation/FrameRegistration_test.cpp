#include "animation/FrameRegistration.h"
#include "photos/PictureFile.h"
#include "support/BlobScene.h"
#include "support/RequireWritten.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

namespace {

const QSize kFrame(320, 240);
const QSize kPicture(640, 480);

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

// A pot on a shelf under the sky, as a pupil photographs it from a fixed stand: little texture
// besides the plant, which grows from `stem` pixels with `leaves` pairs of leaves.
QImage PotPhoto(int stem, int leaves, QColor sky)
{
    QImage photo(kPicture, QImage::Format_RGB32);
    QPainter p(&photo);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, 330);
    gradient.setColorAt(0, sky);
    gradient.setColorAt(1, QColor(205, 215, 225));
    p.fillRect(0, 0, 640, 330, gradient);
    p.fillRect(0, 300, 640, 40, QColor(120, 150, 90));
    p.fillRect(0, 340, 640, 140, QColor(176, 150, 112));
    p.setPen(QPen(QColor(140, 115, 85), 2));
    for (int x = 0; x < 640; x += 80)
        p.drawLine(x, 340, x + 40, 480);
    p.setPen(QPen(QColor(40, 140, 40), 6));
    p.drawLine(320, 330, 320, 330 - stem);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 170, 60));
    for (int i = 0; i < leaves; ++i) {
        const int y = 330 - stem + 20 + i * 30;
        p.drawEllipse(QPoint(i % 2 ? 296 : 344, y), 24, 10);
    }
    p.setBrush(QColor(190, 95, 50));
    p.drawPolygon(QPolygon({QPoint(230, 330), QPoint(410, 330), QPoint(390, 440), QPoint(250, 440)}));
    return photo;
}

// Registration meets the photos in colour as drawn, and in the program as the brightness of the
// JPEG files it stores (quality 80).
using Read = std::function<QImage(const QImage&)>;
std::vector<std::pair<const char*, Read>> Reads()
{
    return {{"colour", [](const QImage& photo) { return photo; }},
            {"stored JPEG's brightness", [](const QImage& photo) {
                 QTemporaryDir dir;
                 const std::string path = dir.filePath("photo.jpg").toStdString();
                 RequireWritten(SavePictureFile(path, photo, photo.width(), photo.height(), 80));
                 QImage brightness;
                 EXPECT_TRUE(LoadPictureBrightness(path, brightness));
                 return brightness;
             }}};
}

}  // namespace

TEST(FrameRegistration, FindsKnownShiftsAndZoomsOfAHandHeldSeries)
{
    const QImage scene = BlobScene();
    // Day to day the camera moves up to 60 scene pixels and its distance changes by up to 20%.
    const std::vector<Shot> shots{{800, 600, 960, 0},  {840, 580, 960, 8},  {790, 630, 900, -10},
                                  {760, 610, 1000, 5}, {820, 560, 1100, 0}, {850, 600, 920, 12},
                                  {800, 650, 880, -6}, {770, 590, 1040, 3}, {830, 620, 960, -12},
                                  {810, 600, 1080, 10}};
    for (const auto& [name, read] : Reads()) {
        double worstPosition = 0, worstSize = 0;
        FrameAlignment previous = TrueAlignment(shots[0], shots[0]);
        ASSERT_EQ(previous, FrameAlignment{});
        for (size_t k = 1; k < shots.size(); ++k) {
            const FrameAlignment truth = TrueAlignment(shots[0], shots[k]);
            // The frame starts from what it inherits: the previous frame's alignment.
            const auto proposed = ProposeFrameAlignment(read(Photo(scene, shots[k - 1])), previous,
                                                        read(Photo(scene, shots[k])), previous, kFrame);
            ASSERT_TRUE(proposed.has_value()) << name << ", frame " << k;
            worstPosition = std::max({worstPosition, double(std::abs(proposed->x - truth.x)),
                                      double(std::abs(proposed->y - truth.y))});
            worstSize = std::max(worstSize, double(std::abs(proposed->w - truth.w)));
            previous = *proposed;  // chained, as a pupil would run it from frame to frame
        }
        std::printf("registration of the %s over %zu frames: worst position error %.0f, worst width error "
                    "%.0f frame units\n",
                    name, shots.size() - 1, worstPosition, worstSize);
        EXPECT_LE(worstPosition, 2) << name;
        EXPECT_LE(worstSize, 1) << name;
    }
}

TEST(FrameRegistration, ProposesNothingForAFeaturelessPhoto)
{
    const QImage scene = BlobScene();
    QImage blank(kPicture, QImage::Format_RGB32);
    blank.fill(qRgb(128, 128, 128));
    const FrameAlignment standard;
    EXPECT_FALSE(ProposeFrameAlignment(Photo(scene, {800, 600, 960, 0}), standard, blank, standard, kFrame));
    EXPECT_FALSE(ProposeFrameAlignment(blank, standard, Photo(scene, {800, 600, 960, 0}), standard, kFrame));
}

TEST(FrameRegistration, AStillCameraKeepsItsAlignmentWhileThePlantGrows)
{
    // Day after day the stem grows and the weather changes the sky; the stand never moves.
    const FrameAlignment standard;
    for (const auto& [name, read] : Reads()) {
        FrameAlignment previous = standard;
        QImage before = read(PotPhoto(60, 1, QColor(96, 160, 230)));
        for (int day = 1; day <= 8; ++day) {
            const QImage after = read(
                PotPhoto(60 + day * 18, 1 + day / 2, day % 3 ? QColor(96, 160, 230) : QColor(150, 160, 175)));
            const auto proposed = ProposeFrameAlignment(before, previous, after, previous, kFrame);
            ASSERT_TRUE(proposed.has_value()) << name << ", day " << day;
            previous = *proposed;
            before = after;
        }
        EXPECT_EQ(previous, standard) << name;
    }
}
