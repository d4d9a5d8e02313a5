#pragma once
// The graph page: one month on three scales (temperatures, sunshine, lengths) over one row of
// day columns, with the leaf count as stacked bars. What it draws comes in a GraphInput value:
// the user's graph settings, the month's values read from the day files and the month's weather.
#include "platform/Result.h"
#include "platform/SettingKey.h"

#include <QColor>
#include <QDate>
#include <QRect>
#include <QSize>

#include <array>
#include <string>

class QPainter;

// The eight series, numbered as the keys Visible1..8 and Color1..8 number them.
enum GraphSeries {
    SeriesHeight = 1,    // plant height, lengths
    SeriesLeaves = 2,    // leaf count, stacked bars on the length scale's base
    SeriesLeafSize = 3,  // lengths
    SeriesSolution = 4,  // solution level, lengths
    SeriesLowTemp = 5,   // temperatures
    SeriesHighTemp = 6,  // temperatures
    SeriesDaylight = 7,  // sunshine
    SeriesRoomTemp = 8,  // temperatures
};
inline constexpr int kGraphSeriesCount = 8;

// The series' colours until the user chooses others: hues that say what a series is (green the
// plant, black the leaf bars, blue the solution, dark blue cold, red hot, orange the room, yellow
// the sun), each a step of grey apart from every other so that a black and white print still
// tells them apart.
inline constexpr std::array<const char*, kGraphSeriesCount> kGraphDefaultColors = {
    "#33BC26",  // plant height
    "#000000",  // leaf count
    "#4F0F67",  // leaf size
    "#0B83A7",  // solution level
    "#000A8E",  // lowest temperature
    "#B01412",  // highest temperature
    "#CFC129",  // sunshine
    "#D4902A",  // room temperature
};
std::array<QColor, kGraphSeriesCount> GraphDefaultColors();

// Kelto.ini [Graph]: the user's choices for the graph.
struct GraphSettings {
    std::array<bool, kGraphSeriesCount> visible{true, true, true, true, true, true, true, true};
    std::array<QColor, kGraphSeriesCount> colors = GraphDefaultColors();
    int MaxLength = 10;
    // Whether Kelto.ini holds MaxLength. A maximum never set fits the month drawn (see
    // FitGraphSettings) and is not written until the user sets one.
    bool MaxLengthSet = false;
    int MinTemp = -20;
    int MaxTemp = 40;
    int MaxDaylight = 12;
    bool GetWeather = true;
    std::string FontName;  // empty: the page font
    int FontSize = 16;     // also places the day numbers when there is no face

    bool isVisible(int series) const { return visible[series - 1]; }
    const QColor& color(int series) const { return colors[series - 1]; }
    bool operator==(const GraphSettings&) const = default;
};

namespace GraphIni {
inline constexpr const char* Section = "Graph";
inline constexpr IntSetting MaxLength{"Graph", "MaxLength", 10};
inline constexpr IntSetting MinTemp{"Graph", "MinTemp", -20};
inline constexpr IntSetting MaxTemp{"Graph", "MaxTemp", 40};
inline constexpr IntSetting MaxDaylight{"Graph", "MaxDaylight", 12};
inline constexpr IntSetting GetWeather{"Graph", "GetWeather", 1};
inline constexpr TextSetting FontName{"Graph", "FontName", ""};
inline constexpr IntSetting FontSize{"Graph", "FontSize", 16};
}  // namespace GraphIni

// Reads everything but the colours; `readColor(key, default)` gives the colour of Color<k>, the
// default text when the key is missing (its own reader reports a malformed value).
template <class ColorReader>
GraphSettings ReadGraphSettings(const std::string& settingsFile, ColorReader readColor);
GraphSettings ReadGraphSettingsExceptColors(const std::string& settingsFile);
// Writes Visible1-8, Color1-8, the scale ends and GetWeather with one replacement of the file.
Result WriteGraphSettings(const std::string& settingsFile, const GraphSettings& settings);
std::string ColorText(const QColor& color);  // "#RRGGBB"

template <class ColorReader>
GraphSettings ReadGraphSettings(const std::string& settingsFile, ColorReader readColor)
{
    GraphSettings g = ReadGraphSettingsExceptColors(settingsFile);
    for (int k = 1; k <= kGraphSeriesCount; ++k)
        g.colors[k - 1] = readColor("Color" + std::to_string(k), kGraphDefaultColors[k - 1]);
    return g;
}

// Layout.ini [Graph], [Graph1]-[Graph3]: where the page's parts stand.
struct GraphScaleLayout {
    int Y = 100;  // bottom of the scale
    int Height = 100;
};
struct GraphLayout {
    int X = 10, Y = 10;  // left edge of day 1's column; base line above the day numbers
    int Width = 100;     // base line and clickable day area
    int LinePitch = 20;  // one day column
    int LeafPitch = 3, LeafWidth = 10;
    std::array<GraphScaleLayout, 3> scales{};  // temperatures, sunshine, lengths
};
GraphLayout ReadGraphLayout(const std::string& layoutFile);

inline constexpr int kGraphDays = 31;

// One month of weather, entry j for day j + 1. A value that is not known is unset (below the
// unset marks of the day file), so a day without it leaves a gap in its series.
struct GraphWeather {
    struct Day {
        bool present = false;
        float LowTemp = -100.0f;
        float HighTemp = -100.0f;
        float Daylight = -1.0f;
    };
    std::array<Day, kGraphDays> days{};
    int dayCount = 0;  // entries from day 1 that the weather covers
};

// The growth values of the shown month, entry j for day j + 1.
struct GraphMonth {
    struct Day {
        bool recorded = false;    // the day has a record file
        bool showInGraph = true;  // the record's DataGraph
        float height = -1.0f, leafSize = -1.0f, solution = -1.0f;
        int leaves = -1;
        float roomTemp = -100.0f;
    };
    int year = 0, month = 0;
    int dayCount = 0;  // days drawn: to today in the current month, the whole of a past one
    std::array<Day, kGraphDays> days{};
};

struct GraphInput {
    GraphSettings settings;
    GraphMonth month;
    GraphWeather weather;
};

// Reads the shown month's growth values from the day files of `folder`; days after `today` are
// not drawn (day 1 always is).
GraphMonth ReadGraphMonth(const std::string& folder, int year, int month, const QDate& today);
// The month's weather as the day files hold it: each recorded day up to the last one.
GraphWeather ReadMonthWeatherFromDays(const std::string& folder, const GraphMonth& month);

// Where a value stands on a scale: the bottom of the scale less the value's share of its
// height, truncated toward zero. A scale whose top is not above its bottom is taken as one
// unit high, so no value divides by zero; results stay within the layout's pixel range.
int GraphScaleY(double value, double bottom, double top, int scaleY, int scaleHeight);
// Where the series of scale `scale` (0 temperatures, 1 sunshine, 2 lengths) may draw on a page
// occupying `page`: the band of the scale's height across the page, and a dot's size more.
QRect GraphPlotArea(const GraphLayout& layout, int scale, const QRect& page);
// The scale ends as drawn: (bottom, top) of scale 0 temperatures, 1 sunshine, 2 lengths.
std::pair<double, double> GraphScaleEnds(const GraphSettings& g, int scale);
// The settings a month is drawn with: a length maximum never set becomes the default, or a
// round value above the month's largest length when a value would stand above the default.
// A set maximum stays as it is.
GraphSettings FitGraphSettings(const GraphSettings& g, const GraphMonth& month);
// A round scale maximum above `value`: 15, 20, 40, 150, 200, ... (steps of a half power of ten
// below twice a power of ten, of a whole power above).
int RoundScaleMaximum(double value);

// The legend of scale `scale` (1-3), from Layout.ini [Notes] and [Notes<scale>], in the series' colours.
// The legend popup's size: the fixed 360 x 240, or more when the layout places the legend further.
QSize GraphNotesSize(const std::string& layoutFile);
void DrawGraphNotes(QPainter& p, int scale, const std::string& layoutFile, const GraphLayout& layout,
                    const GraphSettings& settings);
