#include "store/CsvExport.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "res/Strings.h"
#include "store/DataFolders.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace {

bool plainNumber(const std::string& text)
{
    double value = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

std::string cell(std::string text)
{
    // A NUL byte (a damaged or hand-edited file) ends a cell in many readers: never copied.
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    // A spreadsheet runs text starting with "=", "+", "-" or "@" as a formula: a leading "'"
    // keeps it text. A plain number stays a number.
    if (!text.empty() && std::string_view("=+-@").find(text[0]) != std::string_view::npos
        && !plainNumber(text))
        text.insert(0, "'");
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string q = "\"";
    for (char c : text) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + "\"";
}

// A measured value for the sheet. A value no single-precision number can hold (a hand-edited
// 1e39 reads as infinity) is not a measurement: the cell stays empty as for a value not set.
// A negative zero, or a small negative value that rounds to zero, is written "0.0".
std::string number(float v, bool isSet)
{
    if (!isSet || !std::isfinite(v))
        return {};
    std::string text = FormatMeasure(v);
    if (text == "-0.0")
        text = "0.0";
    return text;
}

std::string length(float v)
{
    return number(v, v >= 0);
}

std::string temperature(float v)
{
    return number(v, v > kUnsetTemperature);
}

}  // namespace

Result ExportNotebookCsv(const std::string& folder, const std::string& outPath)
{
    if (!FolderExists(folder) || !IsNotebookFolder(folder))
        return Result::Failed(Msg::NotNotebookFolder, folder);
    NotebookInfo info = ReadNotebookInfo(folder);
    std::optional<QDate> start = ParseStartDate(info.StartDate);

    // Only files named exactly as a day count: a copy such as "20261101 copy.dat" adds no row.
    const std::vector<QDate> dates = ListDayFileDates(folder, "dat");

    std::string free1 = info.Option1.empty() ? kFreeItemDefaultCaption1 : info.Option1;
    std::string free2 = info.Option2.empty() ? kFreeItemDefaultCaption2 : info.Option2;
    std::string out = "\xEF\xBB\xBF";
    const std::vector<std::string> headers = {"日付",     "日数",   "天気",     "最低気温",   "最高気温",
                                              "日照時間", "草たけ", "葉の枚数", "葉の大きさ", "養液面",
                                              "室温",     free1,    free2,      "グラフ表示"};
    for (size_t i = 0; i < headers.size(); ++i)
        out += (i ? "," : "") + cell(headers[i]);
    out += "\r\n";

    for (const QDate& date : dates) {
        std::optional<DayWeather> w;
        std::optional<Measurements> m;
        ReadDayValues(folder, date, &w, &m);
        DayWeather weather = w.value_or(DayWeather{});
        Measurements values = m.value_or(Measurements{});
        std::vector<std::string> row = {
            date.toString("yyyy-MM-dd").toStdString(),
            start ? std::to_string(start->daysTo(date) + 1) : std::string(),
            weather.Weather,
            temperature(weather.LowTemp),
            temperature(weather.HighTemp),
            length(weather.Daylight),
            length(values.height),
            values.leaves >= 0 ? std::to_string(values.leaves) : std::string(),
            length(values.leafSize),
            length(values.solution),
            temperature(values.roomTemp),
            temperature(values.free1),
            temperature(values.free2),
            values.showInGraph() ? "1" : "0",
        };
        for (size_t i = 0; i < row.size(); ++i)
            out += (i ? "," : "") + cell(row[i]);
        out += "\r\n";
    }
    // What an export killed midway left beside the target goes first.
    RemoveStaleTemporariesOf(outPath);
    return WriteFileAtomic(outPath, out);
}
