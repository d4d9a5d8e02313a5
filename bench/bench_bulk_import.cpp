// The bulk import of a folder of 100 camera photos (4000 x 3000, quality 92) into a fresh
// notebook, day files included, on one thread and on a pool of two.
#include "CameraPicture.h"
#include "store/BulkImport.h"
#include "photos/PictureFile.h"
#include "platform/Progress.h"
#include "support/ExifBuilder.h"
#include "support/RequireWritten.h"

#include <benchmark/benchmark.h>

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kPhotos = 100;

struct Folder {
    QTemporaryDir dir;
    std::vector<std::string> files;
    Folder()
    {
        const int w = 4000, h = 3000;
        const QImage image = CameraLikePicture(w, h);
        const std::string plainPath = dir.filePath("plain.bin").toStdString();
        RequireWritten(SavePictureFile(plainPath + ".jpg", image, w, h, 92));
        QFile plainFile(QString::fromStdString(plainPath + ".jpg"));
        plainFile.open(QIODevice::ReadOnly);
        const QByteArray plain = plainFile.readAll();
        plainFile.close();
        plainFile.remove();
        // One photo a day from New Year, each with its own EXIF date.
        for (int i = 0; i < kPhotos; ++i) {
            const QDate day = QDate(2024, 1, 1).addDays(i);
            const std::string date = day.toString("yyyy:MM:dd").toStdString() + " 08:00:00";
            const exif::Bytes jpeg = exif::WithExif(exif::Bytes(plain.begin(), plain.end()),
                                                    exif::Tiff(false).build({exif::DateEntry()}, {}, date));
            const std::string path =
                dir.filePath(QString("IMG_%1.JPG").arg(i, 4, 10, QChar('0'))).toStdString();
            QFile out(QString::fromStdString(path));
            out.open(QIODevice::WriteOnly);
            out.write(reinterpret_cast<const char*>(jpeg.data()), qint64(jpeg.size()));
            files.push_back(path);
        }
    }
};

const Folder& folder()
{
    static Folder f;
    return f;
}

void BM_BulkImport100(benchmark::State& state)
{
    const Folder& photos = folder();
    for (auto _ : state) {
        QTemporaryDir notebook;
        BulkImportOptions options;
        options.notebookFolder = notebook.path().toStdString();
        options.threads = static_cast<int>(state.range(0));
        SilentProgress progress;
        BulkImportReport r =
            RunBulkImport(ListPhotoFiles(photos.dir.path().toStdString()), options, progress, {});
        if (r.imported != kPhotos)
            state.SkipWithError("not every photo was imported");
    }
    state.SetItemsProcessed(state.iterations() * kPhotos);
}

}  // namespace

BENCHMARK(BM_BulkImport100)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
