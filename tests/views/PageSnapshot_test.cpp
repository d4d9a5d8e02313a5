#include "support/RequireWritten.h"
#include "views/PageTestSupport.h"
#include "views/PageViews.h"

#include <gtest/gtest.h>

namespace {
QPoint cellCentre(int k)
{
    return QPoint(20 + (k % 7) * 100 + 40, 60 + (k / 7) * 70 + 30);
}
}  // namespace

TEST(PageSnapshot, PagesDrawnWithoutTheControllerMatchTheScreen)
{
    PageFixture f;
    f.addDay(20130503);
    f.addDay(20130507);
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::red);
    ASSERT_TRUE(SavePictureFile(f.dayPath(20130507, "jpg"), photo, 64, 48, 90));
    RequireWritten(WriteFileAtomic(f.dayPath(20130507, "txt"), "はっぱが ふえた\n"));
    f.openOn(QDate(2013, 5, 20));
    f.showMonth(2013, 5);
    const QImage screenCalendar = f.nb->pageBuffer().copy();
    EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 5, 7)));
    f.nb->SetViewMode(ViewMode::Detail);
    const QImage screenDetail = f.nb->pageBuffer().copy();

    PageViews pages = f.loadedPages();
    PageSnapshot calendar = f.snapshot(ViewMode::Calendar, 2013, 5, QDate(2013, 5, 20));
    calendar.startDate = QDate(2013, 4, 1);
    calendar.firstDayDate = 20130503;
    EXPECT_EQ(PageFixture::draw(pages, calendar), screenCalendar);

    PageSnapshot detail = f.snapshot(ViewMode::Detail, 2013, 5, QDate(2013, 5, 20));
    detail.day = f.nb->PageSnapshotNow().day;
    detail.dayNumber = 37;
    EXPECT_EQ(PageFixture::draw(pages, detail), screenDetail);
    // The snapshot is a copy: the live day changing afterwards does not reach it.
    EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 5, 3)));
    EXPECT_EQ(PageFixture::draw(pages, detail), screenDetail);

    // At an origin the calendar moves whole.
    const QImage moved = PageFixture::draw(pages, calendar, QPoint(100, 50), QSize(880, 546));
    EXPECT_EQ(moved.copy(100, 50, 780, 496), screenCalendar);
}

TEST(PageSnapshot, PrintingAnotherMonthLeavesTheScreensCells)
{
    PageFixture f("");
    f.addDay(20140310);
    PageViews pages = f.loadedPages();
    PageFixture::draw(pages, f.snapshot(ViewMode::Calendar, 2014, 3, QDate(2014, 4, 30)));
    const MonthCellValues screen = pages.MonthCells;
    EXPECT_EQ(screen[15], 10);
    PageSnapshot sheet = f.snapshot(ViewMode::Calendar, 2014, 2, QDate(2014, 4, 30));
    sheet.printing = PrintingPrinter;
    PageFixture::draw(pages, sheet);
    EXPECT_EQ(pages.MonthCells, screen);
    // A click on the screen still means the day the screen shows.
    const PageSnapshot shown = f.snapshot(ViewMode::Calendar, 2014, 3, QDate(2014, 4, 30));
    pages.HandleMouse(MouseAction::Press, cellCentre(15), shown);
    auto r = pages.HandleMouse(MouseAction::Release, cellCentre(15), shown);
    ASSERT_TRUE(r.action);
    EXPECT_EQ(*r.action, (PageAction{PageAction::OpenDay, QDate(2014, 3, 10)}));
}

TEST(PageSnapshot, MouseAnswersWithRequests)
{
    PageFixture f("");
    f.addDay(20140310);
    PageViews pages = f.loadedPages();
    const PageSnapshot s = f.snapshot(ViewMode::Calendar, 2014, 3, QDate(2014, 4, 30));
    PageFixture::draw(pages, s);

    // A press outlines the day and asks nothing yet; the release asks for the pressed day.
    PageMouseResult press = pages.HandleMouse(MouseAction::Press, cellCentre(20), s);
    ASSERT_TRUE(press.feedback);
    EXPECT_EQ(press.feedback->frame, QRect(20 + 6 * 100, 60 + 2 * 70, 80, 60));
    EXPECT_FALSE(press.action);
    PageMouseResult release = pages.HandleMouse(MouseAction::Release, cellCentre(15), s);
    ASSERT_TRUE(release.action);
    EXPECT_EQ(*release.action, (PageAction{PageAction::AskCreateDay, QDate(2014, 3, 15)}));
    // Released off the days: the outline goes and nothing is asked.
    pages.HandleMouse(MouseAction::Press, cellCentre(15), s);
    PageMouseResult away = pages.HandleMouse(MouseAction::Release, cellCentre(0), s);
    EXPECT_TRUE(away.erasePress);
    EXPECT_FALSE(away.action);
    // Moves say which cursor; the header's links step the month.
    EXPECT_EQ(pages.HandleMouse(MouseAction::Move, cellCentre(15), s).cursor, PageCursor::Hand);
    EXPECT_EQ(pages.HandleMouse(MouseAction::Move, cellCentre(0), s).cursor, PageCursor::Arrow);
    PageMouseResult prev = pages.HandleMouse(MouseAction::Release, QPoint(30, 15), s);
    ASSERT_TRUE(prev.action);
    EXPECT_EQ(*prev.action, (PageAction{PageAction::StepMonth, {}, -1}));
    // On the list page the same link turns the list's page: to the page after the one shown.
    PageSnapshot list = s;
    list.mode = ViewMode::List;
    for (int d = 1; d <= 7; ++d)
        list.list.listed.push_back(QDate(2014, 3, d));
    PageFixture::draw(pages, list);
    PageMouseResult next = pages.HandleMouse(MouseAction::Release, QPoint(610, 15), list);
    ASSERT_TRUE(next.action);
    EXPECT_EQ(*next.action, (PageAction{PageAction::StepListPage, QDate(2014, 3, 7), 1}));
    // A double-click on the detail page's photo asks for the photo import.
    PageSnapshot detail = s;
    detail.mode = ViewMode::Detail;
    PageMouseResult photo = pages.HandleMouse(MouseAction::DoubleClick, QPoint(30, 50), detail);
    ASSERT_TRUE(photo.action);
    EXPECT_EQ(*photo.action, (PageAction{PageAction::RunCommand, {}, 0, Command::ImportPhoto}));
}

TEST(PageSnapshot, AbandonedPressKeepsTheCurrentDay)
{
    PageFixture f("");
    f.addDay(20140310);
    f.openOn(QDate(2014, 4, 30));
    f.showMonth(2014, 3);
    f.nb->SetCurrentDate(QDate(2014, 3, 20));
    f.nb->HandleMouse(MouseAction::Press, cellCentre(15));   // the 10th
    f.nb->HandleMouse(MouseAction::Release, cellCentre(0));  // not on a day
    EXPECT_EQ(f.nb->currentDate(), QDate(2014, 3, 20));
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Calendar);
}
