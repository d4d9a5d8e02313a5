#pragma once
// Taking values out of the weather site's pages. Every function reads only inside the text it
// is given and never fails by reading past it; a page that does not match its tags gives
// failure (day scrape, lists) or an empty result, never made-up values.
#include "store/DayRecord.h"
#include "weather/WeatherSite.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Weather of the days of one month, entry i for day i + 1.
struct MonthWeatherTable {
    // Marks: which values of an entry were read from the page (a missing cell leaves its bit
    // clear and its value unset).
    static constexpr uint32_t kLowRead = 2, kHighRead = 4, kDaylightRead = 8;
    struct Entry {
        uint32_t marks = 0;
        float LowTemp = kUnsetTemperature;
        float HighTemp = kUnsetTemperature;
        float Daylight = kUnsetLength;
    };
    std::array<Entry, 31> days{};
    // Day rows up to the last one that holds any value (a current month's future days, listed
    // empty or left out, are not counted).
    int count = 0;
};

// One cell's number. Cells of the site carry marks: "--" (no phenomenon: sunshine 0),
// "12.3 )" (usable), "12.3 ]" (too much input missing), "×", "///", "#", empty. A number,
// alone or with ")" or "]" behind it, is a value; the rest are none. `zeroForNone` makes "--"
// read as 0.
std::optional<float> CellNumber(std::string_view cell, bool zeroForNone);

// The row of `day` (1-31) of the daily table; false when the table or that row is not there.
// Values of cells the row lacks, or that hold no usable number, are left unset in `out`. The
// weather text is the cell's first line, its white space folded.
bool ScrapeDay(std::string_view page, const DailyTableLayout& layout, int day, bool pageIsUtf8,
               DayWeather& out);
// Every day row of the table; nullopt when the table or its header rows are not there.
std::optional<MonthWeatherTable> ScrapeMonth(std::string_view page, const DailyTableLayout& layout);

struct PlaceEntry {
    std::string name;  // UTF-8; a station with a weather text ends in "◎"
    int code = 0;      // prefecture number, or station number (negative: AMeDAS only)
};
// The areas of the prefecture map in page order, each prefecture once. Nullopt when the page
// holds no map.
std::optional<std::vector<PlaceEntry>> ParsePrefectureList(std::string_view page, const PlaceListTags& tags,
                                                           bool pageIsUtf8);
// The stations of a prefecture's map in page order, each station once (a station has several
// areas, not always side by side). Areas without station data (the "all stations" area, links
// to neighbouring prefectures) and the script's own definition in the page head are not stations.
std::optional<std::vector<PlaceEntry>> ParseStationList(std::string_view page, const PlaceListTags& tags,
                                                        bool pageIsUtf8);
