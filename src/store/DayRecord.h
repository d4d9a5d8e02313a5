#pragma once
// One observation day: YYYYMMDD.dat (INI), YYYYMMDD.jpg and YYYYMMDD.txt in the notebook folder.
// The day is a value: the controller's current day is one, a bulk worker keeps its own.
#include "platform/Result.h"

#include <QDate>
#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr float kUnsetLength = -1.0f;         // lengths, counts, sunshine
inline constexpr float kUnsetTemperature = -100.0f;  // temperatures, free items
inline constexpr uint32_t kShowInGraph = 0x10;       // flags bit 4: DataGraph

struct DayWeather {
    float LowTemp = kUnsetTemperature;
    float HighTemp = kUnsetTemperature;
    float Daylight = kUnsetLength;
    std::string Weather;  // at most 31 CP932 bytes when typed in
};

// The measurements of a day.
struct Measurements {
    uint32_t flags = kShowInGraph;
    float height = kUnsetLength;         // DataHeight
    int leaves = -1;                     // DataCount
    float leafSize = kUnsetLength;       // DataWidth
    float solution = kUnsetLength;       // DataFuel
    float roomTemp = kUnsetTemperature;  // Temperature
    float free1 = kUnsetTemperature;     // Option1
    float free2 = kUnsetTemperature;     // Option2
    bool showInGraph() const { return flags & kShowInGraph; }
};

struct PictureSettings {
    int PictureWidth = 640;
    int PictureHeight = 480;
    int JpegQuality = 80;
};

struct DayRecord {
    QDate date;  // CurrentDate for the controller's day
    std::optional<DayWeather> weather;
    std::optional<Measurements> measurements;
    QImage picture;          // DayPicture; null when the day has no photo
    std::string sourcePath;  // PhotoSourcePath
    bool dirty = false;      // RecordDirty
    // Set by whoever replaces the picture (an import): only then is the photo file written.
    // A photo loaded from its file is never re-encoded, so it keeps its size, quality and EXIF.
    bool pictureChanged = false;
};

std::string DayFilePath(const std::string& folder, const QDate& date, const char* extension);

// Reads the day's photo and INI file into `day` (date set, not dirty).
void ReadDayFiles(const std::string& folder, const QDate& date, DayRecord& day);
// Reads only the INI values (no photo): weather and measurements, absent when no .dat exists.
bool ReadDayValues(const std::string& folder, const QDate& date, std::optional<DayWeather>* weather,
                   std::optional<Measurements>* measurements);
// Writes the photo when it changed (at its own size) and the INI keys, replacing the photo and
// the day file together only once both are complete. Shows nothing: the result names the file
// that could not be written. Texts are stored as DayFileText makes them.
Result WriteDayFiles(const std::string& folder, const DayRecord& day, const PictureSettings& settings);
// Makes the entries of the day files written into `folder` durable: each file's bytes are on
// the disk before WriteDayFiles renames it into place, and a rename is on the disk once the
// folder has been synced after it. A run that writes many days syncs once, after the last.
// False when the folder could not be synced.
[[nodiscard]] bool SyncDayFolder(const std::string& folder);
// A text as a day file keeps it: on one line (a line break becomes a space), with each
// character Shift-JIS cannot hold replaced by "?"; `replaced` tells whether anything was.
std::string DayFileText(std::string_view text, bool* replaced = nullptr);
// A photo's path as its day's SourcePath: a name that is not UTF-8 read as Shift-JIS first.
std::string SourcePathText(const std::string& path, bool* replaced = nullptr);
// Writes only the Weather section of a day file (bulk weather fetch); fails naming the day file.
Result WriteDayWeather(const std::string& folder, const QDate& date, const DayWeather& weather);

// Number formats of the day file: "%.01f" (one decimal, '.' whatever the locale), empty for unset.
std::string FormatMeasure(float value);
// A value as the day file and the dialogs show it: "%.01f", or empty when not set (below 0 for
// lengths, counts and sunshine; -100 or below for temperatures and free items). Never "inf",
// "nan" or "-0.0": a value that is not a number shows nothing, a negative zero shows 0.0.
std::string LengthText(float value);
std::string TemperatureText(float value);
// The C library's leading-number conversion, locale-independent; 0 for text without a number.
float ParseMeasure(const std::string& text);
// True when a day-file value starts with a number (blanks and "+" first) that a float holds.
bool IsDayNumber(const std::string& text);
// A day-file value: empty, not starting with a number, non-finite or beyond the float range
// reads as `unset`.
float ParseDayValue(const std::string& text, float unset);
