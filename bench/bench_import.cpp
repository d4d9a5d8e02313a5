// Importing a camera photo (4000 x 3000, quality 92) into the 640 x 480 day picture: decode at
// the reduced scale, EXIF, fit, encode. Beside it the full-size decode alone, in the same run.
#include "CameraPicture.h"
#include "photos/ExifDate.h"
#include "photos/PhotoFit.h"
#include "photos/PictureFile.h"
#include "support/ExifBuilder.h"
#include "support/RequireWritten.h"

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
        RequireWritten(SavePictureFile(path, image, w, h, 92));
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
        PhotoExif exif;
        if (!LoadSourcePicture(path, kFrame, source, &exif) || !exif.date)
            state.SkipWithError("load failed");
        RotationChoice remembered = choice;
        std::optional<QImage> picture = FitSourcePicture(source, kFrame, false, true, remembered, nullptr);
        if (!picture || !SavePictureFile(out, *picture, 640, 480, 80))
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

// A hostile file of `range(0)` KB: thousands of tiny EXIF segments whose IFD0 offsets all point
// at one big directory after the end marker. The walk's work must grow with the file's size
// only, never with segments times entries.
void BM_ExifWalkManySegments(benchmark::State& state)
{
    const size_t size = static_cast<size_t>(state.range(0)) * 1024;
    const size_t segment = 4 + 6 + 8, segments = size / 2 / segment;
    const size_t directoryAt = 2 + segments * segment + 2;
    exif::Bytes file{0xFF, 0xD8};
    for (size_t i = 0; i < segments; ++i) {
        const uint32_t ifd0 = static_cast<uint32_t>(directoryAt - (file.size() + 10));
        file.insert(file.end(), {0xFF, 0xE1, 0, 16, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, uint8_t(ifd0),
                                 uint8_t(ifd0 >> 8), uint8_t(ifd0 >> 16), uint8_t(ifd0 >> 24)});
    }
    file.insert(file.end(), {0xFF, 0xD9, 0xFF, 0xFF});  // the end marker, then 65535 entries
    file.resize(file.size() + 65535 * 12, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(FindExifTags(std::span<const unsigned char>(file.data(), file.size())));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

}  // namespace

BENCHMARK(BM_ExifWalkManySegments)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLandscape)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPortraitTurned)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeFullSize)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
