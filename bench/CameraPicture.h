#pragma once
// A picture that compresses like a camera photo (gradients, grain, shapes), for the import benches.
#include <QColor>
#include <QImage>
#include <QPainter>

#include <random>

inline QImage CameraLikePicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(1);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = static_cast<int>(random() % 16);
            row[x] =
                qRgb((x * 255 / w + n) & 255, (y * 255 / h + n) & 255, ((x + y) * 128 / (w + h) + n) & 255);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv(i * 9, 160, 200));
        painter.drawEllipse(QPoint(int(random() % w), int(random() % h)), w / 12, h / 12);
    }
    return image;
}
