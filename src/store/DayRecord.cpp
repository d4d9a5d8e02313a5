#include "store/DayRecord.h"

#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "res/Strings.h"
#include "store/NotebookFile.h"

#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>

#include <fcntl.h>
#include <unistd.h>

std::string DayFilePath(const std::string& folder, const QDate& date, const char* extension)
{
    return JoinPath(folder, DayFileStem(date) + "." + extension);
}

std::string FormatMeasure(float value)
{
    if (!std::isfinite(value))
        return std::string();
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 1);
    std::string text(buf, r.ptr);
    // A small negative value rounds to "-0.0"; the page and the file show it as 0.0.
    if (text == "-0.0")
        text = "0.0";
    return text;
}

std::string LengthText(float v)
{
    return v >= 0 ? FormatMeasure(v) : std::string();
}

std::string TemperatureText(float v)
{
    return v > kUnsetTemperature ? FormatMeasure(v) : std::string();
}

namespace {

// The C library's leading-number conversion, locale-independent: blanks and a "+" first.
std::from_chars_result scanLeadingNumber(const std::string& text, double& v)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    return std::from_chars(text.data() + i, text.data() + text.size(), v);
}

}  // namespace

float ParseMeasure(const std::string& text)
{
    double v = 0;
    auto r = scanLeadingNumber(text, v);
    if (r.ec != std::errc() || !std::isfinite(v))
        return 0.0f;
    return static_cast<float>(v);
}

bool IsDayNumber(const std::string& text)
{
    double v = 0;
    auto r = scanLeadingNumber(text, v);
    return r.ec == std::errc() && std::isfinite(v) && std::fabs(v) <= FLT_MAX;
}

float ParseDayValue(const std::string& text, float unset)
{
    // Text that does not start with a number (markup, a formula) is no measurement: it reads
    // as not set, never as 0.
    if (!IsDayNumber(text))
        return unset;
    double v = 0;
    scanLeadingNumber(text, v);
    return static_cast<float>(v);
}

namespace {

float readValue(const std::string& path, const char* section, const char* key, float unset)
{
    return ParseDayValue(IniFile::ReadString(path, section, key, ""), unset);
}

}  // namespace

bool ReadDayValues(const std::string& folder, const QDate& date, std::optional<DayWeather>* weather,
                   std::optional<Measurements>* measurements)
{
    std::string path = DayFilePath(folder, date, "dat");
    if (!FileExists(path)) {
        if (weather)
            weather->reset();
        if (measurements)
            measurements->reset();
        return false;
    }
    if (weather) {
        DayWeather w;
        w.Weather = CutUtf8(IniFile::ReadString(path, "Weather", "Weather", ""), kNotebookTextBytes);
        w.LowTemp = readValue(path, "Weather", "LowTemp", kUnsetTemperature);
        w.HighTemp = readValue(path, "Weather", "HighTemp", kUnsetTemperature);
        w.Daylight = readValue(path, "Weather", "Daylight", kUnsetLength);
        *weather = w;
    }
    if (measurements) {
        Measurements m;
        m.height = readValue(path, "Growth", "DataHeight", kUnsetLength);
        m.leafSize = readValue(path, "Growth", "DataWidth", kUnsetLength);
        std::string count = IniFile::ReadString(path, "Growth", "DataCount", "");
        m.leaves = IsDayNumber(count) ? IniFile::ParseInt(count) : -1;
        m.solution = readValue(path, "Growth", "DataFuel", kUnsetLength);
        m.roomTemp = readValue(path, "Growth", "Temperature", kUnsetTemperature);
        m.free1 = readValue(path, "Growth", "Option1", kUnsetTemperature);
        m.free2 = readValue(path, "Growth", "Option2", kUnsetTemperature);
        m.flags = IniFile::ReadInt(path, "Growth", "DataGraph", 1) ? kShowInGraph : 0;
        *measurements = m;
    }
    return true;
}

void ReadDayFiles(const std::string& folder, const QDate& date, DayRecord& day)
{
    day = DayRecord{};
    day.date = date;
    QImage picture;
    if (LoadPictureFile(DayFilePath(folder, date, "jpg"), picture))
        day.picture = std::move(picture);
    ReadDayValues(folder, date, &day.weather, &day.measurements);
}

std::string DayFileText(std::string_view text, bool* replaced)
{
    std::string line = ReplaceNonCp932(IniFile::OneLine(text), replaced);
    if (replaced && !IniFile::IsOneLine(text))
        *replaced = true;
    return line;
}

std::string SourcePathText(const std::string& path, bool* replaced)
{
    return DayFileText(DecodeFileName(path), replaced);
}

namespace {

std::vector<IniFile::KeyChange> weatherChanges(const DayWeather& w)
{
    return {{"Weather", "Weather", DayFileText(w.Weather)},
            {"Weather", "LowTemp", TemperatureText(w.LowTemp)},
            {"Weather", "HighTemp", TemperatureText(w.HighTemp)},
            {"Weather", "Daylight", LengthText(w.Daylight)}};
}

}  // namespace

Result WriteDayWeather(const std::string& folder, const QDate& date, const DayWeather& w)
{
    std::string path = DayFilePath(folder, date, "dat");
    return IniFile::WriteChanges(path, weatherChanges(w)).as(Msg::DayWriteFailed);
}

Result WriteDayFiles(const std::string& folder, const DayRecord& day, const PictureSettings& settings)
{
    std::string path = DayFilePath(folder, day.date, "dat");
    std::vector<IniFile::KeyChange> changes;
    std::string photo, photoBytes;
    if (day.pictureChanged && !day.picture.isNull()) {
        // Written at the picture's own size: an import made it the notebook's size, and a
        // picture of another size is kept whole rather than cut to a corner.
        photo = DayFilePath(folder, day.date, "jpg");
        photoBytes = EncodePictureFile(photo, day.picture, day.picture.width(), day.picture.height(),
                                       settings.JpegQuality);
        if (photoBytes.empty())
            return Result::Failed(Msg::PictureSaveFailed, photo);
        if (!day.sourcePath.empty())
            changes.push_back({"Picture", "SourcePath", SourcePathText(day.sourcePath)});
    }
    if (day.weather) {
        std::vector<IniFile::KeyChange> w = weatherChanges(*day.weather);
        changes.insert(changes.end(), w.begin(), w.end());
    }
    if (day.measurements) {
        const Measurements& m = *day.measurements;
        std::pair<const char*, std::string> growth[] = {
            {"DataHeight", LengthText(m.height)},
            {"DataWidth", LengthText(m.leafSize)},
            {"DataCount", m.leaves >= 0 ? std::to_string(m.leaves) : std::string()},
            {"DataFuel", LengthText(m.solution)},
            {"Temperature", TemperatureText(m.roomTemp)},
            {"DataGraph", m.showInGraph() ? "1" : "0"},
            {"Option1", TemperatureText(m.free1)},
            {"Option2", TemperatureText(m.free2)}};
        for (auto& [key, value] : growth)
            changes.push_back({"Growth", key, std::move(value)});
    }
    // The photo and the day file are replaced together or not at all: a day never has a new
    // photo without its record, nor a record naming a photo that was not written.
    std::vector<std::pair<std::string, std::string_view>> companions;
    if (!photoBytes.empty())
        companions.emplace_back(photo, photoBytes);
    const Result written =
        changes.empty() ? WriteFilesAtomic(companions) : IniFile::WriteChanges(path, changes, companions);
    if (!written)
        return written.path == photo ? Result::Failed(Msg::PictureSaveFailed, photo, written.detail)
                                     : Result::Failed(Msg::DayWriteFailed, path, written.detail);
    return Result{};
}

bool SyncDayFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int r;
    do
        r = ::fsync(fd);
    while (r != 0 && errno == EINTR);
    // A file system that cannot sync a folder (EINVAL) keeps its entries as it keeps them.
    const bool synced = r == 0 || errno == EINVAL;
    ::close(fd);
    return synced;
}
