#pragma once
// The open notebook's start date and its current day, with the reads and writes of them. What
// the user is asked, what is redrawn and when the days are scanned is the controller's.
#include "store/DayRecord.h"

#include <QDate>

#include <optional>
#include <string>

class DayStore {
public:
    std::optional<QDate> StartDate;  // the notebook's day 1
    DayRecord Day;                   // the current day; Day.date is the current date

    // Forgets the notebook's days (a notebook is being opened).
    void Reset();
    // Reads StartDate from Kelto.dat; a text that is no date leaves it unset.
    void ReadStartDate(const std::string& folder);
    // Whole days since StartDate plus one; none without a start date.
    std::optional<int> DayNumber(const QDate& date) const;
    // Writes the current day. The dirty flag is cleared only when everything was written; a
    // failure names the file.
    Result WriteDay(const std::string& folder, const PictureSettings& pictures);
    // Reads `date` from its files into the current day (not dirty).
    void LoadDay(const std::string& folder, const QDate& date);
    // An empty day for `date`: no file is written until something is entered and flushed.
    void NewDay(const QDate& date);
};
