#include "views/PageTestSupport.h"
#include "views/PageViews.h"

#include <gtest/gtest.h>

#include <map>

namespace {
// Corner of cell k in the test layout (X 20, Y 60, cells 100 x 70, frames 80 x 60).
QPoint cellCorner(int k)
{
    return QPoint(20 + (k % 7) * 100, 60 + (k / 7) * 70);
}
QPoint cellCentre(int k)
{
    return cellCorner(k) + QPoint(40, 30);
}
// The 12th of March 2014 (cell 17) gets a photo of one colour.
Result photoOn12th(const PageFixture& f, QColor colour)
{
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(colour);
    return SavePictureFile(f.dayPath(20140312, "jpg"), photo, 640, 480, 90);
}
bool framed(const QImage& page, int k)
{
    QPoint c = cellCorner(k);
    return isDark(page.pixelColor(c + QPoint(40, 0))) && isDark(page.pixelColor(c + QPoint(0, 30)));
}
}  // namespace

TEST(CalendarPage, MonthCells)
{
    struct Case {
        QDate today;
        int year, month;
        std::vector<int> records;
        std::map<int, int> cells;  // cell -> value
    } cases[] = {
        // March 2014 starts on a Saturday: day 1 in cell 6, day 31 in cell 36.
        {QDate(2014, 4, 30), 2014, 3, {20140310}, {{5, 0}, {6, -1}, {15, 10}, {36, -31}, {37, 0}}},
        // The 15th: later days are not filled, today is.
        {QDate(2014, 3, 15), 2014, 3, {20140315}, {{20, 15}, {21, 0}, {36, 0}}},
        // A month after today still shows its day 1 (March 2013 starts on a Friday).
        {QDate(2013, 1, 10), 2013, 3, {}, {{5, -1}, {6, 0}}},
    };
    for (const Case& c : cases) {
        PageFixture f("");
        for (int d : c.records)
            f.addDay(d);
        f.openOn(c.today);
        f.showMonth(c.year, c.month);
        for (auto [cell, value] : c.cells)
            EXPECT_EQ(f.nb->pages().MonthCells[cell], value) << c.year << "/" << c.month << " cell " << cell;
    }
}

TEST(CalendarPage, FutureDaysGetFramesToTheMonthEnd)
{
    struct Case {
        QDate today;
        int lastCell;  // cell of the month's last day
    } cases[] = {
        {QDate(2012, 2, 10), 31},  // 1 Feb 2012 is a Wednesday; 29 days
        {QDate(2013, 2, 10), 32},  // 1 Feb 2013 is a Friday; 28 days
        {QDate(2014, 3, 15), 36},  // 31 days from a Saturday: the sixth week is used
    };
    for (const Case& c : cases) {
        PageFixture f("");
        f.openOn(c.today);
        f.showMonth(c.today.year(), c.today.month());
        const QImage& page = f.nb->pageBuffer();
        EXPECT_TRUE(framed(page, c.lastCell)) << c.today.toString().toStdString();
        EXPECT_FALSE(framed(page, c.lastCell + 1)) << c.today.toString().toStdString();
        // Today's cell is a day cell, the next one an empty frame without a number.
        int todayCell = c.lastCell - (c.today.daysInMonth() - c.today.day());
        EXPECT_NE(f.nb->pages().MonthCells[todayCell], 0);
        EXPECT_EQ(f.nb->pages().MonthCells[todayCell + 1], 0);
    }
}

TEST(CalendarPage, DayNumbersAndWeekdayColours)
{
    PageFixture f("");
    f.addDay(20140312);
    f.openOn(QDate(2014, 4, 30));
    f.showMonth(2014, 3);
    const QImage& page = f.nb->pageBuffer();
    // Number boxes: x + 80 - 8 (one digit) or - 16 (two digits), y + 60 - 18.
    auto numberBox = [](int k, int digits) {
        QPoint c = cellCorner(k);
        return QRect(c.x() + 80 - 8 * digits, c.y() + 42, 8 * digits, 16);
    };
    EXPECT_GT(countPixels(page, numberBox(17, 2), isBlue), 5);  // the 12th has a record
    EXPECT_EQ(countPixels(page, numberBox(17, 2), isGrey), 0);
    EXPECT_GT(countPixels(page, numberBox(18, 2), isGrey), 5);  // the 13th has none
    EXPECT_EQ(countPixels(page, numberBox(18, 2), isBlue), 0);
    // One-digit numbers stand 8 pixels further right: nothing left of their box.
    QRect one = numberBox(7, 1);
    EXPECT_GT(countPixels(page, one, isGrey), 3);
    EXPECT_EQ(countPixels(page, one.translated(-8, 0), isGrey), 0);
    // Weekday names at x + 40 - 8, y - 20: Sunday red, Monday black, Saturday blue.
    auto nameBox = [](int i) { return QRect(20 + i * 100 + 32, 40, 16, 16); };
    EXPECT_GT(countPixels(page, nameBox(0), isRed), 5);
    EXPECT_GT(countPixels(page, nameBox(1), isDark), 5);
    EXPECT_GT(countPixels(page, nameBox(6), isBlue), 5);
    EXPECT_EQ(countPixels(page, nameBox(6), isRed), 0);
}

TEST(CalendarPage, ThumbnailsShowTheCurrentPhoto)
{
    PageFixture f("");
    f.addDay(20140312);
    ASSERT_TRUE(photoOn12th(f, Qt::red));
    f.openOn(QDate(2014, 4, 30));
    f.showMonth(2014, 3);
    QPoint c = cellCorner(17) + QPoint(20, 20);
    EXPECT_TRUE(isRed(f.nb->pageBuffer().pixelColor(c)));
    // The photo replaced by another: the next draw shows the new one.
    ASSERT_TRUE(photoOn12th(f, Qt::blue));
    f.showMonth(2014, 3);
    EXPECT_TRUE(isBlue(f.nb->pageBuffer().pixelColor(c)));
    // On a dark photo the day's number keeps its blue, on a light ground.
    ASSERT_TRUE(photoOn12th(f, QColor(10, 10, 10)));
    f.showMonth(2014, 3);
    const QRect number(cellCorner(17) + QPoint(80 - 16, 42), QSize(16, 16));
    EXPECT_GT(countPixels(f.nb->pageBuffer(), number, isBlue), 5);
    EXPECT_GT(countPixels(f.nb->pageBuffer(), number, [](QColor q) { return q.lightness() > 180; }), 60);
    EXPECT_TRUE(isDark(f.nb->pageBuffer().pixelColor(c)));  // the photo itself stays
    // An undecodable photo leaves the frame empty.
    RequireWritten(WriteFileAtomic(f.dayPath(20140312, "jpg"), "not a picture, longer than before"));
    f.showMonth(2014, 3);
    EXPECT_FALSE(isDark(f.nb->pageBuffer().pixelColor(c)));
    EXPECT_TRUE(framed(f.nb->pageBuffer(), 17));
}

TEST(CalendarPage, ClickProtocol)
{
    PageFixture f("");
    f.addDay(20140310);
    f.addDay(20140311);
    f.openOn(QDate(2014, 4, 30));
    f.showMonth(2014, 3);

    // Press on one day and release on another: the pressed day is the one opened, and whether
    // it is opened or created follows its own record, not the cell under the release.
    f.nb->HandleMouse(MouseAction::Press, cellCentre(15));    // the 10th, recorded
    f.nb->HandleMouse(MouseAction::Release, cellCentre(16));  // the 11th, recorded
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Detail);
    EXPECT_EQ(f.nb->store().Day.date, QDate(2014, 3, 10));
    f.showMonth(2014, 3);
    f.nb->HandleMouse(MouseAction::Press, cellCentre(16));    // the 11th
    f.nb->HandleMouse(MouseAction::Release, cellCentre(20));  // the 15th, no record
    EXPECT_EQ(f.nb->store().Day.date, QDate(2014, 3, 11));
    EXPECT_TRUE(f.prompt.asked().empty());
    f.showMonth(2014, 3);
    f.prompt.queue(Answer::No);
    f.nb->HandleMouse(MouseAction::Press, cellCentre(20));    // the 15th, no record
    f.nb->HandleMouse(MouseAction::Release, cellCentre(15));  // released on a recorded day
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{151});       // a day without a record asks first
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Calendar);
    // Released on no day (before day 1): nothing happens.
    f.prompt.clear();
    f.nb->HandleMouse(MouseAction::Press, cellCentre(15));
    f.nb->HandleMouse(MouseAction::Release, cellCentre(0));
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Calendar);
    EXPECT_TRUE(f.prompt.asked().empty());

    // A cell before day 1 does nothing and is not taken for a header link.
    f.nb->HandleMouse(MouseAction::Move, cellCentre(0));
    EXPECT_EQ(f.host.cursor, PageCursor::Arrow);
    f.click(cellCentre(0));
    EXPECT_EQ(f.nb->PageSnapshotNow().shownMonth, 3);
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Calendar);

    // Moving over a day shows the hand; pressing outlines its frame on the window.
    f.nb->HandleMouse(MouseAction::Move, cellCentre(15));
    EXPECT_EQ(f.host.cursor, PageCursor::Hand);
    f.nb->HandleMouse(MouseAction::Press, cellCentre(15));
    auto green = [](QColor c) { return c.green() > 200 && c.red() < 80 && c.blue() < 80; };
    EXPECT_GT(countPixels(f.host.screen, QRect(cellCorner(15), QSize(80, 60)), green), 100);
    f.nb->HandleMouse(MouseAction::Release, cellCentre(15));
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Detail);
    EXPECT_EQ(f.nb->store().Day.date, QDate(2014, 3, 10));

    // Yes opens the day without a record; nothing is written until data is entered.
    f.showMonth(2014, 3);
    f.prompt.clear();
    f.prompt.queue(Answer::Yes);
    f.click(cellCentre(20));
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{151});
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Detail);
    EXPECT_EQ(f.nb->store().Day.date, QDate(2014, 3, 15));
    EXPECT_FALSE(FileExists(f.dayPath(20140315, "dat")));
}

TEST(CalendarPage, HugeFrameSizesAreBoundedByThePage)
{
    struct Case {
        const char* width;
        const char* height;
        int picWidth, picHeight;
    } cases[] = {
        {"2147483647", "60", 780, 60},
        {"80", "4294967296", 80, 496},
        {"-5", "60", 0, 60},
        {"80", "60", 80, 60},
    };
    for (const Case& c : cases) {
        PageFixture f(
            "", {std::string("Calender/PicWidth=") + c.width, std::string("Calender/PicHeight=") + c.height});
        f.addDay(20140312);
        ASSERT_TRUE(photoOn12th(f, Qt::red));
        f.openOn(QDate(2014, 4, 30));
        f.showMonth(2014, 3);  // a thumbnail is made at the frame size
        EXPECT_EQ(f.nb->pages().Calendar.PicWidth, c.picWidth) << c.width << " x " << c.height;
        EXPECT_EQ(f.nb->pages().Calendar.PicHeight, c.picHeight) << c.width << " x " << c.height;
    }
}

TEST(CalendarPage, TodayIsMarkedOnTheScreenOnly)
{
    auto orange = [](QColor q) {
        return q.red() > 200 && q.green() > 80 && q.green() < 170 && q.blue() < 60;
    };
    PageFixture f("");
    f.openOn(QDate(2014, 3, 15));  // cell 20
    f.showMonth(2014, 3);
    auto frame = [](int k) { return QRect(cellCorner(k) - QPoint(2, 2), QSize(84, 64)); };
    EXPECT_GT(countPixels(f.nb->pageBuffer(), frame(20), orange), 200);
    EXPECT_EQ(countPixels(f.nb->pageBuffer(), frame(19), orange), 0);
    // Another month shows no mark.
    f.showMonth(2014, 2);
    EXPECT_EQ(countPixels(f.nb->pageBuffer(), QRect(0, 0, 780, 496), orange), 0);
    // Drawn for the printer or the preview, no mark either.
    f.showMonth(2014, 3);
    PageViews pages = f.loadedPages();
    for (int printing : {PrintingPrinter, PrintingPreview}) {
        QImage sheet(780, 496, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter p(&sheet);
        PreparePagePainter(p);
        PageSnapshot s = f.nb->PageSnapshotNow();
        s.printing = static_cast<PrintingTarget>(printing);
        s.mode = ViewMode::Calendar;
        pages.DrawPage(p, QPoint(0, 0), s);
        p.end();
        EXPECT_EQ(countPixels(sheet, QRect(0, 0, 780, 496), orange), 0) << printing;
        EXPECT_TRUE(framed(sheet, 20)) << printing;
    }
}
