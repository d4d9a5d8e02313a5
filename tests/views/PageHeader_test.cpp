#include "platform/AppFolders.h"
#include "views/LayoutIni.h"
#include "views/PageTestSupport.h"
#include "views/PageViews.h"

#include <gtest/gtest.h>

// "x,y,text": two commas at least; the coordinates stay on a page's scale.
TEST(ParseCaption, Values)
{
    struct Case {
        const char* value;
        bool parsed;
        int x = 0, y = 0;
        const char* text = "";
    } cases[] = {
        {"", false},
        {"10,5", false},
        {"10,5,%d年%d月", true, 10, 5, "%d年%d月"},
        {"7,8,", true, 7, 8, ""},
        {"10,2147483647,t", true, 10, 32767, "t"},
        {"-2147483648,5,t", true, -32767, 5, "t"},
        {"4294967296,-99999,t", true, 32767, -32767, "t"},
        {"32767,-32767,t", true, 32767, -32767, "t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const auto caption = ParseCaption(c.value);
        ASSERT_EQ(caption.has_value(), c.parsed);
        if (caption) {
            EXPECT_EQ(caption->x, c.x);
            EXPECT_EQ(caption->y, c.y);
            EXPECT_EQ(caption->text, c.text);
        }
    }
}

TEST(PageHeader, TitleDrawnOnlyWithItsText)
{
    struct Case {
        const char* title;
        bool drawn;
    } cases[] = {{"300,10", false}, {"300,10,%d年%d月", true}, {"300,10,%s%s%n%x", true}, {"", false}};
    for (const Case& c : cases) {
        PageFixture f("2013/04/01", {std::string("Calender/Title=") + c.title});
        f.openOn(QDate(2013, 5, 20));
        f.showMonth(2013, 5);
        int dark = countPixels(f.nb->pageBuffer(), QRect(300, 10, 120, 20), isDark);
        EXPECT_EQ(dark > 0, c.drawn) << c.title;
    }
}

TEST(PageHeader, LinkStatesFollowTheData)
{
    struct Case {
        const char* start;
        std::vector<int> days;
        int year, month;
        bool prev, next;
    } cases[] = {
        {"2013/05/01", {20130502}, 2013, 5, false, false},  // start and oldest record in the shown month
        {"2013/04/01", {20130402}, 2013, 4, false, true},   // an earlier month with both
        {"2013/05/01", {}, 2013, 5, true, false},           // no records: previous stays enabled
        {"2013/04/01", {20130402}, 2013, 5, true, false},   // both before the shown month
        {"", {20130502}, 2013, 5, true, false},             // no start date
        {"2013/05/01", {20130502}, 2012, 12, false, true},  // shown month before the start
        // Months after today's: a later year's early months too.
        {"", {}, 2014, 1, true, false},
        {"", {}, 2014, 4, true, false},
        {"", {}, 2013, 4, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << ", shown " << c.year << "/" << c.month);
        PageFixture f(c.start);
        for (int d : c.days)
            f.addDay(d);
        f.openOn(QDate(2013, 5, 20));
        f.showMonth(c.year, c.month);
        const auto& links = f.nb->pages().HeaderLinks;
        EXPECT_EQ(links[0] != QPoint(999, 999), c.prev);
        EXPECT_EQ(links[1] != QPoint(999, 999), c.next);
        if (c.prev) {
            EXPECT_EQ(links[0], QPoint(20, 10));
        }
        // Without a background, an enabled link is blue text and a disabled one grey.
        const QImage& page = f.nb->pageBuffer();
        EXPECT_EQ(countPixels(page, QRect(20, 10, 50, 18), isBlue) > 0, c.prev);
        EXPECT_EQ(countPixels(page, QRect(20, 10, 50, 18), isGrey) > 0, !c.prev);
    }
}

TEST(PageHeader, MonthLinksStepAcrossYears)
{
    PageFixture f("");
    f.openOn(QDate(2013, 5, 20));
    struct Click {
        const char* what;
        QPoint at;
        int year, month;  // shown after the click
    } clicks[] = {
        {"previous, its bottom-right corner", {20 + 50, 10 + 18}, 2012, 12},
        {"next", {600, 10}, 2013, 1},
        {"back to December", {20, 10}, 2012, 12},
        {"next, its bottom-right corner", {650, 28}, 2013, 1},
        {"one pixel right of the previous link", {71, 15}, 2013, 1},
        {"one pixel below it", {30, 29}, 2013, 1},
    };
    f.showMonth(2013, 1);
    for (const Click& c : clicks) {
        f.click(c.at);
        const PageSnapshot s = f.nb->PageSnapshotNow();
        EXPECT_EQ(QDate(s.shownYear, s.shownMonth, 1), QDate(c.year, c.month, 1)) << c.what;
    }
}

TEST(PageHeader, PressFeedback)
{
    PageFixture f("");
    f.openOn(QDate(2013, 5, 20));
    f.showMonth(2013, 3);
    f.nb->HandleMouse(MouseAction::Press, QPoint(30, 15));
    // The highlight pen (green) outlines the link on the window, not in the page buffer.
    auto green = [](QColor c) { return c.green() > 200 && c.red() < 80 && c.blue() < 80; };
    EXPECT_GT(countPixels(f.host.screen, QRect(19, 9, 53, 21), green), 50);
    EXPECT_EQ(countPixels(f.nb->pageBuffer(), QRect(19, 9, 53, 21), green), 0);
    EXPECT_EQ(f.nb->PageSnapshotNow().shownMonth, 3);  // a press alone does not step
}

TEST(PageHeader, DisabledLinkOverBackgroundIsHidden)
{
    PageFixture f("", {"Calender/BackGround=calendar.jpg", "Calender/PrevMonth=40,16,x",
                       "Calender/NextMonth=690,16,x"});
    RequireWritten(CopyFileSafe(std::string(KELTO_KIT_DIR) + "/calendar.jpg", JoinPath(f.program, "calendar.jpg"), false));
    f.openOn(QDate(2013, 5, 20));
    ASSERT_FALSE(f.nb->pages().CalendarBackground.isNull());
    f.showMonth(2013, 5);
    const QImage& page = f.nb->pageBuffer();
    // The next link (this month) is covered; the previous link's button stays as the picture shows it.
    EXPECT_EQ(countPixels(page, QRect(690, 16, 50, 18), isDark), 0);
    EXPECT_GT(countPixels(page, QRect(40, 16, 50, 18), [](QColor c) { return c.green() < 140; }), 10);
    EXPECT_EQ(f.nb->pages().HeaderLinks[1], QPoint(999, 999));
    // Pressing shows the link's piece of the background shifted 4 right and 2 down.
    f.nb->HandleMouse(MouseAction::Press, QPoint(50, 20));
    QImage expected = f.nb->pages().CalendarBackground.copy(36, 14, 54, 20);
    EXPECT_EQ(f.host.screen.copy(40, 16, 54, 20).convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32));
}

TEST(PageHeader, HandOnlyOverWhatCanBeClicked)
{
    PageFixture f("");
    f.addDay(20130310);
    f.openOn(QDate(2013, 5, 20));
    f.showMonth(2013, 5);  // the next link (600, 10) is disabled: this month is shown
    struct Step {
        QPoint at;
        PageCursor cursor;
    } steps[] = {
        {{30, 15}, PageCursor::Hand},     // previous link
        {{400, 470}, PageCursor::Arrow},  // nothing
        {{610, 15}, PageCursor::Arrow},   // disabled next link
        {{30, 15}, PageCursor::Hand},
        {{360, 90}, PageCursor::Hand},   // 2013/5/1 is a Wednesday: cell 3 at (320, 60) ...
        {{160, 90}, PageCursor::Arrow},  // ... and the cells before it hold no day
        {{360, 90}, PageCursor::Hand},
        {{750, 480}, PageCursor::Arrow},  // below the grid
    };
    for (const Step& s : steps) {
        f.nb->HandleMouse(MouseAction::Move, s.at);
        EXPECT_EQ(f.host.cursor, s.cursor) << s.at.x() << "," << s.at.y();
    }
}

TEST(PageBackground, OnlyPlainNamesInTheProgramFolder)
{
    PageFixture f;
    const std::string kit = std::string(KELTO_KIT_DIR) + "/calendar.jpg";
    const std::string outside = JoinPath(ParentFolder(f.program), "outside.jpg");
    for (const std::string& to :
         {JoinPath(f.program, "calendar.jpg"), outside, JoinPath(f.notebook, "in.jpg")})
        RequireWritten(CopyFileSafe(kit, to, false));
    const std::string layout = JoinPath(f.program, "Layout.ini");
    for (const std::string name : {"calendar.jpg", "../outside.jpg", "..\\outside.jpg", outside.c_str(),
                                   "data/観察/in.jpg", "data\\観察\\in.jpg", ".."}) {
        RequireWritten(IniFile::WriteString(layout, "Calender", "BackGround", name));
        const bool loaded =
            !PageViews::LoadPageBackground(layout, AppFolders::Portable(f.program), "Calender").isNull();
        EXPECT_EQ(loaded, name == "calendar.jpg") << name;
    }
}

TEST(PageHeader, ShippedHeadersKeepTheirTextsInsideTheirBoxes)
{
    const std::string kit = KELTO_KIT_DIR;
    // The labels of the link buttons the pictures carry: ink only within the 50 x 18 button.
    auto ink = [](QColor c) { return c.green() < 125 && c.red() < 120; };
    for (const char* name : {"calendar.jpg", "graph.jpg", "list.jpg"}) {
        QImage picture;
        ASSERT_TRUE(LoadPictureFile(JoinPath(kit, name), picture)) << name;
        for (const int x : {40, 690}) {
            EXPECT_GT(countPixels(picture, QRect(x + 3, 16, 45, 18), ink), 20) << name << " " << x;
            EXPECT_EQ(countPixels(picture, QRect(x - 6, 14, 9, 22), ink)
                          + countPixels(picture, QRect(x + 48, 14, 9, 22), ink),
                      0)
                << name << " " << x;
        }
    }

    // The titles drawn over the shipped pictures with the shipped layout stay inside the title box.
    PageFixture f("2013/04/01");
    RequireWritten(CopyFileSafe(JoinPath(kit, "Layout.ini"), JoinPath(f.program, "Layout.ini"), false));
    for (const char* name : {"calendar.jpg", "graph.jpg", "list.jpg"})
        RequireWritten(CopyFileSafe(JoinPath(kit, name), JoinPath(f.program, name), false));
    f.addDay(20131201);
    f.openOn(QDate(2013, 12, 20));
    auto boxEdge = [](QColor c) { return c.green() > 130 && c.red() < 130 && c.blue() < 110; };
    for (ViewMode mode : {ViewMode::Calendar, ViewMode::List}) {
        f.showMonth(2013, 12);  // the longest month title: 2013年12月
        f.nb->SetViewMode(mode);
        const QImage& page = f.nb->pageBuffer();
        int left = 390, right = 390;
        while (left > 0 && !boxEdge(page.pixelColor(left, 25)))
            --left;
        while (right < 779 && !boxEdge(page.pixelColor(right, 25)))
            ++right;
        ASSERT_GT(right - left, 100);
        EXPECT_GT(countPixels(page, QRect(left + 3, 12, right - left - 5, 28), isDark), 20);
        // A margin of a few pixels on either side: text touching the border reads as cut off.
        EXPECT_EQ(countPixels(page, QRect(left - 20, 10, 26, 32), isDark), 0) << int(mode);
        EXPECT_EQ(countPixels(page, QRect(right - 6, 10, 26, 32), isDark), 0) << int(mode);
    }
}
