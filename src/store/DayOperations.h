#pragma once
// The operations that change the current day: observation entry, data change (date and typed-in
// weather), delete and the memo. Dialogs read their controls into the field structs below and
// call the apply operations; nothing here needs a widget.
#include "store/DayRecord.h"

#include <QDate>

#include <string>
#include <vector>

class CNotebook;
class EditorLauncher;

// Control ids of the observation entry dialog.
namespace EntryId {
inline constexpr int Height = 1000, LeafSize = 1001, Leaves = 1002, Solution = 1003, Free1 = 1004,
                     RoomTemp = 1005, Free2 = 1006, ShowInGraph = 1007;
inline constexpr int Free1Caption = 1051, Free2Caption = 1052, Free1Unit = 1053, Free2Unit = 1054;
} // namespace EntryId

// Control ids of the data change dialog.
namespace DayDataId {
inline constexpr int Date = 1002, Daylight = 1006, LowTemp = 1007, Weather = 1009, HighTemp = 1017,
                     FetchWeather = 3;
} // namespace DayDataId

inline constexpr int kEntryFieldChars = 7;    // each number edit
inline constexpr int kWeatherFieldChars = 29; // the weather edit
inline constexpr size_t kWeatherBytes = 31;   // what a day file keeps of it (Shift-JIS bytes)

struct EntryFields {
    std::string height, leaves, leafSize, solution, roomTemp, free1, free2;
    bool showInGraph = true;
    // Captions of the free items (1051, 1052) and their units (1053, 1054).
    std::string free1Caption = "フリー項目1", free2Caption = "フリー項目2";
    std::string free1Unit, free2Unit;
};

struct DayDataFields {
    QDate date;
    std::string lowTemp, highTemp, daylight, weather;
    bool fetchEnabled = false;  // button 3
};

EntryFields FillEntryDialog(CNotebook& nb);
// 1 to close; 0 to stay with *focusId set to the field to correct (a message was shown).
int ApplyEntryDialog(CNotebook& nb, const EntryFields& fields, int* focusId = nullptr);
// Command 32849: the entry dialog, then the detail page is redrawn. 1 on OK.
int EnterMeasurements(CNotebook& nb);

DayDataFields FillDayDataDialog(CNotebook& nb);
// A new date after today, or one that already has files of a day, is refused (focus on the
// date). Moving a day copies its files byte for byte to the new date before the old ones go.
int ApplyDayDataDialog(CNotebook& nb, const DayDataFields& fields, int* focusId = nullptr);
// Commands 32806 and 32780: the data change dialog; after a moved date the calendar is shown.
int EditDayData(CNotebook& nb);

// Deletes every file of the current day and shows the calendar (no question asked). When a
// file cannot be deleted the user is told which, and the day stays shown.
DayResult DeleteDayFiles(CNotebook& nb);
// Command 32817: asks message 141 first. True when the day was deleted.
bool DeleteCurrentDay(CNotebook& nb);

// Command 32822: the day's memo in an external editor; the program waits for it to end.
// `launcher` runs the editor; without one the desktop's editor is started as a process.
void EditMemo(CNotebook& nb, EditorLauncher* launcher = nullptr);
std::string MemoPath(const CNotebook& nb);

