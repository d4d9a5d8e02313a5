#include "store/DayList.h"

#include "store/NotebookFile.h"

#include <algorithm>

int DayList::indexOf(const QDate& date) const
{
    auto it = std::lower_bound(dates.begin(), dates.end(), date);
    return it != dates.end() && *it == date ? static_cast<int>(it - dates.begin()) : -1;
}

DayList MakeDayList(std::vector<QDate> sortedDates)
{
    DayList list;
    list.first = sortedDates.empty() ? QDate() : sortedDates.front();
    if (sortedDates.size() > size_t(kDayListLimit)) {
        list.hidden = static_cast<int>(sortedDates.size()) - kDayListLimit;
        sortedDates.erase(sortedDates.begin(), sortedDates.begin() + list.hidden);
    }
    list.dates = std::move(sortedDates);
    return list;
}

DayList ScanDayList(const std::string& folder, const DayFilter& filter)
{
    std::vector<QDate> dates = ListDayFileDates(folder, filter.extension);
    if (filter.year != 0)
        std::erase_if(dates,
                      [&](const QDate& d) { return d.year() != filter.year || d.month() != filter.month; });
    return MakeDayList(std::move(dates));
}
