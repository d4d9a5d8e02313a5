// Photo files in place of the PDF engine's re-encodings: only where the document and the
// picture are what they must be.
#include "print/PdfPhotos.h"

#include <gtest/gtest.h>

TEST(PdfPhotos, LeavesWhatItCannotReadAsItIs)
{
    const std::vector<PrintedPhoto> photos{{"/nonexistent/photo.jpg", QSize(640, 480)}};
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
