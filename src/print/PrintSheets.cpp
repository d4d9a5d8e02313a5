#include "print/PrintSheets.h"

#include "platform/Files.h"
#include "views/PageDraw.h"

#include <QBuffer>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

bool PrintSheets(QPagedPaintDevice& device, const PrintSettings& s, int totalPages,
                 const std::optional<QFont>& font, const DrawPrintPage& drawPage)
{
    QPainter p;
    if (!p.begin(&device))
        return false;
    p.setWindow(0, 0, s.PrintWidth, s.PrintHeight);
    p.setViewport(0, 0, device.width(), device.height());
    PreparePagePainter(p);
    if (font)
        p.setFont(*font);
    bool ok = true;
    for (int slot = 0; slot < totalPages; slot += 2) {
        if (slot > 0 && !device.newPage()) {
            ok = false;
            break;
        }
        drawPage(p, slot);
        if (slot + 1 < totalPages)
            drawPage(p, slot + 1);
    }
    return p.end() && ok;
}

QPageLayout DefaultPdfPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

Result WritePdfFile(const std::string& path, const QPageLayout& layout, int resolution,
                    const std::function<bool(QPagedPaintDevice&)>& print,
                    const std::function<bool(QByteArray&)>& finish)
{
    QSaveFile file(QString::fromStdString(path));
    auto fail = [&](const QString& why) {
        file.cancelWriting();
        return Result::Failed(Msg::PrintFailed, path, why.toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // Written into memory first when the bytes are to be rewritten.
    QByteArray document;
    auto paint = [&] {
        document.clear();
        QBuffer buffer(&document);
        if (finish)
            buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(finish ? static_cast<QIODevice*>(&buffer) : &file);
        pdf.setCreator(QStringLiteral("Kelto"));
        pdf.setTitle(QStringLiteral("Kelto"));
        pdf.setResolution(resolution);
        pdf.setPageLayout(layout);
        return print(pdf);
    };  // the writer finishes the file when it goes
    if (!paint())
        return fail(QStringLiteral("the pages could not be drawn"));
    if (finish) {
        if (!finish(document)) {
            // Asked for once more: the second drawing is taken as it finishes.
            if (!paint())
                return fail(QStringLiteral("the pages could not be drawn"));
            (void)finish(document);
        }
        if (file.write(document) != document.size())
            return fail(file.errorString());
    }
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (WriteFaultFor(path))
        return fail(QStringLiteral("write failed"));
    // The file's bytes must be on the disk before it takes the name: the commit below does not
    // tell when they could not be.
    if (fdatasync(file.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.commit())
        return fail(file.errorString());
    return Result{};
}

std::string PdfFailureText(const Result& failure)
{
    return failure.path + ": " + failure.detail;
}
