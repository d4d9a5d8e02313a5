// Printing: the page list of the print settings, sheets in a PDF file looked at as images, and
// the PDF file's safety.
#include "photos/PictureFile.h"
#include "print/PrintLayout.h"
#include "print/PrintPages.h"
#include "print/PrintSheets.h"
#include "support/NotebookFixture.h"
#include "support/RequireWritten.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QProcess>

#include <optional>

#include <gtest/gtest.h>

namespace {
PrintOptions options(bool detail, bool graph, bool list, PrintRange range)
{
    PrintOptions o;
    o.detail = detail;
    o.graph = graph;
    o.list = list;
    o.range = range;
    return o;
}

// A notebook of the shipped layout and sheet whose days each have a red photo.
class PrintFixture : public NotebookFixture {
public:
    PrintFixture()
    {
        for (const char* file : {"Layout.ini", "Print.ini"})
            RequireWritten(CopyFileSafe(JoinPath(KELTO_KIT_DIR, file), JoinPath(program, file), false));
        EXPECT_TRUE(WriteNotebookKey(notebook, "SchoolName", "みどり小学校"));
    }
    void addPhotoDay(const QDate& date, QSize size = QSize(640, 480))
    {
        addDay(DateToInt(date));
        QImage red(size, QImage::Format_RGB32);
        red.fill(Qt::red);
        RequireWritten(
            SavePictureFile(DayFilePath(notebook, date, "jpg"), red, size.width(), size.height(), 90));
    }
    CNotebook& openOn(const QDate& today)
    {
        m_today.emplace(today);
        return open();
    }

private:
    std::optional<Clock::FixedToday> m_today;
};

int pdfPages(const std::string& pdf)
{
    QProcess info;
    info.start("pdfinfo", {QString::fromStdString(pdf)});
    info.waitForFinished();
    for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The sizes of the images a PDF embeds, as "WxH", in the order pdfimages lists them.
QStringList embeddedSizes(const std::string& pdf)
{
    QProcess images;
    images.start("pdfimages", {"-list", QString::fromStdString(pdf)});
    images.waitForFinished();
    QStringList sizes;
    const QStringList lines =
        QString::fromUtf8(images.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (qsizetype k = 2; k < lines.size(); ++k)
        sizes << lines[k].simplified().split(' ').mid(3, 2).join('x');
    return sizes;
}

// Sheet `n` (from 1) of the PDF at `dpi`.
QImage renderSheet(const std::string& pdf, int n, int dpi, const std::string& prefix)
{
    const QString page = QString::number(n);
    QProcess::execute("pdftoppm", {"-r", QString::number(dpi), "-png", "-singlefile", "-f", page, "-l", page,
                                   QString::fromStdString(pdf), QString::fromStdString(prefix)});
    return QImage(QString::fromStdString(prefix + ".png"));
}
}  // namespace

TEST(PrintPages, ThePagesOfEachRange)
{
    PrintFixture f;
    for (int d = 1; d <= 7; ++d)
        f.addDay(20130500 + d);
    f.addDay(20130601);
    CNotebook& nb = f.openOn(QDate(2013, 6, 10));

    // Seven records with detail and list: 9 pages on 5 sheets, the ninth (the list from the
    // seventh day) alone on sheet 5.
    nb.SetCalendarMonth(2013, 5);
    nb.SetViewMode(ViewMode::Calendar);
    PrintPlan plan = nb.BuildPrintPages(options(true, false, true, PrintRange::ShownMonth));
    EXPECT_EQ(plan.total(), 9);
    EXPECT_EQ(plan.sheets(), 5);
    const PrintPage ninth = PrintPageAt(plan, 8);
    EXPECT_EQ(ninth.kind, PrintPage::List);
    EXPECT_EQ(ninth.date, QDate(2013, 5, 7));
    EXPECT_EQ(PrintPageAt(plan, 9).kind, PrintPage::None);

    // Range 1 in the detail view with all kinds: the day, its month's graph, the list from it.
    ASSERT_TRUE(nb.LoadDay(QDate(2013, 5, 3)));
    nb.SetViewMode(ViewMode::Detail);
    plan = nb.BuildPrintPages(options(true, true, true, PrintRange::ShownPage));
    EXPECT_EQ(plan.total(), 3);
    EXPECT_EQ(plan.sheets(), 2);
    EXPECT_EQ(PrintPageAt(plan, 0).kind, PrintPage::Detail);
    EXPECT_EQ(PrintPageAt(plan, 1).kind, PrintPage::Graph);
    EXPECT_EQ(PrintPageAt(plan, 2).kind, PrintPage::List);

    // Range 3 takes every record: 8 detail pages, graphs of May and June.
    plan = nb.BuildPrintPages(options(true, true, false, PrintRange::AllData));
    EXPECT_EQ(plan.detailPages, 8);
    EXPECT_EQ(plan.graphPages, 2);
    EXPECT_EQ(PrintPageAt(plan, 9).month, QDate(2013, 6, 1));
}

TEST(PrintPages, GraphPagesSpanTheMonthsOfTheRecords)
{
    const std::vector<QDate> dates = {QDate(2012, 11, 20), QDate(2012, 12, 31), QDate(2013, 2, 3)};
    const PrintPlan plan = BuildPrintPages(options(false, true, false, PrintRange::AllData), dates, dates[0]);
    ASSERT_EQ(plan.graphPages, 4);
    const QDate months[] = {QDate(2012, 11, 1), QDate(2012, 12, 1), QDate(2013, 1, 1), QDate(2013, 2, 1)};
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ(PrintPageAt(plan, p).month, months[p]) << p;
    // Older records left out of the scan still start the graphs, and no month is left out.
    const PrintPlan older =
        BuildPrintPages(options(false, true, false, PrintRange::AllData), dates, QDate(2012, 9, 5));
    EXPECT_EQ(older.graphPages, 6);
    EXPECT_EQ(PrintPageAt(older, 5).month, QDate(2013, 2, 1));
    EXPECT_EQ(BuildPrintPages(options(false, true, false, PrintRange::AllData), {}, QDate()).total(), 0);
}

TEST(PrintSettings, DefaultsFollowTheViewAndBadSizesFallBack)
{
    TempDir dir;
    const std::string ini = dir.file("Print.ini");
    auto read = [&] {
        const PrintSettings s = ReadPrintSettings(ini, QSize(780, 496));
        return std::vector<int>{s.PrintWidth, s.PrintHeight, s.PrintY, s.PreviewWidth, s.PreviewHeight};
    };
    EXPECT_EQ(read(), (std::vector<int>{780, 992, 0, 496, 780}));
    RequireWritten(WriteFileAtomic(ini, "[Print]\nWidth=0\nHeight=2147483647\nY=100\n[Preview]\nWidth=-5\n"));
    EXPECT_EQ(read(), (std::vector<int>{780, 992, 100, 496, 780}));
}

// Sheets 1 and 5 of seven photo days printed with detail and list pages, looked at as images:
// the header box, the photo and the data table's line where the layout puts them, the photos
// embedded compressed at their own size.
TEST(PrintSheets, APrintedSheetLooksAsLaidOut)
{
    PrintFixture f;
    for (int d = 1; d <= 7; ++d)
        f.addPhotoDay(QDate(2013, 5, d));
    CNotebook& nb = f.openOn(QDate(2013, 6, 10));
    const QDate shown = nb.currentDate();
    const std::string pdf = f.temp.file("notebook.pdf");
    RequireWritten(nb.PrintToPdf(pdf, options(true, false, true, PrintRange::AllData)));
    EXPECT_EQ(pdfPages(pdf), 5);
    EXPECT_EQ(nb.currentDate(), shown);  // the current day never moved
    // Each photo once, at its own size, as JPEG: pdfimages lists page, num, type, w, h, ..., enc.
    QProcess images;
    images.start("pdfimages", {"-list", QString::fromStdString(pdf)});
    images.waitForFinished();
    const QStringList found =
        QString::fromUtf8(images.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(found.size(), 2);
    const QStringList photo = found[2].simplified().split(' ');
    EXPECT_EQ(photo.mid(3, 2).join('x') + " " + photo[8], "640x480 jpeg");

    // A4 with 10 mm margins; the 780 x 1100 sheet of Print.ini fills the rest.
    const int dpi = 72;
    const double margin = 10 / 25.4 * dpi, width = 595.276 / 72 * dpi - 2 * margin,
                 height = 841.89 / 72 * dpi - 2 * margin;
    auto at = [&](double x, double y) {
        return QPoint(qRound(margin + x * width / 780), qRound(margin + y * height / 1100));
    };
    auto darkNear = [](const QImage& img, QPoint p) {
        for (int dy = -1; dy <= 1; ++dy)
            if (qGray(img.pixel(p.x(), p.y() + dy)) < 128)
                return true;
        return false;
    };
    const QImage sheet1 = renderSheet(pdf, 1, dpi, f.temp.file("sheet1"));
    ASSERT_FALSE(sheet1.isNull());
    // Layout.ini [Print]: box at (10, 36), 700 x 60, rows of 30, captions 80 wide.
    EXPECT_TRUE(darkNear(sheet1, at(360, 36)));
    EXPECT_TRUE(darkNear(sheet1, at(360, 96)));
    EXPECT_FALSE(darkNear(sheet1, at(360, 120)));
    int schoolInk = 0;  // the school's name in the first value cell
    for (int x = at(94, 0).x(); x < at(200, 0).x(); ++x)
        for (int y = at(0, 40).y(); y < at(0, 62).y(); ++y)
            schoolInk += qGray(sheet1.pixel(x, y)) < 128;
    EXPECT_GT(schoolInk, 10);
    // The photo at [Picture] (36, 84) of both pages (upper page at Y 104, the lower 496 below).
    for (int top : {104, 600}) {
        const QColor photo = sheet1.pixelColor(at(36 + 160, top + 84 + 120));
        EXPECT_TRUE(photo.red() > 200 && photo.green() < 60) << top << " " << photo.name().toStdString();
        // The data table's first row line at [Data1] y 84 + 22.
        EXPECT_TRUE(darkNear(sheet1, at(560, top + 84 + 22))) << top;
    }

    // Sheet 5: the second list page on top, the lower half white.
    const QImage sheet5 = renderSheet(pdf, 5, dpi, f.temp.file("sheet5"));
    ASSERT_FALSE(sheet5.isNull());
    EXPECT_TRUE(darkNear(sheet5, at(100, 104 + 146)));  // the list table's top line
    int lowerInk = 0;
    for (int y = at(0, 600).y(); y < at(0, 1096).y(); ++y)
        for (int x = at(0, 0).x(); x < at(780, 0).x(); ++x)
            lowerInk += qGray(sheet5.pixel(x, y)) < 250;
    EXPECT_EQ(lowerInk, 0);
}

// A photo larger than its place on the sheet goes into the PDF at the size printed (the photo
// frame, 320 x 240 of the 780 x 1100 sheet stretched over 190 x 277 mm at 300 dpi: 922 x 715);
// one smaller than its place at its own size, as its file. The list shows that file again; the
// other photo's list picture goes in at the list's size.
TEST(PrintSheets, PhotosAreEmbeddedNoLargerThanPrinted)
{
    PrintFixture f;
    f.addPhotoDay(QDate(2013, 5, 1), QSize(1600, 1200));
    f.addPhotoDay(QDate(2013, 5, 2));
    CNotebook& nb = f.openOn(QDate(2013, 6, 10));
    const std::string pdf = f.temp.file("notebook.pdf");
    RequireWritten(nb.PrintToPdf(pdf, options(true, false, true, PrintRange::AllData)));
    const QStringList sizes = embeddedSizes(pdf);
    ASSERT_EQ(sizes.size(), 4) << sizes.join(' ').toStdString();
    EXPECT_EQ(sizes[0], "922x715");
    EXPECT_EQ(sizes[1], "640x480");
    EXPECT_LT(sizes[2].split('x')[0].toInt(), 640);  // day 1's list picture, at its place's size
    EXPECT_EQ(sizes[3], "640x480");                  // day 2's: the file that its detail page shows

    // The photo printed at its own size is its file, byte for byte, not a re-encoding of it.
    QProcess::execute("pdfimages", {"-j", "-f", "1", "-l", "1", QString::fromStdString(pdf),
                                    QString::fromStdString(f.temp.file("image"))});
    std::string embedded, file;
    ASSERT_TRUE(ReadFileBytes(f.temp.file("image-001.jpg"), embedded));
    ASSERT_TRUE(ReadFileBytes(DayFilePath(f.notebook, QDate(2013, 5, 2), "jpg"), file));
    EXPECT_TRUE(embedded == file);
    ASSERT_TRUE(ReadFileBytes(f.temp.file("image-000.jpg"), embedded));
    EXPECT_NE(embedded.size(), 0u);
}

TEST(PrintSheets, AFailedPdfLeavesTheFileThatWasThere)
{
    PrintFixture f;
    f.addDay(20130501);
    CNotebook& nb = f.openOn(QDate(2013, 6, 10));
    const std::string pdf = f.temp.file("out/notebook.pdf");
    f.temp.mkdir("out");
    RequireWritten(WriteFileAtomic(pdf, "the old file"));
    SetWriteFaultHook([&](const std::string& p) { return p == pdf; });
    const Result printed = nb.PrintToPdf(pdf, options(true, true, true, PrintRange::AllData));
    SetWriteFaultHook(nullptr);
    EXPECT_EQ(printed.message, Msg::PrintFailed);
    EXPECT_EQ(PdfFailureText(printed), pdf + ": write failed");
    std::string bytes;
    ReadFileBytes(pdf, bytes);
    EXPECT_EQ(bytes, "the old file");
    EXPECT_EQ(QDir(QString::fromStdString(f.temp.file("out"))).entryList(QDir::Files).size(), 1);

    // Nothing in range is no file at all.
    EXPECT_EQ(
        nb.PrintToPdf(f.temp.file("none.pdf"), options(false, false, false, PrintRange::AllData)).message,
        Msg::NothingToPrint);
    EXPECT_FALSE(FileExists(f.temp.file("none.pdf")));
}

// The preview shows the sheets the print then prints; a cancelled system dialog prints nothing.
TEST(PrintSheets, PrintingFromThePreviewPrintsTheSheetsShown)
{
    PrintFixture f;
    for (int d = 1; d <= 3; ++d)
        f.addPhotoDay(QDate(2013, 5, d));
    CNotebook& nb = f.openOn(QDate(2013, 6, 10));
    nb.SetViewMode(ViewMode::Calendar);
    nb.SetCalendarMonth(2013, 5);
    f.host.printPdf = f.temp.file("printed.pdf");
    int shown = 0;
    QImage first;
    f.host.printDialog = [&](const PrintDialogOps& ops) {
        EXPECT_FALSE(ops.detailView);
        EXPECT_TRUE(ops.preview(options(true, true, false, PrintRange::ShownMonth)));
    };
    f.host.previewDialog = [&](const PreviewSheets& sheets) {
        shown = sheets.count;
        EXPECT_EQ(sheets.shownSize, QSize(482, 680));  // the shipped Print.ini [Preview]
        first = sheets.sheet(0);
        return true;
    };
    nb.Print();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(pdfPages(f.host.printPdf), shown);
    ASSERT_EQ(first.size(), QSize(780, 1100));
    EXPECT_GT(first.pixelColor(36 + 160, 104 + 84 + 120).red(), 240);
    EXPECT_LT(first.pixelColor(36 + 160, 104 + 84 + 120).green(), 20);
    EXPECT_EQ(first.pixelColor(5, 1090), QColor(Qt::white));

    f.host.printPdf.clear();
    f.host.printDialog = [](const PrintDialogOps& ops) { ops.print(PrintOptions{}); };
    nb.Print();
    EXPECT_EQ(f.host.systemPrintDialogs, 2);
    EXPECT_TRUE(f.prompt.asked().empty());
}

// A document whose finish asks for it is drawn once more, and the second drawing is the file.
TEST(PrintSheets, APdfIsDrawnAgainWhenItsFinishAsks)
{
    PrintFixture f;
    const std::string pdf = f.temp.file("again.pdf");
    int draws = 0, finishes = 0;
    RequireWritten(WritePdfFile(
        pdf, DefaultPdfPageLayout(), 72,
        [&](QPagedPaintDevice& device) {
            QPainter p(&device);
            const int pages = ++draws;  // one page the first time, two the second
            for (int page = 2; page <= pages; ++page)
                device.newPage();
            return true;
        },
        [&](QByteArray&) { return ++finishes > 1; }));
    EXPECT_EQ(draws, 2);
    EXPECT_EQ(finishes, 2);
    EXPECT_EQ(pdfPages(pdf), 2);
}
