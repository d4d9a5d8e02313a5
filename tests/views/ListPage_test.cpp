#include "views/ListPage.h"
#include "support/RequireWritten.h"
#include "views/PageDraw.h"
#include "views/PageTestSupport.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <numeric>

namespace {
// Table at (20, 150), rows of 20, caption column 100 wide, day columns 100, thumbnails 80 x 60
// standing 4 above the table.
const std::vector<std::string> kListLayout = {
    "List/X=20",          "List/Y=150",           "List/LinePitch=20",         "List/PicWidth=80",
    "List/PicHeight=60",  "List/ColumnWidth=100", "List/TitleWidth=100",       "List/Title1=日付",
    "List/Title2=何日目", "List/Title3=最低気温", "List/PrevMonth=20,10,前へ", "List/NextMonth=600,10,次へ",
};
std::vector<QDate> days(int first, int count)
{
    std::vector<QDate> v;
    for (int i = 0; i < count; ++i)
        v.push_back(QDate(2013, 5, first + i));
    return v;
}
QPoint thumbnail(int column)
{
    return QPoint(20 + 100 + column * 100 + 2 + 40, 150 - 60 - 4 + 30);
}
}  // namespace

TEST(ListPage, Paging)
{
    const std::vector<QDate> fourteen = days(1, 14);
    struct Case {
        std::vector<QDate> listed;
        QDate from;
        int firstShown, shownCount;  // day of May, count
        int prev, next;              // day of May, 0 when none
    } cases[] = {
        {fourteen, QDate(2013, 6, 1), 9, 6, 3, 0},   // after the last: the last six
        {fourteen, QDate(2013, 5, 4), 4, 6, 1, 10},  // the fourth: the page before is the first
        {fourteen, QDate(2013, 5, 1), 1, 6, 0, 7},   // the first: nothing before
        {fourteen, QDate(2013, 4, 1), 1, 6, 0, 7},
        {days(1, 6), QDate(2013, 5, 1), 1, 6, 0, 0},  // exactly one page
        {{}, QDate(2013, 5, 1), 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const ListPlan plan = PlanListPage(c.listed, c.from);
        ASSERT_EQ(static_cast<int>(plan.shown.size()), c.shownCount);
        if (c.shownCount) {
            EXPECT_EQ(plan.shown.front().day(), c.firstShown);
        }
        EXPECT_EQ(plan.prevStart.isValid() ? plan.prevStart.day() : 0, c.prev)
            << c.from.toString().toStdString();
        EXPECT_EQ(plan.nextStart.isValid() ? plan.nextStart.day() : 0, c.next)
            << c.from.toString().toStdString();
    }
}

TEST(ListPage, ListedDaysFollowTheMode)
{
    PageFixture f;
    f.addDay(20130501);                                                             // measured
    RequireWritten(
        IniFile::WriteString(f.dayPath(20130502, "dat"), "Weather", "LowTemp", "3.0"));  // weather only
    RequireWritten(WriteFileAtomic(f.dayPath(20130503, "jpg"), "not a real photo"));     // photo, no record
    f.addDay(20130520);                                                             // after today
    const QDate today(2013, 5, 10);
    auto dayNumbers = [&](ListMode mode) {
        std::vector<int> v;
        for (const QDate& d : ListedDays(f.notebook, mode, today))
            v.push_back(d.day());
        return v;
    };
    EXPECT_EQ(dayNumbers(ListMode::AllDays), (std::vector<int>{1, 2}));
    EXPECT_EQ(dayNumbers(ListMode::MeasuredDays), (std::vector<int>{1}));
    EXPECT_EQ(dayNumbers(ListMode::PhotoDays), (std::vector<int>{3}));
    EXPECT_EQ(ListModeFromInt(7), ListMode::AllDays);
}

TEST(ListPage, DayValuesAsStored)
{
    PageFixture f;
    const std::string dat = f.dayPath(20130503, "dat");
    RequireWritten(
        IniFile::WriteString(dat, "Weather", "Weather", "晴れのち曇り時々"));  // 16 bytes in Shift-JIS
    RequireWritten(IniFile::WriteString(dat, "Growth", "DataHeight", "12.50"));
    RequireWritten(IniFile::WriteString(dat, "Growth", "Option2", "x"));  // no number: not shown
    RequireWritten(IniFile::WriteString(dat, "Growth", "Option1", "-3.25"));
    const std::vector<std::string> v = ListDayValues(f.notebook, QDate(2013, 5, 3), QDate(2013, 4, 1));
    ASSERT_EQ(v.size(), 13u);
    EXPECT_EQ(v[0], "5/3");
    EXPECT_EQ(v[1], "33");
    EXPECT_EQ(v[5], "晴れのち曇り時々");  // whole: the page wraps it
    EXPECT_EQ(v[6], "12.50");       // not reformatted
    EXPECT_EQ(v[11], "-3.25");
    EXPECT_EQ(v[12], "");
    EXPECT_EQ(ListDayValues(f.notebook, QDate(2013, 5, 3), std::nullopt)[1], "");
}

TEST(ListPage, LongCellTextsWrapWhole)
{
    QImage device(200, 100, QImage::Format_RGB32);
    const QFont font = DefaultPageFont();  // 16 pixels
    const std::tuple<const char*, QSize, size_t> cases[] = {
        {"晴れ", {94, 18}, 1},
        {"晴一時曇、所により雨で雷を伴う", {94, 24}, 2},
        {"曇一時雨、雷を伴う", {40, 40}, 3},
    };
    for (const auto& [text, box, lines] : cases) {
        const CellText cell = LayoutCellText(font, QString::fromUtf8(text), box, &device);
        EXPECT_EQ(cell.lines.size(), lines) << text;
        EXPECT_EQ(std::accumulate(cell.lines.begin(), cell.lines.end(), QString()), QString::fromUtf8(text));
        for (const QString& line : cell.lines)
            EXPECT_LE(QFontMetrics(cell.font, &device).horizontalAdvance(line.trimmed()), box.width())
                << text;
        EXPECT_LE(cell.lineHeight * static_cast<int>(cell.lines.size()), box.height()) << text;
    }
}

TEST(ListPage, ColumnsThumbnailsLinksAndClicks)
{
    PageFixture f("2013/04/01", kListLayout);
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(QColor(200, 0, 0));
    for (int d = 1; d <= 8; ++d)
        f.addDay(20130500 + d);
    RequireWritten(SavePictureFile(f.dayPath(20130502, "jpg"), photo, 64, 48, 90));
    f.openOn(QDate(2013, 6, 10));
    f.nb->SetCurrentDate(QDate(2013, 5, 1));
    f.nb->SetViewMode(ViewMode::List);
    const QImage& page = f.nb->pageBuffer();
    const PageViews& pages = f.nb->pages();
    ASSERT_EQ(pages.ListShown.shown.size(), 6u);
    EXPECT_EQ(pages.ListTableWidth, 100 + 6 * 100);
    EXPECT_EQ(pages.ListTableHeight, 3 * 20);
    // The photo of the second column stands above it; the first column has none.
    EXPECT_TRUE(isRed(page.pixelColor(thumbnail(1))));
    EXPECT_FALSE(isRed(page.pixelColor(thumbnail(0))));
    // First page: no link back, a link on.
    EXPECT_EQ(pages.HeaderLinks[0], QPoint(kLinkDisabled, kLinkDisabled));
    EXPECT_EQ(pages.HeaderLinks[1], QPoint(600, 10));
    f.click(QPoint(610, 15));
    ASSERT_EQ(pages.ListShown.shown.size(), 2u);
    EXPECT_EQ(pages.ListShown.shown.front(), QDate(2013, 5, 7));
    EXPECT_EQ(pages.HeaderLinks[0], QPoint(20, 10));
    EXPECT_EQ(pages.HeaderLinks[1], QPoint(kLinkDisabled, kLinkDisabled));
    // The grid closes after two columns.
    EXPECT_TRUE(isDark(f.nb->pageBuffer().pixelColor(20 + 300, 160)));
    EXPECT_FALSE(isDark(f.nb->pageBuffer().pixelColor(20 + 301 + 50, 160)));
    f.click(QPoint(30, 15));
    EXPECT_EQ(pages.ListShown.shown.front(), QDate(2013, 5, 1));
    // Turning pages never moved the current day; a thumbnail opens its day.
    EXPECT_EQ(f.nb->currentDate(), QDate(2013, 5, 1));
    // The band's exact upper edge is not a hit.
    f.click(QPoint(thumbnail(1).x(), 150 - 60 - 4));
    EXPECT_EQ(f.nb->viewMode(), ViewMode::List);
    f.click(thumbnail(1));
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Detail);
    EXPECT_EQ(f.nb->currentDate(), QDate(2013, 5, 2));
}

TEST(ListPage, EmptyNotebookAndSettingChange)
{
    PageFixture f("2013/04/01", kListLayout);
    f.openOn(QDate(2013, 6, 10));
    f.nb->SetViewMode(ViewMode::List);
    const PageViews& pages = f.nb->pages();
    EXPECT_TRUE(pages.ListShown.shown.empty());
    EXPECT_EQ(pages.ListTableWidth, 100);
    EXPECT_EQ(pages.HeaderLinks[0], QPoint(kLinkDisabled, kLinkDisabled));
    EXPECT_EQ(pages.HeaderLinks[1], QPoint(kLinkDisabled, kLinkDisabled));
    // The list setting: written and shown at once; Cancel or the same choice changes nothing.
    RequireWritten(WriteFileAtomic(f.dayPath(20130503, "jpg"), "x"));
    f.host.listDialog = [](ListMode) { return std::optional<ListMode>(ListMode::PhotoDays); };
    EXPECT_TRUE(f.nb->EditListSettings());
    EXPECT_EQ(IniFile::ReadInt(JoinPath(f.program, "Kelto.ini"), "List", "ListMode", 0), 2);
    EXPECT_EQ(pages.ListShown.shown.size(), 1u);
    EXPECT_FALSE(f.nb->EditListSettings());
    f.host.listDialog = [](ListMode) { return std::optional<ListMode>(); };
    EXPECT_FALSE(f.nb->EditListSettings());
    EXPECT_EQ(IniFile::ReadInt(JoinPath(f.program, "Kelto.ini"), "List", "ListMode", 0), 2);
}
