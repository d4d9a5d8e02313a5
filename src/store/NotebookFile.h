#pragma once
// Kelto.dat, the notebook file: one [Data] section of texts; absent keys read empty.
#include "platform/Result.h"

#include <QDate>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kNotebookFileName = "Kelto.dat";
// What a text read from a notebook file (Kelto.dat or a day file) keeps at most, in UTF-8
// bytes, cut at a character: more than any page or printed header shows.
inline constexpr size_t kNotebookTextBytes = 1024;

struct NotebookInfo {
    std::string StartDate;  // "%04d/%02d/%02d", empty until first set
    std::string KindName;
    std::string SchoolName;
    std::string GradeNo;
    std::string ClassName;
    std::string StudentNo;
    std::string StudentName;
    std::string Option1;
    std::string Option2;
    bool hasOption1 = false;  // the settings dialog offers a default name when absent
    bool hasOption2 = false;
};

std::string NotebookFilePath(const std::string& notebookFolder);
// Texts are read up to kNotebookTextBytes.
NotebookInfo ReadNotebookInfo(const std::string& notebookFolder);
// Writes every key (StartDate included) with one replacement of the file; fails, naming
// Kelto.dat, when the file could not be written or a text cannot be stored.
Result WriteNotebookInfo(const std::string& notebookFolder, const NotebookInfo& info);
std::string ReadNotebookKey(const std::string& notebookFolder, const char* key);
Result WriteNotebookKey(const std::string& notebookFolder, const char* key, const std::string& value);

// A text that does not hold three numbers separated by "/" forming a real date reads as not set.
std::optional<QDate> ParseStartDate(const std::string& text);
std::string FormatIniDate(const QDate& date);  // "%04d/%02d/%02d"
std::string DayFileStem(const QDate& date);    // "%04d%02d%02d"
int DateToInt(const QDate& date);              // YYYYMMDD
QDate IntToDate(int yyyymmdd);                 // invalid when not a real date

// The one rule for day files: a name is a day's file only when it is exactly "YYYYMMDD.ext"
// (the extension without regard to case) and the eight digits are a real date. Copies such as
// "20261105 - コピー.dat" are not days. Returns the date, invalid otherwise.
QDate DayFileDate(std::string_view fileName, std::string_view extension);
// The dates of the day files with `extension` ("dat", "jpg") in `folder`, sorted, each once.
// Only regular files count.
std::vector<QDate> ListDayFileDates(const std::string& folder, std::string_view extension);
// Removes what a write of the notebook's own files (Kelto.dat and the day files) left behind
// when the program was killed mid-write; returns how many files went.
int RemoveStaleNotebookTemporaries(const std::string& notebookFolder);

// A free-item caption "name(unit)": the name before the first "(", the unit up to ")".
struct FreeItemCaption {
    std::string name;
    std::string unit;
};
FreeItemCaption SplitFreeItemCaption(const std::string& caption);
