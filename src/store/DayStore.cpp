#include "store/DayStore.h"

#include "store/NotebookFile.h"

void DayStore::Reset()
{
    StartDate.reset();
    Day = DayRecord{};
}

void DayStore::ReadStartDate(const std::string& folder)
{
    StartDate = ParseStartDate(ReadNotebookKey(folder, "StartDate"));
}

std::optional<int> DayStore::DayNumber(const QDate& date) const
{
    if (!StartDate || !date.isValid())
        return std::nullopt;
    return static_cast<int>(StartDate->daysTo(date)) + 1;
}

Result DayStore::WriteDay(const std::string& folder, const PictureSettings& pictures)
{
    if (!Day.date.isValid())
        return Result::Failed(Msg::DayWriteFailed, folder);
    Result r = WriteDayFiles(folder, Day, pictures);
    if (r) {
        Day.dirty = false;
        Day.pictureChanged = false;
    }
    return r;
}

void DayStore::LoadDay(const std::string& folder, const QDate& date)
{
    ReadDayFiles(folder, date, Day);
}

void DayStore::NewDay(const QDate& date)
{
    Day = DayRecord{};
    Day.date = date;
}
