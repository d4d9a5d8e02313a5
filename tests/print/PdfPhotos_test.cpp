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
// A one-page PDF as the engine writes it, showing `picture` at 100 x 75 points.
QByteArray pdfShowing(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        QPainter p(&writer);
        p.drawImage(QRect(0, 0, 1000, 750), picture);
    }
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
    const QByteArray document = pdfShowing(shown);

    const struct {
        std::vector<PrintedPhoto> photos;
        int replaced;
    } cases[] = {
        {{{red, QSize(320, 240), {}}}, 1},
        {{{blue, QSize(320, 240), {}}}, 0},                              // another picture of the same size
        {{{moved, QSize(320, 240), {}}}, 0},                             // the same but for a detail
        {{{red, QSize(640, 480), {}}}, 0},                               // drawn at another size
        {{{blue, QSize(320, 240), {}}, {red, QSize(320, 240), {}}}, 1},  // one that is not it is passed over
    };
    for (const auto& c : cases) {
        QByteArray rewritten = document;
        EXPECT_EQ(EmbedPhotoFiles(rewritten, c.photos), c.replaced) << c.photos.front().path;
        if (!c.replaced) {
            EXPECT_EQ(rewritten, document);
            continue;
        }
        // The rewritten document is read as before, and holds the file itself.
        const std::string pdf = dir.file("rewritten.pdf");
        ASSERT_TRUE(WriteFileAtomic(pdf, std::string_view(rewritten.constData(), size_t(rewritten.size()))));
        QProcess::execute("pdfimages",
                          {"-j", QString::fromStdString(pdf), QString::fromStdString(dir.file("x"))});
        std::string embedded, file;
        ASSERT_TRUE(ReadFileBytes(dir.file("x-000.jpg"), embedded));
        ASSERT_TRUE(ReadFileBytes(red, file));
        EXPECT_TRUE(embedded == file);
        QProcess info;
        info.start("pdfinfo", {QString::fromStdString(pdf)});
        info.waitForFinished();
        EXPECT_EQ(info.exitCode(), 0) << info.readAllStandardError().toStdString();
    }
}
