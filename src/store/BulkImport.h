#pragma once
// Importing every JPEG and BMP photo of a folder: each becomes the day record of its EXIF
// date. Photos are taken in name order, so two photos of one day give the same day on every
// machine (the later name wins). Decoding and fitting run on a pool of threads, each with its
// own buffers; the days are written one by one in name order, so the result is the same as a
// one-thread run. Everything the run touches comes in as values and hooks: it runs on a
// worker thread behind the progress dialog or on the command line.
#include "photos/PhotoFit.h"
#include "platform/Progress.h"
#include "platform/Result.h"
#include "store/DayRecord.h"

#include <QDate>
#include <QSize>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The photo files of `folder` (regular files named *.jpg, *.jpeg or *.bmp in any case), by
// name (byte order). Empty when the folder cannot be listed.
std::vector<std::string> ListPhotoFiles(const std::string& folder);
bool IsPhotoFileName(const std::string& name);

// What the weather step gave for a day.
// Stopped: the user stopped the run while the weather was being fetched.
enum class DayWeatherOutcome { Fetched, NotPublished, Failed, Stopped };
// What to do with a photo that has no date.
enum class UndatedAnswer { Skip, SkipAll, Stop };

struct BulkImportHooks {
    // The rotation question for the first portrait photo (asked once; the answer holds for
    // the run). Empty: portrait photos are skipped and listed.
    RotateAsk askRotation;
    // A photo has no date: skip it, skip it and every later one without asking, or stop the
    // run. Empty: skipped.
    std::function<UndatedAnswer(const std::string& path)> askUndated;
    // The user pressed stop: true ends the run, false goes on (the flag is cleared).
    std::function<bool()> confirmStop;
    // The day's weather; empty: no weather is fetched.
    std::function<DayWeatherOutcome(const QDate& date, DayWeather& out)> weather;
    // Writes a day; a failure ends the run. Empty: the day files in `folder` are written.
    std::function<Result(const DayRecord& day)> write;
    // The program stopped the run without asking (it is closing): a day it then no longer
    // writes ends the run as stopped, not failed. Empty: never.
    std::function<bool()> stoppedWithoutAsking;
};

struct BulkImportOptions {
    std::string notebookFolder;  // for the default write
    PictureSettings pictures;
    RotationChoice rotation = RotationChoice::None;  // a choice known before the run (command line)
    int threads = 0;                                 // decode threads; 0: one per core
    QDate today;  // no day after it is made; its own day has no published weather yet
};

// A photo of a date that another photo of the run already took: the later name wins.
struct ReplacedPhoto {
    QDate date;
    std::string replaced, by;
};

struct BulkImportReport {
    int matching = 0;  // photo files found (the progress range)
    int steps = 0;     // files that were loaded or failed to load
    int imported = 0;  // days written, each counted once
    std::vector<std::string> unreadable, undated, portraitSkipped;
    std::vector<std::pair<QDate, std::string>> afterToday;  // skipped: dated after today
    std::vector<ReplacedPhoto> replaced;
    // Photos whose name the day file keeps with characters replaced (DayFileText).
    std::vector<std::string> nameReplaced;
    std::vector<QDate> weatherNotPublished;  // photos of today, imported without weather
    bool stopped = false;                    // by the user (stop button, rotation cancel, 154)
    bool failed = false;                     // weather or day write failed
    QDate failedDay;
    Result failure;  // the file that could not be written (or Msg::WeatherFetchFailed)
    QDate lastDate;  // the last day written
    RotationChoice rotation = RotationChoice::None;  // the choice the run ended with
};

BulkImportReport RunBulkImport(const std::vector<std::string>& files, const BulkImportOptions& options,
                               Progress& progress, const BulkImportHooks& hooks);

// A readable summary: what was imported, then every file left out and why.
enum class SummaryLanguage { Japanese, English };
std::string BulkImportSummary(const BulkImportReport& report,
                              SummaryLanguage language = SummaryLanguage::Japanese);
