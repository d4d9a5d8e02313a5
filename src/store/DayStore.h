#pragma once
// The open notebook's days: the day table, the start date and the current day.
#include "store/DayRecord.h"

#include <QDate>

#include <array>
#include <optional>
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

    // Both first write the day held now; when that fails (message 133 was shown) they change
    // nothing and return false, so unsaved changes are never dropped.
    bool LoadDayRecord(int year, int month, int day);
    // An empty day for CurrentYear/CurrentMonth/CurrentDay, shown on the detail page. No file
    // is written until something is entered and flushed.
    bool NewDayRecord();
    // Writes the current day; with `rescan` the days are scanned afterwards. The dirty flag
    // is cleared only when everything was written.
    bool SaveDayRecord(bool rescan);
    bool FlushDayRecord();
    void ScanDays(bool pictures, bool monthOnly);
    void StepDay(int direction);

    // Index of a date in DayTable, or DayCount when it is not there.
    int FindDay(int yyyymmdd) const;

private:
    CNotebook& m_nb;
};
