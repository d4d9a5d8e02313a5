// The controller's side of printing: the page list of the print settings, each page drawn by
// the screen's painters from its own day's files, the sheets on a printer or in a PDF file, and
// the preview of the same sheets.
#include "app/CNotebook.h"

#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "print/PrintPictures.h"
#include "print/PrintSheets.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"
#include "store/NotebookFile.h"
#include "views/PageDraw.h"

#include <QPainter>

void CNotebook::LoadPrintSettings()
{
    m_print.settings = ReadPrintSettings(m_printSettingsFile, viewSize());
    m_print.font = CreatePageFont(ReadSettingText(m_settingsFile, KeltoIni::FontName),
                                  ReadSettingInt(m_settingsFile, KeltoIni::FontSize));
}

void CNotebook::Print()
{
    if (!m_host || dayCount() == 0)
        return;
    PrintDialogOps ops;
    ops.detailView = InitPrintDialog();
    ops.print = [this](const PrintOptions& o) { PrintDocument(o); };
    // A preview that ends with its print button prints, and the settings dialog closes.
    ops.preview = [this](const PrintOptions& o) {
        if (!RunPreview(o))
            return false;
        PrintDocument(o);
        return true;
    };
    m_host->RunPrintDialog(ops);
}

bool CNotebook::InitPrintDialog()
{
    // The pages are drawn from the day files: what the user sees is written first. A change
    // the user keeps unwritten still prints, from the day held now.
    (void)FlushDay();
    // The font dialog may have changed the print font since the last print.
    LoadPrintSettings();
    return m_viewMode == ViewMode::Detail;
}

const PrintPlan& CNotebook::BuildPrintPages(const PrintOptions& options)
{
    // The month on show: the current day's on the detail page, else the month the pages show.
    const QDate shown =
        m_viewMode == ViewMode::Detail && currentDate().isValid() ? currentDate() : m_calendarMonth;
    m_print.month = shown.isValid() ? QDate(shown.year(), shown.month(), 1) : QDate();
    std::vector<QDate> dates;
    if (options.range != PrintRange::ShownPage) {
        DayFilter filter;
        if (options.range == PrintRange::ShownMonth && m_print.month.isValid()) {
            filter.year = m_print.month.year();
            filter.month = m_print.month.month();
        }
        dates = ScanDayList(m_notebookFolder, filter).dates;
    }
    m_print.plan = ::BuildPrintPages(options, std::move(dates), m_days.first);
    m_print.listed =
        options.list ? ListedDays(m_notebookFolder, m_paging.listMode, Clock::Today()) : std::vector<QDate>{};
    // The graph pages' months from the site, each asked once, before any page is drawn.
    std::vector<QDate> months;
    for (int page = 0; page < m_print.plan.total(); ++page)
        if (const PrintPage p = PrintPageAt(m_print.plan, page); p.kind == PrintPage::Graph)
            months.push_back(p.month.isValid() ? p.month : m_print.month);
    PrefetchGraphWeather(months);
    return m_print.plan;
}

PageSnapshot CNotebook::printSnapshot(const PrintPage& page, PrintingTarget target)
{
    PageSnapshot s = PageSnapshotNow();
    s.printing = target;
    switch (page.kind) {
    case PrintPage::Detail:
        s.mode = ViewMode::Detail;
        // The day held now prints as it is shown, written or not; others from their files.
        if (page.date.isValid() && page.date != currentDate()) {
            s.day = DayRecord{};
            if (m_print.pictures) {
                // The photo the print's worker decoded ahead; the values are read here.
                s.day.date = page.date;
                s.day.picture = m_print.pictures->TakePhoto(page.date);
                ReadDayValues(m_notebookFolder, page.date, &s.day.weather, &s.day.measurements);
            } else {
                ReadDayFiles(m_notebookFolder, page.date, s.day);
            }
            s.currentDate = page.date;
            s.dayNumber = m_store.DayNumber(page.date);
        }
        s.shownYear = s.currentDate.year();
        s.shownMonth = s.currentDate.month();
        break;
    case PrintPage::Graph: {
        s.mode = ViewMode::Graph;
        const QDate month = page.month.isValid() ? page.month : m_print.month;
        s.shownYear = month.year();
        s.shownMonth = month.month();
        GraphMonth days = ReadGraphMonth(m_notebookFolder, month.year(), month.month(), s.today);
        GraphWeather weather = MonthWeatherForGraph(month.year(), month.month(), &days);
        s.graph = GraphInput{m_paging.graphSettings, std::move(days), std::move(weather)};
        break;
    }
    case PrintPage::List:
        s.mode = ViewMode::List;
        if (page.date.isValid())
            s.currentDate = page.date;
        s.list.mode = m_paging.listMode;
        s.list.listed = m_print.listed;
        if (m_print.pictures)
            s.list.pictures = [pictures = m_print.pictures.get()](const QDate& date, QSize device) {
                return pictures->ListPicture(date, device);
            };
        break;
    case PrintPage::None:
        break;
    }
    return s;
}

void CNotebook::DrawPrintSlot(QPainter& p, int page, PrintingTarget target)
{
    const PrintSettings& ps = m_print.settings;
    int y = ps.PrintY + m_viewHeight;
    if (page % 2 == 0) {
        p.fillRect(0, 0, ps.PrintWidth, ps.PrintHeight, Qt::white);
        DrawPrintHeader(p, ps.PrintX, 0, m_layoutFile, ReadNotebookInfo(m_notebookFolder));
        y = ps.PrintY;
    }
    if (m_print.pictures) {
        m_print.pictures->SetListPictureSize(DeviceSize(p, m_pages.List.PicWidth, m_pages.List.PicHeight));
        m_print.pictures->SetPhotoAreaSize(DeviceSize(p, m_trimingWidth, m_trimingHeight));
    }
    const PrintPage what = PrintPageAt(m_print.plan, page);
    if (what.kind == PrintPage::None)
        return;
    m_pages.DrawPage(p, QPoint(ps.PrintX, y), printSnapshot(what, target));
}

QImage CNotebook::DrawPreviewSheet(int slot)
{
    QImage sheet(m_print.settings.PrintWidth, m_print.settings.PrintHeight, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    PreparePagePainter(p);
    if (m_print.font)
        p.setFont(*m_print.font);
    DrawPrintSlot(p, slot, PrintingPreview);
    DrawPrintSlot(p, slot + 1, PrintingPreview);
    return sheet;
}

bool CNotebook::printSheets(QPagedPaintDevice& device, const PrintOptions& options, bool standIns)
{
    BuildPrintPages(options);
    // Each photo decoded once, ahead of the drawing: the detail pages' days in page order (the
    // current day prints as it is held), and which of them the list pages show too.
    std::vector<QDate> detailDays;
    for (int page = 0; page < m_print.plan.total(); ++page) {
        const PrintPage what = PrintPageAt(m_print.plan, page);
        if (what.kind == PrintPage::Detail && what.date.isValid() && what.date != currentDate())
            detailDays.push_back(what.date);
    }
    m_print.pictures = std::make_shared<PrintPictures>(
        m_notebookFolder, std::move(detailDays),
        std::set<QDate>(m_print.listed.begin(), m_print.listed.end()), standIns);
    const bool ok = PrintSheets(device, m_print.settings, m_print.plan.total(), m_print.font,
                                [this](QPainter& p, int page) { DrawPrintSlot(p, page, PrintingPrinter); });
    m_print.printedPhotos = m_print.pictures->printed();
    RestoreAfterPrint();
    return ok;
}

bool CNotebook::PrintDocument(const PrintOptions& options)
{
    if (!m_host || BuildPrintPages(options).total() == 0)
        return false;
    const PrintOutcome r =
        m_host->RunSystemPrintDialog([&](QPagedPaintDevice& device) { return printSheets(device, options); });
    if (r.confirmed && !r.printed)
        m_prompt.tell(Msg::PrintFailed, Icon::Stop,
                      std::string(LoadString(Msg::PrintFailed)) + (r.error.empty() ? "" : "\n" + r.error));
    return r.printed;
}

Result CNotebook::PrintToPdf(const std::string& path, const PrintOptions& options)
{
    LoadPrintSettings();
    if (BuildPrintPages(options).total() == 0)
        return Result::Failed(Msg::NothingToPrint, {});
    // The photos printed at their own size go in as their files, not re-encoded: drawn first
    // from small stand-ins, which their files replace. Should a file not take its stand-in's
    // place, the document is drawn again from the photos themselves.
    bool standIns = true;
    Result written = WritePdfFile(
        path, DefaultPdfPageLayout(), kPdfResolution,
        [&](QPagedPaintDevice& device) { return printSheets(device, options, standIns); },
        [&](QByteArray& document) {
            int left = 0;
            EmbedPhotoFiles(document, m_print.printedPhotos, &left);
            standIns = left == 0;  // with one left, drawn again without any
            return standIns;
        });
    m_print.printedPhotos.clear();
    return written;
}

bool CNotebook::RunPreview(const PrintOptions& options)
{
    if (!m_host)
        return false;
    BuildPrintPages(options);
    PreviewSheets sheets;
    sheets.count = m_print.plan.sheets();
    sheets.shownSize = QSize(m_print.settings.PreviewWidth, m_print.settings.PreviewHeight);
    sheets.sheet = [this](int k) { return DrawPreviewSheet(2 * k); };
    const bool print = m_host->RunPreviewDialog(sheets);
    RestoreAfterPrint();
    return print;
}

void CNotebook::RestoreAfterPrint()
{
    m_print.pictures.reset();
    // The pages were drawn from snapshots: the current day and the month on show never moved.
    m_print.plan = PrintPlan{};
    m_print.listed.clear();
}
