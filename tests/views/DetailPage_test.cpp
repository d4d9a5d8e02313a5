#include "support/RequireWritten.h"
#include "views/PageTestSupport.h"
#include "views/PageViews.h"

#include <gtest/gtest.h>

TEST(DetailPage, ValueTexts)
{
    DayRecord none;
    DayRecord weather;
    weather.weather = DayWeather{5.0f, 18.5f, 6.0f, "晴れのち曇り、夕方から雨"};
    DayRecord lowOnly;
    lowOnly.weather = DayWeather{5.0f, kUnsetTemperature, kUnsetLength, ""};
    DayRecord growth;
    Measurements m;
    m.height = 12.34f;
    m.leaves = 0;
    m.leafSize = 3.0f;
    m.roomTemp = -5.0f;
    m.free1 = 1.5f;
    growth.measurements = m;

    struct Case {
        const DayRecord* day;
        QDate date;
        std::optional<int> dayNumber;
        int row;
        std::string text;
    } cases[] = {
        {&none, QDate(2013, 5, 1), 1, 0, "2013/5/1(1日目)"},
        {&none, QDate(2013, 5, 12), 12, 0, "2013/5/12(12日目)"},
        {&none, QDate(2013, 5, 12), std::nullopt, 0, "2013/5/12"},
        {&none, QDate(2013, 5, 12), std::nullopt, 1, ""},
        {&lowOnly, QDate(2013, 5, 12), std::nullopt, 1, ""},
        {&lowOnly, QDate(2013, 5, 12), std::nullopt, 2, ""},
        {&weather, QDate(2013, 5, 12), std::nullopt, 1, "5.0/18.5 ℃"},
        {&weather, QDate(2013, 5, 12), std::nullopt, 2, "6.0 時間"},
        {&weather, QDate(2013, 5, 12), std::nullopt, 3, "晴れのち曇り、夕方"},  // 18 bytes, whole characters
        {&weather, QDate(2013, 5, 12), std::nullopt, 4, ""},
        {&growth, QDate(2013, 5, 12), std::nullopt, 4, "12.3 cm"},
        {&growth, QDate(2013, 5, 12), std::nullopt, 5, "0 枚"},
        {&growth, QDate(2013, 5, 12), std::nullopt, 6, "3.0 cm"},
        {&growth, QDate(2013, 5, 12), std::nullopt, 7, ""},
        {&growth, QDate(2013, 5, 12), std::nullopt, 8, "-5.0 ℃"},
        {&growth, QDate(2013, 5, 12), std::nullopt, 9, "1.5 mS/cm"},
        {&growth, QDate(2013, 5, 12), std::nullopt, 10, ""},
    };
    for (const Case& c : cases) {
        auto v = DetailValueTexts(*c.day, c.date, c.dayNumber, "mS/cm", "");
        EXPECT_EQ(v[c.row], c.text) << "row " << c.row;
    }
}

TEST(DetailPage, MemoLines)
{
    auto measure = [](const QString& s) { return static_cast<int>(s.size()) * 10; };  // 10 px a character
    struct Case {
        std::string text;
        int maxLines;
        std::vector<std::string> rows;
    } cases[] = {
        // A 100-pixel box holds 9 characters a row (92 pixels).
        {"あいうえおかきくけこさしすせそたちつてとな\r\n",
         10,
         {"あいうえおかきくけ", "こさしすせそたちつ", "てとな"}},
        {"あいうえおかきくけこさしすせそたちつてとな", 2, {"あいうえおかきくけ", "こさしすせそたちつ"}},
        // The editor's exit-command line takes no row.
        {"一行目\n※メモ帳の終了コマンドで閉じる\n三行目\n", 5, {"一行目", "三行目"}},
        {"tab\t\t\nempty\n\nlast", 5, {"tab", "empty", "", "last"}},
        {"", 5, {}},
    };
    for (const Case& c : cases) {
        auto rows = LayoutMemoLines(c.text, 92, c.maxLines, measure);
        std::vector<std::string> got;
        for (const QString& r : rows)
            got.push_back(r.toStdString());
        EXPECT_EQ(got, c.rows) << c.text;
    }
    // Characters outside the basic plane are never split.
    auto emoji =
        LayoutMemoLines("𠮷𠮷𠮷", 25, 5, [](const QString& s) { return static_cast<int>(s.size()) * 5; });
    ASSERT_EQ(emoji.size(), 2u);
    EXPECT_EQ(emoji[0], QString::fromUtf8("𠮷𠮷"));
}

TEST(DetailPage, MemoRowsAlwaysMoveOn)
{
    auto measure = [](const QString& s) { return static_cast<int>(s.size()) * 10; };
    struct Case {
        std::string text;
        int maxWidth, maxLines;
        std::vector<std::string> rows;
    } cases[] = {
        // A box narrower than one character (a zero Width gives -8): one character a row, and the
        // rows end with the text, not with a huge box.
        {"abc", 5, 3, {"a", "b", "c"}},
        {"abc\nde", -8, 1000, {"a", "b", "c", "d", "e"}},
        {"abcdef", 5, 2, {"a", "b"}},
        // A letter and its combining accent stay together (each pair is 20 pixels).
        {"a\u0301e\u0301i\u0301", 35, 5, {"a\u0301", "e\u0301", "i\u0301"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        for (const QString& r : LayoutMemoLines(c.text, c.maxWidth, c.maxLines, measure))
            got.push_back(r.toStdString());
        EXPECT_EQ(got, c.rows) << c.text << " in " << c.maxWidth;
    }
}

TEST(DetailPage, LongMemoLineIsNotMeasuredPrefixByPrefix)
{
    // 20,000 characters of a twenty-fifth of a pixel each (zero-width spaces in a font that gives
    // them a sliver): a row holds 17,500 of them. Count the characters measured.
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "\u200b";
    long long measured = 0;
    auto measure = [&measured](const QString& s) {
        measured += s.size();
        return static_cast<int>(s.size() / 25);
    };
    auto rows = LayoutMemoLines(text, 700, 5, measure);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size(), 17524);  // 700 pixels and 24 characters of rounding
    EXPECT_EQ(rows[0].size() + rows[1].size(), 20000);
    // Prefix by prefix would measure about 150 million characters.
    EXPECT_LT(measured, 2000000);
}

TEST(DetailPage, MemoIsDrawnInTheBoxInEitherEncoding)
{
    for (bool utf8 : {false, true}) {
        PageFixture f;
        f.addDay(20130510);
        std::string text = "きょうは はっぱが ふえた。\r\n";
        RequireWritten(WriteFileAtomic(f.dayPath(20130510, "txt"), utf8 ? text : ToCp932(text)));
        f.openOn(QDate(2013, 6, 1));
        EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 5, 10)));
        f.nb->SetViewMode(ViewMode::Detail);
        // Memo box at (20, 300), text from (24, 304); the second row stays empty.
        EXPECT_GT(countPixels(f.nb->pageBuffer(), QRect(24, 304, 200, 16), isDark), 30) << utf8;
        EXPECT_EQ(countPixels(f.nb->pageBuffer(), QRect(24, 324, 200, 16), isDark), 0) << utf8;
    }
}

TEST(DetailPage, TableEndsAtAnEmptyCaption)
{
    PageFixture f("2013/04/01", {"Data2/Title2="});
    f.addDay(20130510);
    RequireWritten(IniFile::WriteString(f.dayPath(20130510, "dat"), "Growth", "DataCount", "7"));
    f.openOn(QDate(2013, 6, 1));
    EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 5, 10)));
    f.nb->SetViewMode(ViewMode::Detail);
    const QImage& page = f.nb->pageBuffer();
    // Table at (400, 40), rows of 20: two rows drawn, lines at 40, 60, 80 and none at 100.
    for (int y : {40, 60, 80})
        EXPECT_TRUE(isDark(page.pixelColor(450, y))) << y;
    EXPECT_FALSE(isDark(page.pixelColor(450, 100)));
    // The leaf count is still drawn in its own row (row 5, y 140).
    EXPECT_GT(countPixels(page, QRect(504, 144, 60, 16), isDark), 5);
}

TEST(DetailPage, DoubleClickAreas)
{
    struct Case {
        std::vector<std::string> layoutChanges;
        QPoint at;
        int command;  // 0: none
    } cases[] = {
        {{}, QPoint(20, 100), 0},       // the photo area's left edge
        {{}, QPoint(21, 100), 32774},   // just inside the photo area
        {{}, QPoint(339, 279), 32774},  // just inside its far corner
        {{}, QPoint(340, 100), 0},
        {{}, QPoint(100, 350), 32822},  // memo box
        {{}, QPoint(20, 350), 0},       // memo box left edge
        {{}, QPoint(500, 121), 32849},  // table below the dividing y
        {{}, QPoint(500, 120), 32806},  // at it: weather data
        {{}, QPoint(500, 450), 32849},  // below the table: no lower bound
        {{}, QPoint(500, 40), 0},       // the table's top edge
        {{"Data3/Title="}, QPoint(500, 200), 32806},
        {{}, QPoint(750, 200), 0},
    };
    for (const Case& c : cases) {
        PageFixture f("2013/04/01", c.layoutChanges);
        f.openOn(QDate(2013, 6, 1));
        f.nb->SetViewMode(ViewMode::Detail);
        f.host.posted.clear();
        f.nb->HandleMouse(MouseAction::DoubleClick, c.at);
        std::vector<int> expected;
        if (c.command)
            expected.push_back(c.command);
        EXPECT_EQ(f.host.posted, expected) << c.at.x() << "," << c.at.y();
    }
}

TEST(DetailPage, ArrowsStepBetweenDays)
{
    PageFixture f("2013/04/01", {"Data/BackGround=detail.jpg"});
    RequireWritten(
        CopyFileSafe(std::string(KELTO_KIT_DIR) + "/detail.jpg", JoinPath(f.program, "detail.jpg"), false));
    for (int d : {20130503, 20130507, 20130509})
        f.addDay(d);
    f.openOn(QDate(2013, 6, 1));
    ASSERT_FALSE(f.nb->pages().DetailBackground.isNull());
    EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 5, 7)));
    f.nb->SetViewMode(ViewMode::Detail);
    auto& pages = f.nb->pages();

    f.nb->HandleMouse(MouseAction::Move, QPoint(30, 40));
    EXPECT_EQ(f.host.cursor, PageCursor::Hand);
    f.nb->HandleMouse(MouseAction::Move, QPoint(400, 40));  // off the arrows: the arrow cursor again
    EXPECT_EQ(f.host.cursor, PageCursor::Arrow);
    f.nb->HandleMouse(MouseAction::Move, QPoint(30, 40));
    EXPECT_EQ(f.host.cursor, PageCursor::Hand);
    f.nb->HandleMouse(MouseAction::Press, QPoint(30, 40));
    // The arrow's piece of the background, shifted 4 right and 2 down, on the window only.
    EXPECT_EQ(f.host.screen.copy(4, 24, 62, 34), pages.DetailBackground.copy(0, 22, 62, 34));
    f.nb->HandleMouse(MouseAction::Release, QPoint(30, 40));
    EXPECT_EQ(f.nb->store().Day.date, QDate(2013, 5, 3));
    f.click(QPoint(714, 56));  // the right arrow's corner
    EXPECT_EQ(f.nb->store().Day.date, QDate(2013, 5, 7));
    f.click(QPoint(714, 57));  // below it
    f.click(QPoint(59, 40));   // right of the left arrow
    EXPECT_EQ(f.nb->store().Day.date, QDate(2013, 5, 7));
}

TEST(DetailPage, ArrowsNeedTheBackground)
{
    PageFixture f;
    for (int d : {20130503, 20130507})
        f.addDay(d);
    f.openOn(QDate(2013, 6, 1));
    EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 5, 7)));
    f.nb->SetViewMode(ViewMode::Detail);
    f.click(QPoint(30, 40));
    EXPECT_EQ(f.nb->store().Day.date, QDate(2013, 5, 7));
}

TEST(DetailPage, EmptyPhotoAreaAndPrinting)
{
    PageFixture f;
    f.openOn(QDate(2013, 6, 1));
    EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 5, 7)));
    QImage sheet(1000, 700, QImage::Format_RGB32);
    sheet.fill(Qt::yellow);
    {
        QPainter p(&sheet);
        PreparePagePainter(p);
        PageSnapshot s = f.nb->PageSnapshotNow();
        s.mode = ViewMode::Detail;
        s.printing = PrintingPrinter;
        f.loadedPages().DrawPage(p, QPoint(100, 50), s);
    }
    // The printer gets no fill; the photo outline moves with the origin.
    EXPECT_EQ(sheet.pixelColor(700, 450), QColor(Qt::yellow));
    EXPECT_TRUE(isDark(sheet.pixelColor(120 + 100, 90)));
    EXPECT_FALSE(isDark(sheet.pixelColor(120 + 100, 40)));
}

TEST(DetailPage, HugePhotoAreaIsDrawnAsFarAsThePageReaches)
{
    struct Case {
        int width, height;
        QPoint red, notRed;  // a point the photo covers, one it does not
    } cases[] = {
        {2147483647, 240, {770, 100}, {770, 290}},
        {320, 2147483647, {100, 490}, {350, 100}},
        {1, 100000000, {20, 490}, {22, 100}},
        {-320, -240, {0, 0}, {100, 100}},
    };
    for (const Case& c : cases) {
        PageFixture f;
        PageViews pages = f.loadedPages();
        PageSnapshot s = f.snapshot(ViewMode::Detail, 2013, 5, QDate(2013, 6, 1));
        s.day.date = QDate(2013, 5, 10);
        s.day.picture = QImage(320, 240, QImage::Format_RGB32);
        s.day.picture.fill(Qt::red);
        s.pictureArea = QSize(c.width, c.height);
        const QImage page = PageFixture::draw(pages, s);  // the photo area is at (20, 40)
        if (c.width > 0) {
            EXPECT_TRUE(isRed(page.pixelColor(c.red))) << c.width << " x " << c.height;
        }
        EXPECT_FALSE(isRed(page.pixelColor(c.notRed))) << c.width << " x " << c.height;
    }
}

TEST(DetailPage, HugeLinePitchDrawsNothingAboveTheTable)
{
    PageFixture f("2013/04/01", {"Data1/LinePitch=2147483647"});
    f.openOn(QDate(2013, 6, 1));
    EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 5, 10)));
    f.nb->SetViewMode(ViewMode::Detail);
    // Table at (400, 40): its first row's caption is drawn, and no row line lands above it.
    EXPECT_GT(countPixels(f.nb->pageBuffer(), QRect(404, 44, 60, 16), isDark), 5);
    EXPECT_EQ(countPixels(f.nb->pageBuffer(), QRect(400, 0, 300, 39), isDark), 0);
}
