#include "views/GraphPage.h"
#include "support/RequireWritten.h"
#include "views/LayoutIni.h"
#include "views/PageTestSupport.h"

#include <gtest/gtest.h>

namespace {
// Day columns of 20 from x 100; temperatures -20..40 over 120 pixels up from y 200, sunshine
// 0..12 over 80 from 300, lengths 0..10 over 100 from 430.
const std::vector<std::string> kGraphLayout = {
    "Graph/X=100",       "Graph/Y=450",          "Graph/Width=620",        "Graph/LinePitch=20",
    "Graph/LeafPitch=3", "Graph/LeafWidth=10",   "Graph1/Y=200",           "Graph1/Height=120",
    "Graph2/Y=300",      "Graph2/Height=80",     "Graph3/Y=430",           "Graph3/Height=100",
    "Notes/X=10",        "Notes/Y=10",           "Notes/Width=100",        "Notes/LinePitch=20",
    "Notes3/Title=長さ", "Notes3/Notes1=草たけ", "Notes3/Notes2=葉の枚数",
};
int centre(int day)
{
    return 100 + (day - 1) * 20 + 10;
}
bool isGreen(QColor c)
{
    return c.green() > 120 && c.red() < 110 && c.blue() < 110;
}
std::string fileBytes(const std::string& path)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}
bool near(const QImage& img, int x, int y, const std::function<bool(QColor)>& want)
{
    return countPixels(img, QRect(x - 1, y - 1, 3, 3), want) > 0;
}

struct GraphFixture : PageFixture {
    explicit GraphFixture(const std::vector<std::string>& extra = {})
        : PageFixture("2013/04/01", withExtra(extra))
    {
        const std::string ini = JoinPath(program, "Kelto.ini");
        RequireWritten(IniFile::WriteString(ini, "Graph", "Color1", "#FF0000"));  // plant height red
        RequireWritten(IniFile::WriteString(ini, "Graph", "Color2", "#00C000"));  // leaf bars green
        RequireWritten(IniFile::WriteString(ini, "Graph", "Color5", "#0000FF"));  // lowest temperature blue
        for (const char* key : {"Color3", "Color4", "Color6", "Color7", "Color8"})
            RequireWritten(IniFile::WriteString(ini, "Graph", key, "#000000"));
        day(20130503,
            {{"Growth", "DataHeight", "5.0"}, {"Growth", "DataCount", "7"}, {"Weather", "LowTemp", "10.0"}});
        day(20130505, {{"Growth", "DataHeight", "6.0"}, {"Weather", "HighTemp", "20.0"}});
        day(20130507,
            {{"Growth", "DataHeight", "9.0"}, {"Growth", "DataGraph", "0"}, {"Growth", "DataCount", "3"}});
    }
    static std::vector<std::string> withExtra(std::vector<std::string> extra)
    {
        extra.insert(extra.begin(), kGraphLayout.begin(), kGraphLayout.end());
        return extra;
    }
    void day(int date, std::vector<std::array<const char*, 3>> keys)
    {
        for (auto& [section, key, value] : keys)
            RequireWritten(IniFile::WriteString(dayPath(date, "dat"), section, key, value));
    }
    const QImage& showMay()
    {
        openOn(QDate(2013, 6, 10));
        nb->SetCalendarMonth(2013, 5);
        nb->SetViewMode(ViewMode::Graph);
        return nb->pageBuffer();
    }
};
}  // namespace

TEST(GraphPage, ScalePositions)
{
    struct Case {
        double value, bottom, top;
        int y, height, expected;
    } cases[] = {
        {10, -20, 40, 300, 120, 240},                                  // 30 of 60 degrees: half the height up
        {-25, -20, 40, 300, 120, 310},                                 // below the scale: drawn beyond it
        {40, -20, 40, 300, 120, 180},  {3.45f, 0, 10, 430, 100, 396},  // 34.5 pixels, truncated
        {5, 10, 10, 100, 100, 600},  // equal ends: one unit high, no division by zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(GraphScaleY(c.value, c.bottom, c.top, c.y, c.height), c.expected) << c.value;
    // Hand-edited ends the wrong way round are taken the right way round; zero gets one unit.
    GraphSettings g;
    g.MinTemp = 40;
    g.MaxTemp = -20;
    g.MaxLength = 0;
    EXPECT_EQ(GraphScaleEnds(g, 0), std::make_pair(-20.0, 40.0));
    EXPECT_EQ(GraphScaleEnds(g, 2), std::make_pair(0.0, 1.0));
    EXPECT_EQ(GraphScaleY(1e30, 0, 1, 430, 100), -kLayoutLimit);
}

TEST(GraphPage, SeriesDotsGapsAndLeafBarsOnTheirScales)
{
    GraphFixture f;
    // Beyond the scales: a plant of 40 cm on a 10 cm scale the user set, 60 leaves, a night of -45 degrees.
    RequireWritten(IniFile::WriteString(JoinPath(f.program, "Kelto.ini"), "Graph", "MaxLength", "10"));
    f.day(20130509,
          {{"Growth", "DataHeight", "40.0"}, {"Growth", "DataCount", "60"}, {"Weather", "LowTemp", "-45.0"}});
    f.day(20130510, {{"Growth", "DataHeight", "8.0"}, {"Weather", "LowTemp", "5.0"}});
    const QImage& page = f.showMay();
    // Plant height 5.0 on day 3 and 6.0 on day 5; day 4 has no record: the line joins them.
    EXPECT_TRUE(near(page, centre(3), 430 - 50, isRed));
    EXPECT_TRUE(near(page, centre(5), 430 - 60, isRed));
    EXPECT_TRUE(near(page, centre(4), 430 - 55, isRed));
    EXPECT_FALSE(near(page, centre(4), 430, isRed));
    // Day 7 is not shown in the graph (DataGraph 0): no dot, no bars.
    EXPECT_FALSE(near(page, centre(7), 430 - 90, isRed));
    EXPECT_EQ(countPixels(page, QRect(centre(7) - 5, 400, 11, 30), isGreen), 0);
    // Seven leaf bars on day 3, the lowest one pitch above the length scale's bottom.
    const int x = centre(3) - 5;
    for (int b = 0; b < 7; ++b)
        EXPECT_TRUE(isGreen(page.pixelColor(x + 5, 430 - 3 - 3 * b))) << b;
    EXPECT_FALSE(isGreen(page.pixelColor(x + 5, 430 - 3 - 3 * 7)));
    // The lowest temperature from the day file: 10 degrees on day 3; day 5 has none: no dot at 0.
    EXPECT_TRUE(near(page, centre(3), 200 - 60, isBlue));
    EXPECT_FALSE(near(page, centre(5), 200 - 40, isBlue));
    // The temperature scale's ends: a grey axis 24 left of the first column.
    EXPECT_TRUE(isGrey(page.pixelColor(76, 199)));
    EXPECT_TRUE(isGrey(page.pixelColor(76, 81)));
    EXPECT_TRUE(isGrey(page.pixelColor(79, 80)));
    // Each series keeps to the band of its scale (and a dot's size): lengths 330..430, temperatures
    // 80..200 (the day numbers below are blue).
    EXPECT_EQ(countPixels(page, QRect(0, 0, 780, 330 - 4), isRed), 0);
    EXPECT_EQ(countPixels(page, QRect(0, 0, 780, 330 - 4), isGreen), 0);
    EXPECT_EQ(countPixels(page, QRect(0, 200 + 5, 780, 440 - 205), isBlue), 0);
    // What lies on the scale is still drawn: the line leaves by the scale's edge, the bars fill it.
    EXPECT_GT(countPixels(page, QRect(centre(5), 326, centre(10) - centre(5), 8), isRed), 0);
    EXPECT_GT(countPixels(page, QRect(centre(9) - 5, 326, 11, 8), isGreen), 0);
}

TEST(GraphPage, HiddenSeriesAreNotDrawnAndSettingsChangesShowAtOnce)
{
    GraphFixture f;
    f.showMay();
    // Each change in the dialog is drawn at once; Cancel makes everything the dialog changed
    // Kelto.ini's again, and the file is untouched.
    const std::string ini = JoinPath(f.program, "Kelto.ini");
    const std::string before = fileBytes(ini);
    int coloured = -1;
    f.host.graphDialog = [&](const GraphSettings& s, const std::function<void(const GraphSettings&)>& preview) {
        GraphSettings changed = s;
        changed.visible.fill(false);
        changed.visible[SeriesRoomTemp - 1] = true;
        preview(changed);
        coloured = countPixels(f.host.screen, QRect(100, 60, 620, 380),
                               [](QColor c) { return isRed(c) || isGreen(c) || isBlue(c); });
        changed.MaxLength = 50;
        preview(changed);
        return std::optional<GraphSettings>();
    };
    EXPECT_FALSE(f.nb->EditGraphSettings());
    EXPECT_EQ(coloured, 0);
    EXPECT_EQ(fileBytes(ini), before);
    EXPECT_TRUE(f.nb->PageSnapshotNow().graph.settings.isVisible(SeriesHeight));
    EXPECT_TRUE(near(f.host.screen, centre(3), 380, isRed));
    // OK writes every key.
    f.host.graphDialog = [](const GraphSettings& s, const std::function<void(const GraphSettings&)>&) {
        GraphSettings changed = s;
        changed.MaxLength = 20;
        changed.MaxLengthSet = true;
        changed.visible[SeriesLeaves - 1] = false;
        changed.colors[SeriesDaylight - 1] = QColor(1, 2, 255);
        return std::optional<GraphSettings>(changed);
    };
    EXPECT_TRUE(f.nb->EditGraphSettings());
    EXPECT_EQ(IniFile::ReadInt(ini, "Graph", "MaxLength", 0), 20);
    EXPECT_EQ(IniFile::ReadInt(ini, "Graph", "Visible2", 1), 0);
    EXPECT_EQ(IniFile::ReadString(ini, "Graph", "Color7", ""), "#0102FF");
    EXPECT_TRUE(near(f.host.screen, centre(3), 430 - 25, isRed));  // 5 cm of 20
}

TEST(GraphPage, ALengthMaximumNeverSetFitsTheMonth)
{
    const std::pair<double, int> rounds[] = {{0, 1}, {9.5, 10}, {10, 15}, {33, 40}, {100, 150}, {250, 300}};
    for (auto [value, top] : rounds)
        EXPECT_EQ(RoundScaleMaximum(value), top) << value;

    GraphFixture f;
    f.day(20130509, {{"Growth", "DataHeight", "14.0"}});
    f.day(20130510, {{"Growth", "DataHeight", "33.0"}});
    // 33 cm on a scale fitted to 40: drawn 82 of the scale's 100 pixels up, not cut at its top.
    EXPECT_TRUE(near(f.showMay(), centre(10), 430 - 82, isRed));
    // The dialog shows the maximum drawn; OK without typing one writes none.
    int shown = 0;
    f.host.graphDialog = [&](const GraphSettings& s, const std::function<void(const GraphSettings&)>&) {
        shown = s.MaxLength;
        return std::optional<GraphSettings>(s);
    };
    EXPECT_TRUE(f.nb->EditGraphSettings());
    EXPECT_EQ(shown, 40);
    EXPECT_EQ(IniFile::ReadString(JoinPath(f.program, "Kelto.ini"), "Graph", "MaxLength", "none"), "none");
}

TEST(GraphPage, MouseOpensRecordedDaysAndShowsLegends)
{
    GraphFixture f;
    f.showMay();
    // Over the length scale left of the days: its legend at the pointer, once.
    f.nb->HandleMouse(MouseAction::Move, QPoint(50, 400));
    f.nb->HandleMouse(MouseAction::Move, QPoint(52, 401));
    ASSERT_EQ(f.host.notes.size(), 1u);
    EXPECT_EQ(f.host.notes[0], std::make_pair(3, QPoint(50, 400)));
    EXPECT_GT(countPixels(f.host.notesPicture, QRect(10 + 150 - 5, 10 + 20 + 9 - 12, 11, 16), isRed), 0);
    EXPECT_GT(countPixels(f.host.notesPicture, QRect(155, 50, 11, 20), isGreen), 0);
    f.nb->HandleMouse(MouseAction::Move, QPoint(centre(10), 300));
    ASSERT_EQ(f.host.notes.size(), 2u);
    EXPECT_EQ(f.host.notes[1].first, 0);
    // A day without a record opens nothing; a recorded one opens on the detail page.
    f.click(QPoint(centre(4), 455));
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Graph);
    f.click(QPoint(centre(5), 455));
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Detail);
    EXPECT_EQ(f.nb->currentDate(), QDate(2013, 5, 5));
}

TEST(GraphPage, OutOfRangeSettingsDrawWithoutFailing)
{
    const std::vector<std::vector<std::string>> layouts = {
        {"Graph/LinePitch=0", "Graph1/Height=0", "Graph3/Height=-50", "Graph/LeafPitch=0"},
        {"Graph/X=-99999999", "Graph/Width=99999999", "Graph/LeafWidth=-5", "Graph/LeafPitch=-4"},
    };
    for (const auto& layout : layouts) {
        GraphFixture f(layout);
        const std::string ini = JoinPath(f.program, "Kelto.ini");
        RequireWritten(IniFile::WriteString(ini, "Graph", "MaxTemp", "-20"));
        RequireWritten(IniFile::WriteString(ini, "Graph", "MaxLength", "0"));
        RequireWritten(IniFile::WriteString(ini, "Graph", "MaxDaylight", "-3"));
        RequireWritten(IniFile::WriteString(ini, "Graph", "FontSize", "0"));
        f.day(20130508, {{"Growth", "DataCount", "2000000000"}, {"Growth", "DataHeight", "1e38"}});
        f.showMay();
        for (QPoint at : {QPoint(0, 0), QPoint(centre(3), 455), QPoint(400, 300)}) {
            f.click(at);
            f.nb->HandleMouse(MouseAction::Move, at);
        }
        EXPECT_FALSE(f.nb->pageBuffer().isNull());
    }
}

TEST(GraphPage, DefaultColoursStayApartInGreyAndChosenOnesAreKept)
{
    // A fresh Kelto.ini: eight colours, no two alike in grey as a black and white print shows them.
    const std::array<QColor, kGraphSeriesCount> colors = GraphSettings{}.colors;
    auto luma = [](QColor c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); };
    for (int a = 0; a < kGraphSeriesCount; ++a)
        for (int b = a + 1; b < kGraphSeriesCount; ++b) {
            EXPECT_GE(std::abs(luma(colors[a]) - luma(colors[b])), 20) << a + 1 << " " << b + 1;
            EXPECT_GE(std::abs(qGray(colors[a].rgb()) - qGray(colors[b].rgb())), 20) << a + 1 << " " << b + 1;
        }
    PageFixture f;
    RequireWritten(IniFile::WriteString(JoinPath(f.program, "Kelto.ini"), "Graph", "Color6", "#000000"));
    f.openOn(QDate(2013, 6, 1));
    const GraphSettings read = f.nb->PageSnapshotNow().graph.settings;
    for (int k = 1; k <= kGraphSeriesCount; ++k)
        EXPECT_EQ(read.color(k), k == SeriesHighTemp ? QColor(0, 0, 0) : colors[k - 1]) << k;
    EXPECT_TRUE(f.prompt.asked().empty());
}
