// The detail page: the current day's photo, its data table and its memo, over the background.
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "views/LayoutIni.h"
#include "views/PageDraw.h"
#include "views/PageViews.h"

#include <QPainter>
#include <QTextBoundaryFinder>

namespace {
// The box shows a few lines: the head of a memo file is all that is read.
constexpr size_t kMemoReadBytes = 256 * 1024;

// The memo template's line that tells how to close the editor; it is not part of the memo.
constexpr const char* kEditorExitLine = "メモ帳の終了コマンド";

std::string oneDecimal(float v)
{
    return FormatMeasure(v);
}

bool temperatureSet(float v)
{
    return v > kUnsetTemperature;
}

struct Geometry {
    int X, Y, W, H;
};

// The photo area: the layout's corner and the trimming size of Kelto.ini, bounded like every
// layout size so a hand-edited size never scales a picture to gigabytes.
Geometry pictureArea(const PageSnapshot& s)
{
    return {ReadLayoutInt(s.layoutFile, LayoutIni::PictureX),
            ReadLayoutInt(s.layoutFile, LayoutIni::PictureY), ClampLayout(s.pictureArea.width(), 0),
            ClampLayout(s.pictureArea.height(), 0)};
}

Geometry memoBox(const std::string& layout)
{
    return {ReadLayoutInt(layout, LayoutIni::MemoX), ReadLayoutInt(layout, LayoutIni::MemoY),
            ReadLayoutInt(layout, LayoutIni::MemoWidth), ReadLayoutInt(layout, LayoutIni::MemoHeight)};
}

// Where a row may end in `line`: after each whole character (grapheme), in order.
std::vector<qsizetype> characterEnds(const QString& line)
{
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
    while (finder.toNextBoundary() > 0)
        ends.push_back(finder.position());
    return ends;
}

// The row of `line` that starts after character `first` (at `offset`): the number of whole
// characters that fit in `maxWidth`, at least one. A row is measured as a whole, so kerning and
// shaping count as drawn; the search gallops and then halves, so a row costs about its length
// times log(its length), never the length of the rest of the line.
size_t fittingCharacters(const QString& line, const std::vector<qsizetype>& ends, size_t first, int maxWidth,
                         const std::function<int(const QString&)>& measure)
{
    const qsizetype offset = first == 0 ? 0 : ends[first - 1];
    const size_t available = ends.size() - first;
    auto fits = [&](size_t n) { return measure(line.mid(offset, ends[first + n - 1] - offset)) <= maxWidth; };
    size_t good = 0, bad = 0;  // fits(good) holds (or good is 0), fits(bad) does not (or bad is 0)
    for (size_t probe = 1; probe < available; probe *= 2) {
        if (!fits(probe)) {
            bad = probe;
            break;
        }
        good = probe;
    }
    if (bad == 0) {
        if (fits(available))
            return available;
        bad = available;
    }
    while (bad - good > 1) {
        const size_t mid = good + (bad - good) / 2;
        (fits(mid) ? good : bad) = mid;
    }
    // A character wider than the whole row still takes the row, so every row moves on.
    return good > 0 ? good : 1;
}
}  // namespace

std::vector<QString> LayoutMemoLines(const std::string& utf8Text, int maxWidth, int maxLines,
                                     const std::function<int(const QString&)>& measure)
{
    std::vector<QString> rows;
    if (maxLines <= 0)
        return rows;
    const QString text = QString::fromStdString(utf8Text);
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString exitLine = QString::fromUtf8(kEditorExitLine);
    const size_t limit = static_cast<size_t>(maxLines);
    for (qsizetype li = 0; li < lines.size() && rows.size() < limit; ++li) {
        QString line = lines[li];
        // A final line end does not start another (empty) line.
        if (li == lines.size() - 1 && line.isEmpty())
            break;
        if (line.contains(exitLine))
            continue;
        while (!line.isEmpty() && line.back().unicode() < 32)
            line.chop(1);
        if (measure(line) <= maxWidth) {
            rows.push_back(line);
            continue;
        }
        const std::vector<qsizetype> ends = characterEnds(line);
        size_t first = 0;  // characters already placed
        while (first < ends.size() && rows.size() < limit) {
            const qsizetype offset = first == 0 ? 0 : ends[first - 1];
            const size_t n = fittingCharacters(line, ends, first, maxWidth, measure);
            rows.push_back(line.mid(offset, ends[first + n - 1] - offset));
            first += n;
        }
    }
    return rows;
}

std::array<std::string, 11> DetailValueTexts(const DayRecord& day, const QDate& date,
                                             std::optional<int> dayNumber, const std::string& unit1,
                                             const std::string& unit2)
{
    std::array<std::string, 11> v;
    if (date.isValid()) {
        v[0] = std::to_string(date.year()) + "/" + std::to_string(date.month()) + "/"
               + std::to_string(date.day());
        if (dayNumber)
            v[0] += "(" + std::to_string(*dayNumber) + "日目)";
    }
    if (day.weather) {
        const DayWeather& w = *day.weather;
        if (temperatureSet(w.LowTemp) && temperatureSet(w.HighTemp))
            v[1] = oneDecimal(w.LowTemp) + "/" + oneDecimal(w.HighTemp) + " ℃";
        if (w.Daylight >= 0)
            v[2] = oneDecimal(w.Daylight) + " 時間";
        v[3] = CutCp932(w.Weather, 18);
    }
    if (day.measurements) {
        const Measurements& m = *day.measurements;
        if (m.height >= 0)
            v[4] = oneDecimal(m.height) + " cm";
        if (m.leaves >= 0)
            v[5] = std::to_string(m.leaves) + " 枚";
        if (m.leafSize >= 0)
            v[6] = oneDecimal(m.leafSize) + " cm";
        if (m.solution >= 0)
            v[7] = oneDecimal(m.solution) + " cm";
        if (temperatureSet(m.roomTemp))
            v[8] = oneDecimal(m.roomTemp) + " ℃";
        if (temperatureSet(m.free1))
            v[9] = oneDecimal(m.free1) + " " + unit1;
        if (temperatureSet(m.free2))
            v[10] = oneDecimal(m.free2) + " " + unit2;
    }
    return v;
}

void PageViews::DrawDetailPage(QPainter& p, int ox, int oy, const PageSnapshot& s)
{
    const int vw = s.viewSize.width(), vh = s.viewSize.height();
    if (s.printing == PrintingScreen && !DetailBackground.isNull()) {
        p.fillRect(0, 0, vw, vh, PageColors::White);
        DrawPicture(p, 0, 0, DetailBackground);
    } else if (s.printing != PrintingPrinter) {
        p.fillRect(ox, oy, vw, vh, PageColors::White);
    }
    DrawPictureArea(p, ox, oy, s);
    DrawDataTable(p, ox, oy, s);
    DrawMemoBox(p, ox, oy, s);
}

void PageViews::DrawPictureArea(QPainter& p, int ox, int oy, const PageSnapshot& s)
{
    const Geometry area = pictureArea(s);
    const int x = area.X + ox, y = area.Y + oy, w = area.W, h = area.H;
    const QImage& picture = s.day.picture;
    if (!picture.isNull()) {
        StretchPicture(p, x, y, w, h, picture);
    } else if (s.printing != PrintingScreen || DetailBackground.isNull()) {
        OutlineRect(p, x, y, w, h);
    } else {
        // An empty photo area stands out from the background as a white box.
        FilledRect(p, x, y, w, h, PageColors::White);
    }
}

void PageViews::DrawDataTable(QPainter& p, int ox, int oy, const PageSnapshot& s)
{
    const std::string& layout = s.layoutFile;
    if (auto title =
            ParseCaption(ReadLayoutText(layout, "Data1", LayoutIni::Title, "", LayoutIni::kHeaderValueBytes)))
        DrawPageText(p, title->x + ox, title->y + oy, title->text, PageColors::Black);

    const int X = ReadLayoutInt(layout, LayoutIni::Data1X) + ox;
    const int Y = ReadLayoutInt(layout, LayoutIni::Data1Y) + oy;
    const int W = ReadLayoutInt(layout, LayoutIni::Data1Width);
    const int pitch = ReadLayoutInt(layout, LayoutIni::Data1LinePitch);
    const int col = ReadLayoutInt(layout, LayoutIni::Data1ColumnWidth);
    if (s.printing == PrintingScreen && !DetailBackground.isNull())
        p.fillRect(X, Y, W, 11 * pitch, PageColors::White);

    // Row captions; an empty one of rows 0-8 ends the table.
    static const std::pair<const char*, const char*> captionKeys[9] = {
        {"Data1", "Title1"}, {"Data2", "Title1"}, {"Data2", "Title2"},
        {"Data2", "Title3"}, {"Data3", "Title1"}, {"Data3", "Title2"},
        {"Data3", "Title3"}, {"Data3", "Title4"}, {"Data3", "Title5"}};
    FreeItemCaption free[2] = {SplitFreeItemCaption(ReadNotebookKey(s.notebookFolder, "Option1")),
                               SplitFreeItemCaption(ReadNotebookKey(s.notebookFolder, "Option2"))};
    int rows = 0;
    for (int i = 0; i < 11; ++i) {
        std::string caption;
        if (i < 9) {
            caption = ReadLayoutText(layout, captionKeys[i].first, captionKeys[i].second);
            if (caption.empty())
                break;
        } else {
            caption = free[i - 9].name;
        }
        DrawPageText(p, X + 4, Y + i * pitch + 4, caption, PageColors::Black);
        p.drawLine(X, Y + (i + 1) * pitch, X + W, Y + (i + 1) * pitch);
        rows = i + 1;
    }
    p.drawLine(X, Y, X + W, Y);
    p.drawLine(X + W, Y, X + W, Y + rows * pitch);
    p.drawLine(X, Y + rows * pitch, X, Y);
    p.drawLine(X + col, Y, X + col, Y + rows * pitch);

    const DayRecord& day = s.day;
    const QDate date = day.date.isValid() ? day.date : s.currentDate;
    const auto values = DetailValueTexts(day, date, s.dayNumber, free[0].unit, free[1].unit);
    for (int i = 0; i < 11; ++i)
        DrawPageText(p, X + col + 4, Y + i * pitch + 4, values[i], PageColors::Black);
}

void PageViews::DrawMemoBox(QPainter& p, int ox, int oy, const PageSnapshot& s)
{
    const std::string& layout = s.layoutFile;
    if (auto title =
            ParseCaption(ReadLayoutText(layout, "Memo", LayoutIni::Title, "", LayoutIni::kMemoTitleBytes)))
        DrawPageText(p, title->x + ox, title->y + oy, title->text, PageColors::Black);
    Geometry box = memoBox(layout);
    const int X = box.X + ox, Y = box.Y + oy;
    if (s.printing == PrintingScreen && !DetailBackground.isNull())
        p.fillRect(X, Y, box.W, box.H, PageColors::White);

    const QDate date = s.day.date;
    std::string bytes;
    const int pitch = ReadLayoutInt(layout, LayoutIni::MemoLinePitch);
    if (date.isValid() && pitch > 0
        && ReadFileBytes(DayFilePath(s.notebookFolder, date, "txt"), bytes, kMemoReadBytes)) {
        // A head cut mid-character would decode wrongly: keep whole lines.
        if (bytes.size() == kMemoReadBytes && bytes.find('\n') != std::string::npos)
            bytes.erase(bytes.rfind('\n') + 1);
        auto measure = [&p](const QString& s) { return PageTextWidth(p, s); };
        const auto rows = LayoutMemoLines(DecodeFileText(bytes), box.W - 8, box.H / pitch, measure);
        for (size_t i = 0; i < rows.size(); ++i)
            DrawPageText(p, X + 4, Y + 4 + static_cast<int>(i) * pitch, rows[i].toStdString(),
                         PageColors::Black);
    }
    OutlineRect(p, X, Y, box.W, box.H);
}

void PageViews::HandleDetailMouse(MouseAction action, QPoint pt, const PageSnapshot& s,
                                  PageMouseResult& r) const
{
    const std::string& layout = s.layoutFile;
    const int px = pt.x(), py = pt.y();
    auto run = [&r](Command command) { r.action = PageAction{PageAction::RunCommand, {}, 0, command}; };
    if (action == MouseAction::DoubleClick) {
        const Geometry pic = pictureArea(s);
        if (pic.X < px && px < pic.X + pic.W && pic.Y < py && py < pic.Y + pic.H) {
            run(Command::ImportPhoto);
            return;
        }
        Geometry memo = memoBox(layout);
        if (memo.X < px && px < memo.X + memo.W && memo.Y < py && py < memo.Y + memo.H) {
            run(Command::EditMemo);
            return;
        }
        const int tx = ReadLayoutInt(layout, LayoutIni::Data1X),
                  ty = ReadLayoutInt(layout, LayoutIni::Data1Y);
        if (tx < px && px < tx + ReadLayoutInt(layout, LayoutIni::Data1Width) && py > ty) {
            // The [Data3] caption's y divides the weather rows from the growth rows; without one
            // the whole table belongs to the weather.
            int divide = 999;
            std::string v = ReadLayoutText(layout, "Data3", LayoutIni::Title, LayoutIni::Data3Title.def);
            if (size_t comma = v.find(','); comma != std::string::npos)
                divide = IniFile::ParseInt(v.substr(comma + 1));
            run(py > divide ? Command::Entry : Command::ChangeData);
        }
        return;
    }
    if (DetailBackground.isNull() || py < DetailArrows::Top || py > DetailArrows::Bottom)
        return;
    int direction = px <= DetailArrows::LeftMaxX ? -1 : px >= DetailArrows::RightMinX ? 1 : 0;
    if (direction == 0)
        return;
    switch (action) {
    case MouseAction::Move:
        r.cursor = PageCursor::Hand;
        break;
    case MouseAction::Press:
        r.feedback = PressFeedback{DetailBackground.copy(direction < 0 ? 0 : 714, 22, 62, 34),
                                   QPoint(direction < 0 ? 4 : 718, 24),
                                   {}};
        break;
    case MouseAction::Release:
        r.action = PageAction{PageAction::StepDay, {}, direction};
        break;
    default:
        break;
    }
}
