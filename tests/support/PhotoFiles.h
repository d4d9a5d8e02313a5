#pragma once
// Photo files for the import tests: a JPEG with an EXIF date and orientation.
#include "photos/PictureFile.h"
#include "support/ExifBuilder.h"
#include "support/TempDir.h"

#include <QFile>
#include <QImage>

// A JPEG photo of `size` (red top half, blue bottom half as stored) with an EXIF date (none
// when `date` is empty) and orientation; empty when it could not be written.
inline std::string WritePhoto(const TempDir& dir, const std::string& name, QSize size,
                              const std::string& date, int orientation = 1)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < size.height() / 2; ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    const std::string plain = dir.file("plain-" + name + ".jpg");
    if (!SavePictureFile(plain, image, size.width(), size.height(), 90))
        return {};
    QFile in(QString::fromStdString(plain));
    in.open(QIODevice::ReadOnly);
    const QByteArray data = in.readAll();
    in.close();
    QFile::remove(QString::fromStdString(plain));
    exif::Bytes jpeg(data.begin(), data.end());
    if (!date.empty()) {
        exif::Bytes tiff =
            exif::Tiff(false).build({{0x0112, 3, 1, uint32_t(orientation)}, exif::DateEntry()}, {}, date);
        jpeg = exif::WithExif(jpeg, tiff);
    }
    const std::string path = dir.file(name);
    QFile out(QString::fromStdString(path));
    out.open(QIODevice::WriteOnly);
    out.write(reinterpret_cast<const char*>(jpeg.data()), qint64(jpeg.size()));
    return path;
}
