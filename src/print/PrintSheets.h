#pragma once
// Printing pages two to a sheet on any paged device (a printer, a PDF file): the logical sheet
// is mapped onto the device's printable area, stretched separately in width and height.
#include "platform/Result.h"
#include "print/PrintLayout.h"

#include <QByteArray>
#include <QFont>
#include <QPageLayout>

#include <functional>
#include <optional>
#include <string>

class QPagedPaintDevice;
class QPainter;

// Draws page `page` of the list into the painter (sheet coordinates).
using DrawPrintPage = std::function<void(QPainter&, int page)>;

// Sheets of `totalPages` pages: pages 2k and 2k+1 on sheet k. `font`: the print font, when
// one is set. False when the device could not be painted on or could not start a sheet.
[[nodiscard]] bool PrintSheets(QPagedPaintDevice& device, const PrintSettings& settings, int totalPages,
                               const std::optional<QFont>& font, const DrawPrintPage& drawPage);

// The pages of a PDF file: A4 portrait with 10 mm margins at 300 dots per inch.
QPageLayout DefaultPdfPageLayout();
inline constexpr int kPdfResolution = 300;

// Writes a PDF file through `print`, which paints on the device it is given. The file is
// written beside `path` under another name and takes its name only once it is complete: a
// failure (message 220) leaves what was at `path` before and says what went wrong in its detail.
// `finish`, when given, may rewrite the document's bytes before they are written; when it
// returns false, the document is drawn anew through `print` and finished again, once.
[[nodiscard]] Result WritePdfFile(const std::string& path, const QPageLayout& layout, int resolution,
                                  const std::function<bool(QPagedPaintDevice&)>& print,
                                  const std::function<bool(QByteArray&)>& finish = {});
// A failed PDF write as the print messages show it: the file, then what went wrong.
std::string PdfFailureText(const Result& failure);
