// Day files: arbitrary bytes as YYYYMMDD.dat in a notebook folder, read as the pages and the
// CSV export read them, then the weather written back as a bulk fetch does. Properties: the
// weather written reads back, and writing it keeps the day's measurements.
#include "FuzzSupport.h"
#include "store/DayRecord.h"

#include <cstring>
#include <string>

namespace {

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameMeasurements(const Measurements& a, const Measurements& b)
{
    return a.flags == b.flags && a.leaves == b.leaves && sameBits(a.height, b.height)
           && sameBits(a.leafSize, b.leafSize) && sameBits(a.solution, b.solution)
           && sameBits(a.roomTemp, b.roomTemp) && sameBits(a.free1, b.free1) && sameBits(a.free2, b.free2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& folder = fuzz::ScratchNotebook();
    const QDate date(2024, 5, 1);
    fuzz::WriteFile(DayFilePath(folder, date, "dat"), data, size);

    std::optional<DayWeather> weather;
    std::optional<Measurements> measurements;
    if (!ReadDayValues(folder, date, &weather, &measurements))
        fuzz::Fail("an existing day file reads as missing");
    if (!weather || !measurements)
        fuzz::Fail("a day file without weather or measurements");
    // What the pages and the CSV make of the values must not trip the sanitizers either.
    (void)TemperatureText(weather->LowTemp);
    (void)TemperatureText(weather->HighTemp);
    (void)LengthText(weather->Daylight);
    (void)LengthText(measurements->height);
    (void)TemperatureText(measurements->free1);

    DayWeather fetched;
    fetched.Weather = "晴れ";
    fetched.LowTemp = 9.5f;
    fetched.HighTemp = 21.0f;
    fetched.Daylight = 6.5f;
    if (!WriteDayWeather(folder, date, fetched))
        return 0;
    std::optional<DayWeather> weather2;
    std::optional<Measurements> measurements2;
    ReadDayValues(folder, date, &weather2, &measurements2);
    if (!weather2 || weather2->Weather != fetched.Weather || weather2->LowTemp != fetched.LowTemp
        || weather2->HighTemp != fetched.HighTemp || weather2->Daylight != fetched.Daylight)
        fuzz::Fail("the weather written does not read back");
    if (!measurements2 || !sameMeasurements(*measurements, *measurements2))
        fuzz::Fail("writing the weather changed the measurements");
    return 0;
}
