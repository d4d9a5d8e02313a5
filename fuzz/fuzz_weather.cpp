// Weather page scrapers: arbitrary bytes as a fetched page, read as a daily table (both page
// kinds, every day and the whole month) and as the two place lists.
// Properties: values are usable numbers or unset, texts are valid UTF-8 within the day file's
// limit and on one line, a month has at most 31 days, every listed place has a name and a number, once.
#include "FuzzSupport.h"
#include "platform/TextCodec.h"
#include "store/DayOperations.h"
#include "weather/WeatherScrape.h"

#include <cmath>
#include <set>
#include <string>

namespace {
DailyTableLayout layout(bool amedas)
{
    DailyTableLayout l;
    l.tableTag = "tablefix1";
    l.headerCount = amedas ? 3 : 4;
    l.colCount = amedas ? 18 : 21;
    l.lowTempCol = amedas ? 7 : 9;
    l.highTempCol = amedas ? 6 : 8;
    l.daylightCol = amedas ? 16 : 17;
    l.weatherCol = amedas ? 0 : 20;
    return l;
}

void checkValue(float v, float unset)
{
    if (v != unset && (!std::isfinite(v) || std::fabs(v) > 1000.0f))
        fuzz::Fail("a value that is neither a number nor unset");
}

void checkList(const std::optional<std::vector<PlaceEntry>>& list)
{
    if (!list)
        return;
    std::set<int> codes;
    for (const PlaceEntry& e : *list) {
        if (e.name.empty() || !IsValidUtf8(e.name))
            fuzz::Fail("a place without a valid name");
        if (e.name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            fuzz::Fail("a place name of more than one line");
        if (!codes.insert(e.code).second)
            fuzz::Fail("a place listed twice");
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    const bool utf8 = PageIsUtf8(page);
    for (bool amedas : {false, true}) {
        for (int day : {1, 2, 15, 31}) {
            DayWeather w;
            if (!ScrapeDay(page, layout(amedas), day, utf8, w))
                continue;
            checkValue(w.LowTemp, kUnsetTemperature);
            checkValue(w.HighTemp, kUnsetTemperature);
            checkValue(w.Daylight, kUnsetLength);
            if (!IsValidUtf8(w.Weather) || Cp932Length(w.Weather) > kWeatherBytes)
                fuzz::Fail("a weather text the day file cannot keep");
            if (w.Weather.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
                fuzz::Fail("a weather text that breaks a line of the day file");
        }
        if (auto m = ScrapeMonth(page, layout(amedas))) {
            if (m->count < 0 || m->count > 31)
                fuzz::Fail("a month of more than 31 days");
            for (const auto& e : m->days) {
                checkValue(e.LowTemp, kUnsetTemperature);
                checkValue(e.HighTemp, kUnsetTemperature);
                checkValue(e.Daylight, kUnsetLength);
            }
        }
    }
    PlaceListTags pref;
    pref.rowTag = "<area shape";
    checkList(ParsePrefectureList(page, pref, utf8));
    PlaceListTags station;
    station.rowTag = "viewPoint";
    checkList(ParseStationList(page, station, utf8));
    return 0;
}
