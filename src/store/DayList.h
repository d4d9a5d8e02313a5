#pragma once
// The notebook's days as a value: a scan of the folder gives a sorted list that its user keeps
// for itself (the controller for the menu and stepping, later the graph, the list, printing
// and a bulk worker each their own), so nobody shares a table that another scan overwrites.
#include <QDate>

#include <string>
#include <vector>

// At most this many days are listed: the newest, so the listed days are consecutive records.
inline constexpr int kDayListLimit = 256;

struct DayList {
    std::vector<QDate> dates;  // the listed days, oldest first
    int hidden = 0;            // older records left out by the limit
    QDate first;               // the notebook's earliest record, listed or not; null when none

    int count() const { return static_cast<int>(dates.size()); }
    // Index of `date` in the list, or -1.
    int indexOf(const QDate& date) const;
    bool contains(const QDate& date) const { return indexOf(date) >= 0; }
};

// Which day files a scan looks at.
struct DayFilter {
    const char* extension = "dat";  // "dat" records, "jpg" photos
    int year = 0, month = 0;        // one month only; 0: every month
};

// Reads the folder's day files; the newest kDayListLimit of them are listed.
DayList ScanDayList(const std::string& folder, const DayFilter& filter = {});
// The list of sorted, distinct dates under the same limit.
DayList MakeDayList(std::vector<QDate> sortedDates);
