#include "store/DayStore.h"

#include "app/CNotebook.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "store/NotebookFile.h"

#include <algorithm>
#include <cstdio>

DayStore::DayStore(CNotebook& notebook) : m_nb(notebook) {}

void DayStore::Reset()
{
    DayCount = 0;
    FirstDayDate = 0;
    StartDate.reset();
    Day = DayRecord{};
}

void DayStore::ReadStartDate()
{
    StartDate = ParseStartDate(ReadNotebookKey(m_nb.NotebookFolder, "StartDate"));
}

std::optional<int> DayStore::DayNumber(const QDate& date) const
{
    if (!StartDate || !date.isValid())
        return std::nullopt;
    return static_cast<int>(StartDate->daysTo(date)) + 1;
}

bool DayStore::LoadDayRecord(int year, int month, int day)
{
    if (!FlushDayRecord())
        return false;
    m_nb.CurrentYear = year;
    m_nb.CurrentMonth = month;
    m_nb.CurrentDay = day;
    ReadDayFiles(m_nb.NotebookFolder, QDate(year, month, day), Day);
    return true;
}

bool DayStore::NewDayRecord()
{
    // The day shown before may hold unsaved changes: they belong to that day, not this one.
    if (!FlushDayRecord())
        return false;
    Day = DayRecord{};
    Day.date = QDate(m_nb.CurrentYear, m_nb.CurrentMonth, m_nb.CurrentDay);
    m_nb.SetViewMode(1);
    return true;
}

bool DayStore::SaveDayRecord(bool rescan)
{
    if (!Day.date.isValid())
        return false;
    if (!WriteDayFiles(m_nb.NotebookFolder, Day, m_nb.Pictures, &m_nb.prompt()))
        return false;
    Day.dirty = false;
    if (rescan)
        ScanDays(false, false);
    return true;
}

bool DayStore::FlushDayRecord()
{
    if (!Day.dirty)
        return true;
    return SaveDayRecord(true);
}

int DayStore::FindDay(int yyyymmdd) const
{
    for (int i = 0; i < DayCount; ++i)
        if (DayTable[i].date == yyyymmdd)
            return i;
    return DayCount;
}

void DayStore::ScanDays(bool pictures, bool monthOnly)
{
    DayCount = 0;
    char pattern[32];
    if (monthOnly)
        std::snprintf(pattern, sizeof pattern, "%04d%02d*.%s", m_nb.CurrentYear, m_nb.CurrentMonth,
                      pictures ? "jpg" : "dat");
    else
        std::snprintf(pattern, sizeof pattern, "*.%s", pictures ? "jpg" : "dat");
    for (const auto& name : FindFiles(m_nb.NotebookFolder, pattern)) {
        if (DayCount >= kDayTableSize)
            break;
        if (name.empty() || name[0] < '0' || name[0] > '9')
            continue;
        int value = IniFile::ParseInt(name);
        // Only names that are real dates are days: anything else cannot be loaded as one.
        if (value <= 20000000 || !IntToDate(value).isValid())
            continue;
        DayTable[DayCount] = DayTableEntry{};
        DayTable[DayCount].date = value;
        ++DayCount;
    }
    std::sort(DayTable.begin(), DayTable.begin() + DayCount,
              [](const DayTableEntry& a, const DayTableEntry& b) { return a.date < b.date; });
    FirstDayDate = DayCount > 0 ? DayTable[0].date : 0;
    if (DayCount > 0 && StartDate && FirstDayDate < DateToInt(*StartDate)) {
        if (m_nb.prompt().ask(162, Buttons::YesNo, Icon::Question) == Answer::Yes) {
            StartDate = IntToDate(FirstDayDate);
            WriteNotebookKey(m_nb.NotebookFolder, "StartDate", FormatIniDate(*StartDate));
        }
    }
}

void DayStore::StepDay(int direction)
{
    ScanDays(false, false);
    int pos = FindDay(DateToInt(Day.date));
    pos += direction;
    if (pos < 0 || pos >= DayCount) {
        m_nb.PresentPage();
        m_nb.prompt().tell(direction < 0 ? 145 : 146, Icon::Information);
        return;
    }
    QDate d = IntToDate(DayTable[pos].date);
    if (LoadDayRecord(d.year(), d.month(), d.day()))
        m_nb.SetViewMode(1);
}
