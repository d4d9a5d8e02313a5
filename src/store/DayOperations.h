#pragma once
// The files of a day: whether it has any, copying them to another date, deleting them, and the
// memo made from its template.
#include "platform/Result.h"
#include "store/DayRecord.h"

#include <QDate>

#include <string>

inline constexpr size_t kWeatherBytes = 31;  // what a day file keeps of the weather text (Shift-JIS bytes)

// True when `date` has a record in `folder`: its day file, photo or memo.
bool DayHasFiles(const std::string& folder, const QDate& date);
// Copies the day's files byte for byte to another date (a photo that could not be decoded goes
// with them unchanged); the copy keeps no frame alignment, which belongs to the old date's place
// in the animation. On failure the copies made so far are removed again.
Result CopyDayFiles(const std::string& folder, const QDate& from, const QDate& to);
// After such a copy: removes the old date's day file, photo and memo, each one tried.
Result RemoveCopiedDayFiles(const std::string& folder, const QDate& date);
// Deletes every file of the day `date` in `folder`; a copy such as "20261105 - コピー.dat" is
// left alone. A folder that cannot be changed keeps the whole day.
Result RemoveDayFiles(const std::string& folder, const QDate& date);
// The day's values after its files went: nothing comes back at the next flush.
void ClearDayValues(DayRecord& day);

std::string MemoPath(const std::string& folder, const QDate& date);
// Before the editor opens: a memo that does not exist yet starts as the template, when there is one.
Result PrepareMemo(const std::string& memo, const std::string& templ);
// After the editor: a memo that holds writing (not only the template's text) makes the day a record.
bool MemoHasWriting(const std::string& memo, const std::string& templ);
