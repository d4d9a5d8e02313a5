#pragma once
// What the day dialogs show and what their OK does: observation entry and data change (date
// and typed-in weather). Dialogs read their controls into the field structs below and call
// the apply operations; nothing here needs a widget.
#include "res/Strings.h"
#include "store/DayRecord.h"

#include <QDate>

#include <optional>
#include <string>

class Prompt;

// Control ids of the observation entry dialog.
namespace EntryId {
inline constexpr int Height = 1000, LeafSize = 1001, Leaves = 1002, Solution = 1003, Free1 = 1004,
                     RoomTemp = 1005, Free2 = 1006, ShowInGraph = 1007;
inline constexpr int Free1Caption = 1051, Free2Caption = 1052, Free1Unit = 1053, Free2Unit = 1054;
}  // namespace EntryId

// Control ids of the data change dialog.
namespace DayDataId {
inline constexpr int Date = 1002, Daylight = 1006, LowTemp = 1007, Weather = 1009, HighTemp = 1017,
                     FetchWeather = 3;
}  // namespace DayDataId

inline constexpr int kEntryFieldChars = 7;     // each number edit
inline constexpr int kWeatherFieldChars = 29;  // the weather edit

struct EntryFields {
    std::string height, leaves, leafSize, solution, roomTemp, free1, free2;
    bool showInGraph = true;
    // Captions of the free items (1051, 1052) and their units (1053, 1054).
    std::string free1Caption = kFreeItemDefaultCaption1, free2Caption = kFreeItemDefaultCaption2;
    std::string free1Unit, free2Unit;
};

struct DayDataFields {
    QDate date;
    std::string lowTemp, highTemp, daylight, weather;
    bool fetchEnabled = false;  // button 3
};

// The fields as the entry dialog opens: the free items' captions from the notebook file in
// `folder`, the values of `day`.
EntryFields FillEntryDialog(const std::string& folder, const DayRecord& day);
// The measurements the fields stand for; none when a field must be corrected: then *focusId
// is that field and the user was told why (that it takes numbers only, or its range).
std::optional<Measurements> ReadEntryFields(const EntryFields& fields, Prompt& prompt,
                                            int* focusId = nullptr);

DayDataFields FillDayDataDialog(const DayRecord& day, bool internetEnabled);
enum class DayDataOutcome { Refused, Applied, Moved };
// Applies the data change dialog to `day`: its date and typed-in weather. A new date after
// today, more than a year before `notebookStart` (the notebook's first day; null: no bound) or
// one that already has files of a day is refused (focus on the date) before anything is copied.
// Moving a day copies its files byte for byte to the new date before the old ones go; Moved: a
// written record went to the new date and the day is dirty, to be written there.
DayDataOutcome ApplyDayData(DayRecord& day, const std::string& folder, Prompt& prompt,
                            const DayDataFields& fields, const QDate& notebookStart, int* focusId = nullptr);
