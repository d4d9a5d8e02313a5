#include "store/CsvExport.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "store/DataFolders.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"

#include <algorithm>
#include <vector>

namespace {

std::string cell(const std::string& text)
{
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

} // namespace

bool ExportNotebookCsv(const std::string& folder, const std::string& outPath, std::string* error)
{
    if (!FolderExists(folder) || !IsNotebookFolder(folder)) {
        if (error)
            *error = "not a notebook folder (no Kelto.dat): " + folder;
        return false;
    }
    NotebookInfo info = ReadNotebookInfo(folder);
    std::optional<QDate> start = ParseStartDate(info.StartDate);

    std::vector<int> dates;
    for (const auto& name : FindFiles(folder, "*.dat")) {
        int v = IniFile::ParseInt(name);
        if (!name.empty() && name[0] >= '0' && name[0] <= '9' && v > 20000000 && IntToDate(v).isValid())
            dates.push_back(v);
    }
    std::sort(dates.begin(), dates.end());
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());

    std::string free1 = info.Option1.empty() ? "フリー項目1" : info.Option1;
    std::string free2 = info.Option2.empty() ? "フリー項目2" : info.Option2;
    std::string out = "\xEF\xBB\xBF";
    const std::vector<std::string> headers = {"日付",   "日数",   "天気",   "最低気温", "最高気温",
                                              "日照時間", "草たけ", "葉の枚数", "葉の大きさ", "養液面",
                                              "室温",   free1,    free2,    "グラフ表示"};
    for (size_t i = 0; i < headers.size(); ++i)
        out += (i ? "," : "") + cell(headers[i]);
    out += "\r\n";

    for (int v : dates) {
        QDate date = IntToDate(v);
        std::optional<DayWeather> w;
        std::optional<Measurements> m;
        ReadDayValues(folder, date, &w, &m);
        DayWeather weather = w.value_or(DayWeather{});
        Measurements values = m.value_or(Measurements{});
        std::vector<std::string> row = {
            date.toString("yyyy-MM-dd").toStdString(),
            start ? std::to_string(start->daysTo(date) + 1) : std::string(),
            weather.Weather,
            TemperatureText(weather.LowTemp),
            TemperatureText(weather.HighTemp),
            LengthText(weather.Daylight),
            LengthText(values.height),
            values.leaves >= 0 ? std::to_string(values.leaves) : std::string(),
            LengthText(values.leafSize),
            LengthText(values.solution),
            TemperatureText(values.roomTemp),
            TemperatureText(values.free1),
            TemperatureText(values.free2),
            values.showInGraph() ? "1" : "0",
        };
        for (size_t i = 0; i < row.size(); ++i)
            out += (i ? "," : "") + cell(row[i]);
        out += "\r\n";
    }
    if (!WriteFileAtomic(outPath, out)) {
        if (error)
            *error = "cannot write the file: " + outPath;
        return false;
    }
    return true;
}
