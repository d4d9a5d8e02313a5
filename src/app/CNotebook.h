#pragma once
// The one controller: it holds the program's shared state and owns one object per area for
// the state that area adds. Windows hold no data; dialogs call its operations.
#include "platform/InstanceLock.h"
#include "store/DayList.h"
#include "store/DayOperations.h"
#include "store/DayRecord.h"
#include "store/DayStore.h"
#include "store/NotebookSettings.h"
#include "views/PageViews.h"
#include "weather/BulkWeatherFetch.h"
#include "weather/InternetSettings.h"

#include <QImage>
#include <QPen>

#include <atomic>
#include <memory>
#include <set>
#include <string>

class EditorLauncher;
class PageFetcher;
class Progress;
struct WeatherState;
class FolderBrowser;
class Prompt;
class ViewHost;

// Closing the main window asks first only while this is clear (set until a notebook is open).
extern std::atomic<bool> SkipExitConfirmation;
// Set when the process was told to end (a termination signal): from then on nothing waits for
// an answer, since nobody may be there to give it.
extern std::atomic<bool> TerminationRequested;

enum ViewModeId { ViewNone = 0, ViewDetail = 1, ViewGraph = 2, ViewList = 3, ViewCalendar = 4 };

class CNotebook {
public:
    // `programFolder`: where Kelto.ini and the accompanying files are. `lockName` lets tests
    // run side by side without sharing the single-instance lock.
    CNotebook(std::string programFolder, Prompt& prompt, std::string lockName = "QuillaneKelto");
    ~CNotebook();
    CNotebook(const CNotebook&) = delete;
    CNotebook& operator=(const CNotebook&) = delete;

    // The notebook folder named on the command line (empty: ask the user).
    void SetCommandLineNotebook(std::string folder) { m_commandLine = std::move(folder); }

    // First paint of the client window: single-instance check, page buffer, settings, start
    // sequence. Does its work once; every call ends by presenting the page.
    void Initialize(ViewHost* view);
    void OpenNotebookAtStart();
    // Opens `folder` as the notebook: title, start date, background, days, calendar.
    void OpenNotebook(const std::string& folder);
    // Window title: the application name and the notebook folder's name, "Kelto[name]".
    void UpdateTitle();
    std::string ReadSetting(const char* section, const char* key, const char* def, const std::string* file = nullptr) const;
    // "#RRGGBB" -> 0x00BBGGRR; anything else shows message 134 and gives -1.
    int ReadColor(const char* section, const char* key, const char* def, const std::string* file = nullptr);
    void ShowHelpDocument();
    // Before the main window closes: writes the day; when it cannot be written the user
    // chooses to retry, to quit without the change or to stay (false: do not close).
    bool PrepareToClose();
    // Writes what it can and asks nothing: the windows are going.
    void Shutdown();

    // Flushes the day first; when the user keeps an unwritable change the page stays as it is.
    void SetViewMode(int mode);
    void PresentPage();
    // Pages (NotebookPages.cpp): what a page is drawn from now; drawing `mode` into the page
    // buffer; a mouse event on the window and the request a page makes of it.
    PageSnapshot PageSnapshotNow() const;
    void DrawPage(int mode);
    void HandleMouse(int action, QPoint point);
    void RunPageAction(const PageAction& action);

    // The current day and the days of the notebook. The current date is the current day's
    // date; the calendar shows its month until the month is stepped.
    QDate CurrentDate() const { return m_store.Day.date; }
    void SetCurrentDate(const QDate& date);
    // First day of the month the calendar shows.
    QDate CalendarMonth() const { return m_calendarMonth; }
    void SetCalendarMonth(int year, int month);
    // The controller's own list of the notebook's days, as of the last scan.
    const DayList& Days() const { return m_days; }
    int DayCount() const { return m_days.count(); }
    // Scans the days again. With more days than are listed the user is told once that older
    // ones are not shown; a record before the start date offers to move the start (asked once
    // per such day, never while closing or when nobody can answer).
    void RescanDays();

    // These three first flush the day held now; when it cannot be written and the user keeps
    // it they change nothing and return that failure. LoadDay makes `date` the current day;
    // OpenDay and NewDay then show it on the detail page.
    DayResult LoadDay(const QDate& date);
    DayResult OpenDay(const QDate& date);
    // An empty day for `date`; no file is written until something is entered and flushed.
    DayResult NewDay(const QDate& date);
    // Writes the current day and scans the days; a failure is told with the file's path.
    DayResult SaveDay();
    // Writes the day when it is dirty. When that fails the user chooses: write again, discard
    // the change (the day is read back from its files and the result is success), or keep it
    // (the failure is returned and the caller stays where it is). `closing`: the program is
    // about to end, so discarding means quitting without the change.
    DayResult FlushDay(bool closing = false);
    // The previous (-1) or next (+1) listed day; at either end the user is told so.
    void StepDay(int direction);

    // The day commands (the detail page shows the current day).
    EntryFields EntryDialogFields() const;
    // What the entry dialog's OK does: false with *focusId the field to correct.
    bool ApplyEntry(const EntryFields& fields, int* focusId = nullptr);
    // Command 32849: the entry dialog, then the detail page is redrawn. True on OK.
    bool EnterMeasurements();
    DayDataFields DayDataDialogFields() const;
    // What the data change dialog's OK does; false to stay with *focusId the field to correct.
    bool ApplyDayData(const DayDataFields& fields, int* focusId = nullptr);
    // Commands 32806 and 32780: the data change dialog; after a moved record the calendar shows.
    bool EditDayData();
    // Deletes every file of the current day and shows the calendar (no question asked). When a
    // file cannot be deleted the user is told which, and the day stays shown.
    DayResult DeleteDayFiles();
    // Command 32817: asks message 141 first. True when the day was deleted.
    bool DeleteCurrentDay();
    // Command 32822: the day's memo in an external editor; the program waits for it to end.
    // `launcher` runs the editor; without one the desktop's editor is started as a process.
    void EditMemo(EditorLauncher* launcher = nullptr);
    std::string MemoPath() const;

    // Notebooks: the place of the program, the data root and the open notebook.
    NotebookPlace Place() const;
    void SetPlace(const NotebookPlace& place);
    NotebookList NotebookListRows() const { return FillNotebookList(Place()); }
    bool SelectNotebook(const std::string* folderName);
    bool ChangeDataRoot(FolderBrowser& browser);
    NotebookSettingsFields SettingsDialogFields(int mode) const;
    bool ApplySettings(int mode, const NotebookSettingsFields& fields);
    // Runs the settings dialog; on OK redraws the page and retitles the window. True on OK.
    bool EditNotebookSettings(int mode);

    // ---- Weather retrieval (CNotebookWeather.cpp) ----
    // The page fetch of every weather operation: libcurl unless one is set (tests).
    void SetPageFetcher(PageFetcher* fetcher);
    PageFetcher& pageFetcher();
    // Weather.ini beside the program, read now; the place saved in Kelto.ini.
    WeatherSite WeatherSiteNow() const;
    WeatherPlace SavedWeatherPlace() const;
    // The data dialog's fetch button: the weather of `date` at `place` (default: the saved
    // place). Nothing when the day is not past yet, no place is set or the fetch failed; the
    // user was told why. The window keeps repainting, with a busy cursor, while it waits.
    std::optional<DayWeather> FetchWeatherForDialog(const QDate& date, std::optional<WeatherPlace> place = {});
    // The current day's weather into the current day (bulk photo import); shows 136 only.
    bool FetchCurrentDayWeather();
    // The whole month for the graph page (no message).
    std::optional<MonthWeatherTable> FetchMonthWeatherTable(int year, int month);
    // Command 32815: the internet settings dialog.
    InternetSettingsFields InternetSettingsDialogFields() const;
    InternetSettingsOps InternetSettingsDialogOps();
    void SaveInternetSettings(const InternetSettingsChoice& choice);
    bool EditInternetSettings();
    // Command 32851: asks, then fetches every past day on a worker thread; returns at once.
    void StartBulkWeatherFetch();
    bool BulkWeatherRunning() const;
    // Stores a fetched day's weather (on the user-interface thread): the day file's weather
    // section and, for the day held now, the day in memory, so neither overwrites the other.
    bool ApplyFetchedWeather(const QDate& date, const DayWeather& weather);
    // Ends a bulk run without asking (shutdown); returns once the worker has finished.
    void StopBulkWeatherFetch();
    // The report of the last bulk run that ended.
    BulkWeatherReport LastBulkWeatherReport() const;
    // ---- end of weather retrieval ----

    Prompt& prompt() { return m_prompt; }
    ViewHost* host() const { return ViewWindow; }
    DayStore& store() { return m_store; }
    const DayStore& store() const { return m_store; }
    PageViews& pages() { return m_pages; }

    // State shared by the areas.
    int ViewMode = ViewNone;
    int InternetEnabled = 0;
    InstanceLock InstanceMutex;
    ViewHost* ViewWindow = nullptr;  // null until Initialize has run
    QImage PageBuffer;
    int ViewWidth = 780;
    int ViewHeight = 496;
    std::string SettingsFile, LayoutFile, PrintSettingsFile;
    std::string ProgramFolder, DataRoot, NotebookFolder;
    QPen HighlightPen;
    int CurrentPrefecture = 0;
    PictureSettings Pictures;        // [Picture] Width, Height, JpegQuality
    int TrimingWidth = 320;          // photo area of the detail page
    int TrimingHeight = 240;

private:
    void drawDetailPage();
    bool runSettingsDialog(int mode);
    DayDataOutcome applyDayData(const DayDataFields& fields, int* focusId);
    DayResult writeDay();
    bool mayAsk() const;

    Prompt& m_prompt;
    std::string m_commandLine;
    DayStore m_store;
    DayList m_days;
    QDate m_calendarMonth;
    PageViews m_pages;
    bool m_shutDown = false;
    bool m_quiet = false;     // set at shutdown: nothing is asked or told
    bool m_closing = false;   // while the last write before closing runs
    bool m_toldHiddenDays = false;
    std::set<QDate> m_keptStartDateFor;  // earliest days for which question 162 was answered No
    // Weather retrieval (CNotebookWeather.cpp).
    template <class F> auto waitAwayFromUi(F work) -> decltype(work());
    void finishBulkWeather(const BulkWeatherReport& report);
    std::shared_ptr<WeatherState> m_weather;
};

QColor ColorFromRef(int colorRef);
