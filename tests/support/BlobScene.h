#pragma once
// A scene with blobs of every size and colour over green, for the registration test and bench:
// photos of a hand-held series are crops of it.
#include <QImage>
#include <QPainter>

#include <random>

inline QImage BlobScene()
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
