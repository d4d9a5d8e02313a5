#include "store/DayStore.h"

#include "app/CNotebook.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "platform/SafeFormat.h"
#include "res/Strings.h"
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
    m_toldHiddenDays = false;
    m_keptStartDateFor.clear();
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

bool DayStore::mayAsk() const
{
    // Nobody could answer: the windows are gone or the process was told to end.
    return !m_quiet && !TerminationRequested;
}

DayResult DayStore::LoadDayRecord(int year, int month, int day)
{
    if (DayResult r = FlushDayRecord(); !r)
        return r;
    m_nb.CurrentYear = year;
    m_nb.CurrentMonth = month;
    m_nb.CurrentDay = day;
    ReadDayFiles(m_nb.NotebookFolder, QDate(year, month, day), Day);
    return {};
}

DayResult DayStore::NewDayRecord()
{
    // The day shown before may hold unsaved changes: they belong to that day, not this one.
    if (DayResult r = FlushDayRecord(); !r)
        return r;
    Day = DayRecord{};
    Day.date = QDate(m_nb.CurrentYear, m_nb.CurrentMonth, m_nb.CurrentDay);
    m_nb.SetViewMode(1);
    return {};
}

DayResult DayStore::WriteCurrentDay(bool rescan)
{
    if (!Day.date.isValid())
        return DayResult::Failed(kMsgDayWriteFailed, m_nb.NotebookFolder);
    DayResult r = WriteDayFiles(m_nb.NotebookFolder, Day, m_nb.Pictures);
    if (!r)
        return r;
    Day.dirty = false;
    Day.pictureChanged = false;
    if (rescan)
        ScanDays(false, false);
    return r;
}

DayResult DayStore::SaveDayRecord(bool rescan)
{
    DayResult r = WriteCurrentDay(rescan);
    if (!r && mayAsk())
        m_nb.prompt().tell(r.message, Icon::Stop, DayResultText(r));
    return r;
}

DayResult DayStore::FlushDayRecord(bool closing)
{
    if (!Day.dirty)
        return {};
    m_closing = closing;
    DayResult r = WriteCurrentDay(true);
    while (!r && mayAsk()) {
        int question = closing ? 202 : 201;
        std::string text = DayResultText(r) + "\n\n" + LoadString(question);
        Answer a = m_nb.prompt().ask(question, Buttons::YesNoCancel, Icon::Exclamation, text);
        if (a == Answer::Yes) {
            r = WriteCurrentDay(true);
        } else if (a == Answer::No) {
            // Discarded knowingly: the day is what its files hold.
            ReadDayFiles(m_nb.NotebookFolder, Day.date, Day);
            r = {};
        } else {
            break;
        }
    }
    m_closing = false;
    return r;
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
    std::vector<QDate> dates = ListDayFileDates(m_nb.NotebookFolder, pictures ? "jpg" : "dat");
    if (monthOnly)
        std::erase_if(dates, [&](const QDate& d) { return d.year() != m_nb.CurrentYear || d.month() != m_nb.CurrentMonth; });
    // The newest days fill the table: the days listed stay consecutive records, so stepping
    // from day to day never jumps over one.
    size_t hidden = dates.size() > size_t(kDayTableSize) ? dates.size() - kDayTableSize : 0;
    DayCount = 0;
    for (size_t i = hidden; i < dates.size(); ++i) {
        DayTable[DayCount] = DayTableEntry{};
        DayTable[DayCount].date = DateToInt(dates[i]);
        ++DayCount;
    }
    // The notebook's earliest record, listed or not.
    FirstDayDate = dates.empty() ? 0 : DateToInt(dates.front());
    if (!mayAsk() || m_closing)
        return;
    if (hidden > 0 && !m_toldHiddenDays) {
        m_toldHiddenDays = true;
        QDate first = dates[hidden];
        m_nb.prompt().tell(206, Icon::Information,
                           FormatInts(LoadString(206), {kDayTableSize, first.year(), first.month(), first.day()}));
    }
    if (FirstDayDate != 0 && StartDate && FirstDayDate < DateToInt(*StartDate) &&
        !m_keptStartDateFor.count(FirstDayDate)) {
        if (m_nb.prompt().ask(162, Buttons::YesNo, Icon::Question) == Answer::Yes) {
            StartDate = IntToDate(FirstDayDate);
            WriteNotebookKey(m_nb.NotebookFolder, "StartDate", FormatIniDate(*StartDate));
        } else {
            m_keptStartDateFor.insert(FirstDayDate);
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
