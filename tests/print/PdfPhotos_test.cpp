// Photo files in place of the PDF engine's re-encodings: only where the document and the
// picture are what they must be.
#include "print/PdfPhotos.h"

#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

TEST(PdfPhotos, LeavesWhatItCannotReadAsItIs)
{
    const std::vector<PrintedPhoto> photos{{"/nonexistent/photo.jpg", QSize(640, 480), {}}};
    const QByteArray object = "1 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n/Width 640\n/Height 480\n"
                              "/ColorSpace /DeviceRGB\n/Length 4\n/Filter /DCTDecode\n>>\nstream\nabcd\n"
                              "endstream\nendobj\n";
    const QByteArray table =
        "xref\n0 2\n0000000000 65535 f \n0000000009 00000 n \ntrailer\n<<\n/Size 2\n>>\n";
    const QByteArray whole =
        "%PDF-1.4\n" + object + table + "startxref\n" + QByteArray::number(9 + object.size()) + "\n%%EOF\n";
    for (const QByteArray& document :
         {QByteArray(), QByteArray("not a document"), whole.left(whole.size() / 2),
          QByteArray(whole).replace("startxref\n", "startxref\n9"), whole}) {
        QByteArray rewritten = document;
        // The last one is whole, but its photo file is missing: nothing to put in.
        EXPECT_EQ(EmbedPhotoFiles(rewritten, photos), 0);
        EXPECT_EQ(rewritten, document);
    }
}

namespace {
// A PDF as the engine writes it, showing `picture` at 100 x 75 points and then, on a second
// page, each of `reduced` (the list's copies) at 30 x 22 points.
QByteArray pdfShowing(const QImage& picture, const std::vector<QImage>& reduced = {})
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        QPainter p(&writer);
        p.drawImage(QRect(0, 0, 1000, 750), picture);
        if (!reduced.empty())
            writer.newPage();
        for (size_t k = 0; k < reduced.size(); ++k)
            p.drawImage(QRect(int(k) * 400, 0, 300, 225), reduced[k]);
    }
    return bytes;
}

QByteArray jpegOf(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "jpeg", 90);
    return bytes;
}

QImage filled(QColor color)
{
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(color);
    // A little detail, so a picture and its neighbour differ somewhere, as two days' photos do.
    QPainter(&picture).fillRect(100, 80, 40, 40, color.darker(200));
    return picture;
}
}  // namespace

TEST(PdfPhotos, PutsInOnlyTheFileOfThePictureShown)
{
    const TempDir dir;
    const std::string red = dir.file("red.jpg"), blue = dir.file("blue.jpg"), moved = dir.file("moved.jpg");
    ASSERT_TRUE(SavePictureFile(red, filled(Qt::red), 320, 240, 80));
    ASSERT_TRUE(SavePictureFile(blue, filled(Qt::blue), 320, 240, 80));
    QImage shifted = filled(Qt::red);
    QPainter(&shifted).fillRect(180, 80, 40, 40, QColor(Qt::red).darker(200));  // another day's leaf
    ASSERT_TRUE(SavePictureFile(moved, shifted, 320, 240, 80));
    QImage shown;
    ASSERT_TRUE(LoadPictureFile(red, shown));
    const QImage reducedRed = shown.scaled(80, 60), reducedBlue = filled(Qt::blue).scaled(80, 60);
    const QByteArray document = pdfShowing(shown, {reducedRed, reducedBlue});
    // The same drawn from the photo decoded at an eighth, standing in for its file.
    QImage standIn, blueStandIn;
    ASSERT_TRUE(LoadPictureScaled(red, 1, 1, standIn));
    ASSERT_TRUE(LoadPictureScaled(blue, 1, 1, blueStandIn));
    ASSERT_EQ(standIn.size(), QSize(40, 30));
    const QByteArray standInDocument = pdfShowing(standIn, {reducedRed, reducedBlue});

    const struct {
        std::vector<PrintedPhoto> photos;
        int replaced;
        int pictures = 3;  // the pictures the rewritten document holds
        int put = 0;       // which of them, in the order drawn, is now the first photo's bytes
        bool standIn = false;
    } cases[] = {
        // A stand-in's place takes its file, at the file's size; another file's does not.
        {{{red, QSize(40, 30), {}, QSize(320, 240), standIn}}, 1, 3, 0, true},
        {{{blue, QSize(40, 30), {}, QSize(320, 240), blueStandIn}}, 0, 3, 0, true},
        {{{red, QSize(40, 30), {}, QSize(320, 240), standIn}, {red, QSize(80, 60), jpegOf(reducedRed)}},
         2,
         2,
         0,
         true},
        {{{red, QSize(320, 240), {}}}, 1},
        {{{blue, QSize(320, 240), {}}}, 0},                              // another picture of the same size
        {{{moved, QSize(320, 240), {}}}, 0},                             // the same but for a detail
        {{{red, QSize(640, 480), {}}}, 0},                               // drawn at another size
        {{{blue, QSize(320, 240), {}}, {red, QSize(320, 240), {}}}, 1},  // one that is not it is passed over
        // The list's copy of a photo that went in whole shows the file; another day's stays.
        {{{red, QSize(320, 240), {}},
          {red, QSize(80, 60), jpegOf(reducedRed)},
          {blue, QSize(80, 60), jpegOf(reducedBlue)}},
         3,
         2},
        // Without the photo whole, the copy goes in as its own JPEG.
        {{{red, QSize(80, 60), jpegOf(reducedRed)}}, 1, 3, 1},
    };
    for (const auto& c : cases) {
        QByteArray rewritten = c.standIn ? standInDocument : document;
        int left = -1;
        EXPECT_EQ(EmbedPhotoFiles(rewritten, c.photos, &left), c.replaced) << c.photos.front().path;
        EXPECT_EQ(left, c.standIn && !c.replaced ? 1 : 0) << c.photos.front().path;
        if (!c.replaced) {
            EXPECT_EQ(rewritten, c.standIn ? standInDocument : document);
            continue;
        }
        // The rewritten document is read as before, and holds the file itself.
        const std::string pdf = dir.file("rewritten.pdf");
        ASSERT_TRUE(WriteFileAtomic(pdf, std::string_view(rewritten.constData(), size_t(rewritten.size()))));
        QProcess::execute("pdfimages",
                          {"-j", QString::fromStdString(pdf), QString::fromStdString(dir.file("x"))});
        std::string embedded, file;
        ASSERT_TRUE(ReadFileBytes(dir.file("x-00" + std::to_string(c.put) + ".jpg"), embedded));
        if (c.photos.front().jpeg.isEmpty()) {
            ASSERT_TRUE(ReadFileBytes(red, file));
        } else {
            file = c.photos.front().jpeg.toStdString();
        }
        EXPECT_TRUE(embedded == file);
        // Every picture drawn is there, each once (the list's copy shows the whole file's object).
        QProcess list;
        list.start("pdfimages", {"-list", QString::fromStdString(pdf)});
        list.waitForFinished();
        QSet<QString> objects;
        QStringList sizes;
        int drawn = 0;
        for (const QString& line : QString::fromUtf8(list.readAllStandardOutput()).split('\n').mid(2)) {
            const QStringList f = line.split(' ', Qt::SkipEmptyParts);
            if (f.size() > 11) {
                ++drawn;
                objects.insert(f[10]);  // the image's object number
                sizes << f[3] + "x" + f[4];
            }
        }
        if (c.photos.front().jpeg.isEmpty()) {
            EXPECT_EQ(sizes.value(c.put), "320x240") << c.photos.front().path;  // the file at its own size
        }
        EXPECT_EQ(drawn, 3);
        EXPECT_EQ(objects.size(), c.pictures);
        QProcess info;
        info.start("pdfinfo", {QString::fromStdString(pdf)});
        info.waitForFinished();
        EXPECT_EQ(info.exitCode(), 0) << info.readAllStandardError().toStdString();
    }
}
