// The controller's operations on the notebook's days and on notebooks: the logic is the
// store's; here is what is asked, scanned and redrawn around it.
#include "app/CNotebook.h"

#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/EditorLauncher.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "platform/SafeFormat.h"
#include "res/Strings.h"
#include "store/NotebookFile.h"

#include <algorithm>
#include <cstdio>

bool CNotebook::mayAsk() const
{
    // Nobody could answer: the windows are gone or the process was told to end.
    return !m_quiet && !TerminationRequested;
}

void CNotebook::SetCurrentDate(const QDate& date)
{
    m_store.Day.date = date;
    if (date.isValid()) {
        m_calendarMonth = QDate(date.year(), date.month(), 1);
        m_calendarSelection = date;
    }
}

void CNotebook::SetCalendarMonth(int year, int month)
{
    QDate first(year, month, 1);
    if (first.isValid())
        m_calendarMonth = first;
}

void CNotebook::RescanDays()
{
    m_days = ScanDayList(m_notebookFolder);
    if (!mayAsk() || m_closing)
        return;
    if (m_days.hidden > 0 && !m_toldHiddenDays) {
        m_toldHiddenDays = true;
        QDate first = m_days.dates.front();
        m_prompt.tell(Msg::DaysHidden, Icon::Information,
                      FormatInts(LoadString(Msg::DaysHidden),
                                 {kDayListLimit, first.year(), first.month(), first.day()}));
    }
    const QDate earliest = m_days.first;
    auto& start = m_store.StartDate;
    if (earliest.isValid() && start && earliest < *start && !m_keptStartDateFor.count(earliest)) {
        if (m_prompt.ask(Msg::DaysBeforeStartDate, Buttons::YesNo, Icon::Question) == Answer::Yes) {
            if (Result r = WriteNotebookKey(m_notebookFolder, "StartDate", FormatIniDate(earliest)))
                start = earliest;
            else
                m_prompt.tell(r.message, Icon::Stop, ResultText(r));
        } else {
            m_keptStartDateFor.insert(earliest);
        }
    }
}

Result CNotebook::writeDay()
{
    Result r = m_store.WriteDay(m_notebookFolder, m_pictures);
    if (r)
        RescanDays();
    return r;
}

Result CNotebook::LoadDay(QDate date)
{
    if (Result r = FlushDay(); !r)
        return r;
    SetCurrentDate(date);
    m_store.LoadDay(m_notebookFolder, date);
    return {};
}

Result CNotebook::OpenDay(QDate date)
{
    Result r = LoadDay(date);
    if (r)
        SetViewMode(ViewMode::Detail);
    else
        PresentPage();
    return r;
}

Result CNotebook::NewDay(QDate date)
{
    // The day shown before may hold unsaved changes: they belong to that day, not this one.
    if (Result r = FlushDay(); !r) {
        PresentPage();
        return r;
    }
    m_store.NewDay(date);
    SetCurrentDate(date);
    SetViewMode(ViewMode::Detail);
    return {};
}

Result CNotebook::SaveDay()
{
    Result r = writeDay();
    if (!r && mayAsk())
        m_prompt.tell(r.message, Icon::Stop, ResultText(r));
    return r;
}

Result CNotebook::FlushDay(bool closing)
{
    DayRecord& day = m_store.Day;
    if (!day.dirty)
        return {};
    m_closing = closing;
    Result r = writeDay();
    while (!r && mayAsk()) {
        Msg question = closing ? Msg::UnsavedChangeClosing : Msg::UnsavedChange;
        std::string text = ResultText(r) + "\n\n" + LoadString(question);
        Answer a = m_prompt.ask(question, Buttons::YesNoCancel, Icon::Exclamation, text);
        if (a == Answer::Yes) {
            r = writeDay();
        } else if (a == Answer::No) {
            // Discarded knowingly: the day is what its files hold (its date copied first, as
            // the load empties the day before it reads).
            const QDate date = day.date;
            m_store.LoadDay(m_notebookFolder, date);
            r = {};
        } else {
            break;
        }
    }
    m_closing = false;
    return r;
}

void CNotebook::StepDay(int direction)
{
    RescanDays();
    // A day not in the list (a new one not yet written) steps to its neighbours by date.
    const std::vector<QDate>& dates = m_days.dates;
    int pos = m_days.indexOf(currentDate());
    if (pos >= 0) {
        pos += direction;
    } else {
        const int after =
            static_cast<int>(std::lower_bound(dates.begin(), dates.end(), currentDate()) - dates.begin());
        pos = direction < 0 ? after - 1 : after;
    }
    if (pos < 0 || pos >= m_days.count()) {
        PresentPage();
        m_prompt.tell(direction < 0 ? Msg::NoPreviousDay : Msg::NoNextDay, Icon::Information);
        return;
    }
    // A day that could not be written was put to the user, who kept it: it stays shown.
    (void)OpenDay(m_days.dates[pos]);
}

QDate CNotebook::CalendarSelection() const
{
    if (!m_calendarMonth.isValid())
        return {};
    // The days the month shows: all of a past month, this month's up to today, and only the
    // first of a month still to come.
    const QDate today = Clock::Today();
    int last = m_calendarMonth.daysInMonth();
    if (m_calendarMonth.year() == today.year() && m_calendarMonth.month() == today.month())
        last = today.day();
    else if (m_calendarMonth > today)
        last = 1;
    const int day = m_calendarSelection.isValid() ? m_calendarSelection.day() : 1;
    return QDate(m_calendarMonth.year(), m_calendarMonth.month(), std::clamp(day, 1, last));
}

int CNotebook::calendarCell(const QDate& date)
{
    return QDate(date.year(), date.month(), 1).dayOfWeek() % 7 + date.day() - 1;
}

QRect CNotebook::CalendarSelectionFrame() const
{
    const QDate selected = CalendarSelection();
    if (m_viewMode != ViewMode::Calendar || !selected.isValid())
        return {};
    return m_pages.CalendarCellFrame(calendarCell(selected));
}

void CNotebook::selectCalendarDay(const QDate& date, bool redraw)
{
    m_calendarSelection = date;
    if (date.year() != m_calendarMonth.year() || date.month() != m_calendarMonth.month()) {
        SetCalendarMonth(date.year(), date.month());
        redraw = true;
    }
    if (redraw)
        DrawPage(m_viewMode);
    PresentPage();
}

bool CNotebook::HandleKey(int key)
{
    const QDate selected = CalendarSelection();
    if (!m_host || m_viewMode != ViewMode::Calendar || !selected.isValid())
        return false;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : key == Qt::Key_Up ? -7 : 7;
        const QDate to = selected.addDays(step);
        // The days to come have no cell to select.
        if (to <= Clock::Today())
            selectCalendarDay(to);
        return true;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        // The month turns as the header's links turn it; the selection keeps its day number
        // where the month has it.
        const QDate month = m_calendarMonth.addMonths(key == Qt::Key_PageUp ? -1 : 1);
        m_calendarSelection = selected;
        SetCalendarMonth(month.year(), month.month());
        selectCalendarDay(CalendarSelection(), true);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        // As a click on the day: a record opens, a day without one is offered as a new day.
        RunPageAction(PageAction{FileExists(DayFilePath(m_notebookFolder, selected, "dat"))
                                     ? PageAction::OpenDay
                                     : PageAction::AskCreateDay,
                                 selected});
        return true;
    default:
        return false;
    }
}

void CNotebook::drawDetailPage()
{
    if (m_pageBuffer.isNull())
        return;
    DrawPage(ViewMode::Detail);
    PresentPage();
}

EntryFields CNotebook::EntryDialogFields() const
{
    return FillEntryDialog(m_notebookFolder, m_store.Day);
}

bool CNotebook::ApplyEntry(const EntryFields& fields, int* focusId)
{
    std::optional<Measurements> m = ReadEntryFields(fields, m_prompt, focusId);
    if (!m)
        return false;
    m_store.Day.measurements = *m;
    return true;
}

bool CNotebook::EnterMeasurements()
{
    if (!m_host)
        return false;
    // On the calendar the entry is for the day selected there, a new one when it has no record.
    const bool fromCalendar = m_viewMode == ViewMode::Calendar;
    if (fromCalendar) {
        const QDate selected = CalendarSelection();
        if (!selected.isValid())
            return false;
        if (Result r = FlushDay(); !r) {
            PresentPage();
            return false;
        }
        // A day with a day file is a record, as the calendar draws it.
        if (FileExists(DayFilePath(m_notebookFolder, selected, "dat")))
            m_store.LoadDay(m_notebookFolder, selected);
        else
            m_store.NewDay(selected);
        SetCurrentDate(selected);
    }
    auto apply = [this](const EntryFields& f) {
        int focus = 0;
        return ApplyEntry(f, &focus) ? 0 : focus;
    };
    if (!m_host->RunEntryDialog(EntryDialogFields(), apply))
        return false;
    // What was entered is on the disk once the dialog is closed, not only when the day is left.
    m_store.Day.dirty = true;
    (void)SaveDay();  // a failure is told with the file's path; the entry stays held
    // The day entered is shown; it was just written, or the user was told why not.
    if (fromCalendar)
        m_viewMode = ViewMode::Detail;
    drawDetailPage();
    return true;
}

DayDataFields CNotebook::DayDataDialogFields() const
{
    return FillDayDataDialog(m_store.Day, m_internetEnabled != 0);
}

DayDataOutcome CNotebook::applyDayData(const DayDataFields& fields, int* focusId)
{
    // The notebook's first day: its start, or an earlier record.
    QDate first = m_store.StartDate.value_or(QDate());
    if (m_days.first.isValid() && (!first.isValid() || m_days.first < first))
        first = m_days.first;
    DayDataOutcome outcome = ::ApplyDayData(m_store.Day, m_notebookFolder, m_prompt, fields, first, focusId);
    if (outcome == DayDataOutcome::Refused)
        return outcome;
    SetCurrentDate(m_store.Day.date);
    if (outcome == DayDataOutcome::Moved)
        RescanDays();
    return outcome;
}

bool CNotebook::ApplyDayData(const DayDataFields& fields, int* focusId)
{
    return applyDayData(fields, focusId) != DayDataOutcome::Refused;
}

bool CNotebook::EditDayData()
{
    bool moved = false;
    auto apply = [this, &moved](const DayDataFields& f) {
        int focus = 0;
        DayDataOutcome outcome = applyDayData(f, &focus);
        if (outcome == DayDataOutcome::Refused)
            return focus;
        moved = outcome == DayDataOutcome::Moved;
        return 0;
    };
    if (!m_host || !m_host->RunDayDataDialog(DayDataDialogFields(), apply))
        return false;
    // Written at once, a moved record under its new date.
    m_store.Day.dirty = true;
    (void)SaveDay();  // a failure is told with the file's path; the change stays held
    drawDetailPage();
    if (moved)
        SetViewMode(ViewMode::Calendar);
    else
        PresentPage();
    return true;
}

Result CNotebook::DeleteDayFiles()
{
    DayRecord& day = m_store.Day;
    if (Result failed = RemoveDayFiles(m_notebookFolder, day.date); !failed) {
        m_prompt.tell(failed.message, Icon::Stop, ResultText(failed));
        RescanDays();
        PresentPage();
        return failed;
    }
    ClearDayValues(day);
    // Scanned after the files went, so the list no longer holds the day.
    RescanDays();
    SetViewMode(ViewMode::Calendar);
    return {};
}

bool CNotebook::DeleteCurrentDay()
{
    if (m_prompt.ask(Msg::ConfirmDeleteDay, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    return DeleteDayFiles().ok();
}

std::string CNotebook::MemoPath() const
{
    return ::MemoPath(m_notebookFolder, m_store.Day.date);
}

void CNotebook::EditMemo(EditorLauncher* launcher)
{
    std::string memo = MemoPath();
    std::string templ = m_folders.kitFile("Kelto.txt");
    if (Result r = PrepareMemo(memo, templ); !r) {
        m_prompt.tell(r.message, Icon::Stop, ResultText(r));
        return;
    }
    ProcessEditorLauncher processEditor;
    // Without an editor set or found, the memo is edited in the program's own memo window.
    if (!launcher && m_host && m_host->HasMemoWindow() && !processEditor.hasEditor()) {
        if (!EditMemoInWindow(memo))
            return;
    } else {
        EditorLauncher& editor = launcher ? *launcher : processEditor;
        if (!editor.start(memo)) {
            const std::string text = std::string(LoadString(Msg::EditorStartFailed)) + "\n\n"
                                     + LoadString(ProcessEditorLauncher::advice());
            m_prompt.tell(Msg::EditorStartFailed, Icon::Stop, text);
            return;
        }
        if (m_host)
            m_host->SetBusy(LoadString(Msg::EditingMemo));
        editor.waitForFinish();
        if (m_host)
            m_host->SetBusy({});
    }

    // A new day whose memo was written is a record from now on: its day file is written, so
    // the calendar shows it. A memo left as the template made it is not writing.
    DayRecord& day = m_store.Day;
    if (day.date.isValid() && !FileExists(DayFilePath(m_notebookFolder, day.date, "dat"))
        && MemoHasWriting(memo, templ)) {
        if (!day.weather && !day.measurements)
            day.measurements = Measurements{};
        day.dirty = true;
        (void)SaveDay();  // a failure is told with the file's path; the memo stays held
    }
    drawDetailPage();
}

bool CNotebook::EditMemoInWindow(const std::string& memo)
{
    MemoText text;
    if (Result r = ReadMemoText(memo, text); !r) {
        m_prompt.tell(r.message, Icon::Stop, ResultText(r));
        return false;
    }
    return m_host->RunMemoWindow(text.text, [&](const std::string& edited) {
        MemoText written = text;
        written.text = edited;
        if (Result r = WriteMemoText(memo, written); !r) {
            m_prompt.tell(r.message, Icon::Stop, ResultText(r));
            return false;
        }
        return true;
    });
}

NotebookPlace CNotebook::place() const
{
    return NotebookPlace{m_folders.dataAnchor(), m_settingsFile, m_dataRoot, m_notebookFolder};
}

void CNotebook::SetPlace(const NotebookPlace& place)
{
    m_dataRoot = place.dataRoot;
    m_notebookFolder = place.notebookFolder;
}

NotebookSettingsFields CNotebook::SettingsDialogFields(SettingsMode mode) const
{
    return FillSettingsDialog(place(), m_store.StartDate, mode);
}

bool CNotebook::ApplySettings(SettingsMode mode, const NotebookSettingsFields& fields)
{
    NotebookPlace place = this->place();
    bool applied = ApplySettingsDialog(place, m_store.StartDate, m_prompt, mode, fields);
    SetPlace(place);
    return applied;
}

bool CNotebook::runSettingsDialog(SettingsMode mode)
{
    auto apply = [this, mode](const NotebookSettingsFields& f) { return ApplySettings(mode, f) ? 0 : 1020; };
    return m_host && m_host->RunSettingsDialog(SettingsDialogFields(mode), mode, apply);
}

bool CNotebook::EditNotebookSettings(SettingsMode mode)
{
    if (!runSettingsDialog(mode))
        return false;
    // A rename shows in the title at once, not only at the next start.
    UpdateTitle();
    if (m_viewMode != ViewMode::None)
        SetViewMode(m_viewMode);
    return true;
}
