#pragma once
// The open notebook's days: the day table, the start date and the current day.
#include "store/DayRecord.h"

#include <QDate>

#include <array>
#include <optional>
#include <set>
#include <string>

class CNotebook;

inline constexpr int kDayTableSize = 256;

class DayStore {
public:
    explicit DayStore(CNotebook& notebook);

    std::array<DayTableEntry, kDayTableSize> DayTable{};
    int DayCount = 0;
    int FirstDayDate = 0;            // YYYYMMDD of the earliest record, 0 when none
    std::optional<QDate> StartDate;  // the notebook's day 1
    DayRecord Day;                   // the current day; Day.date is CurrentDate

    // Forgets the notebook's days (a notebook is being opened).
    void Reset();
    // Reads StartDate from Kelto.dat; a text that is no date leaves it unset.
    void ReadStartDate();
    // Whole days since StartDate plus one; none without a start date.
    std::optional<int> DayNumber(const QDate& date) const;

    // Both first flush the day held now; when it cannot be written and the user keeps it
    // (see FlushDayRecord) they change nothing and return that failure.
    DayResult LoadDayRecord(int year, int month, int day);
    // An empty day for CurrentYear/CurrentMonth/CurrentDay, shown on the detail page. No file
    // is written until something is entered and flushed.
    DayResult NewDayRecord();
    // Writes the current day; with `rescan` the days are scanned afterwards. The dirty flag
    // is cleared only when everything was written; a failure is told with the file's path.
    DayResult SaveDayRecord(bool rescan);
    // Writes the day when it is dirty. When that fails the user chooses: write again, discard
    // the change (the day is read back from its files and the result is success), or keep it
    // (the failure is returned and the caller stays where it is). `closing`: the program is
    // about to end, so discarding means quitting without the change.
    DayResult FlushDayRecord(bool closing = false);
    // While quiet nothing is asked or told (the windows are gone or the process was told to
    // end): shutdown writes what it can and reports nothing.
    void SetQuiet(bool quiet) { m_quiet = quiet; }
    // Lists the days by date. With more days than the table holds, the newest are kept (never
    // a gap between two listed days) and the user is told once that older ones are not shown.
    void ScanDays(bool pictures, bool monthOnly);
    void StepDay(int direction);

    // Index of a date in DayTable, or DayCount when it is not there.
    int FindDay(int yyyymmdd) const;

private:
    DayResult WriteCurrentDay(bool rescan);
    bool mayAsk() const;

    CNotebook& m_nb;
    bool m_quiet = false;
    bool m_closing = false;
    bool m_toldHiddenDays = false;
    std::set<int> m_keptStartDateFor;  // earliest days for which question 162 was answered No
};
