// Importing a camera photo (4000 x 3000, quality 92) into the 640 x 480 day picture: decode at
// the reduced scale, EXIF, fit, encode. Beside it the full-size decode alone, in the same run.
#include "CameraPicture.h"
#include "photos/ExifDate.h"
#include "photos/PhotoFit.h"
#include "photos/PictureFile.h"
#include "support/ExifBuilder.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const QSize kFrame(640, 480);

struct Photos {
    QTemporaryDir dir;
    std::string landscape, portrait;
    Photos()
    {
        landscape = make(4000, 3000, "landscape.jpg");
        portrait = make(3000, 4000, "portrait.jpg");
    }
    std::string make(int w, int h, const char* name)
    {
        const QImage image = CameraLikePicture(w, h);
        std::string path = dir.filePath(name).toStdString();
        SavePictureFile(path, image, w, h, 92, nullptr);
        // A camera's EXIF record with its date, as every camera photo has.
        QFile file(QString::fromStdString(path));
        file.open(QIODevice::ReadOnly);
        const QByteArray plain = file.readAll();
        file.close();
        const exif::Bytes withExif = exif::WithExif(exif::Bytes(plain.begin(), plain.end()),
                                                    exif::Tiff(false).build({exif::DateEntry()}));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(reinterpret_cast<const char*>(withExif.data()), qint64(withExif.size()));
        return path;
    }
};

const Photos& photos()
{
    static Photos p;
    return p;
}

void importPhoto(benchmark::State& state, const std::string& path, RotationChoice choice)
{
    const std::string out = QTemporaryDir().path().toStdString() + ".jpg";
    for (auto _ : state) {
        QImage source;
        if (!LoadSourcePicture(path, kFrame, source))
            state.SkipWithError("load failed");
        QDate date;
        benchmark::DoNotOptimize(ReadPhotoDate(path, date));
        RotationChoice remembered = choice;
        std::optional<QImage> picture = FitSourcePicture(source, kFrame, false, true, remembered, nullptr);
        if (!picture || !SavePictureFile(out, *picture, 640, 480, 80, nullptr))
            state.SkipWithError("fit or save failed");
    }
    std::remove(out.c_str());
}

void BM_ImportLandscape(benchmark::State& state)
{
    importPhoto(state, photos().landscape, RotationChoice::None);
}

void BM_ImportPortraitTurned(benchmark::State& state)
{
    importPhoto(state, photos().portrait, RotationChoice::Clockwise);
}

void BM_DecodeFullSize(benchmark::State& state)
{
    for (auto _ : state) {
        QImage picture;
        if (!LoadPictureFile(photos().landscape, picture))
            state.SkipWithError("load failed");
    }
}

}  // namespace

BENCHMARK(BM_ImportLandscape)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPortraitTurned)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeFullSize)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
