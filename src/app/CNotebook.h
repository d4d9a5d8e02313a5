#pragma once
// The one controller: it holds the program's shared state and owns one object per area for
// the state that area adds. Windows hold no data; dialogs call its operations.
#include "animation/AnimationPlayer.h"
#include "app/DayDialogs.h"
#include "app/NotebookSettings.h"
#include "photos/PhotoFit.h"
#include "platform/AppFolders.h"
#include "platform/InstanceLock.h"
#include "print/PdfPhotos.h"
#include "print/PrintLayout.h"
#include "print/PrintPages.h"
#include "res/AppIdentity.h"
#include "store/BulkImport.h"
#include "store/DayList.h"
#include "store/DayOperations.h"
#include "store/DayRecord.h"
#include "store/DayStore.h"
#include "views/PageViews.h"
#include "views/ViewMode.h"
#include "weather/BulkWeatherFetch.h"
#include "weather/InternetSettings.h"

#include <QFont>
#include <QImage>
#include <QPen>

#include <atomic>
#include <memory>
#include <optional>
#include <set>
#include <string>

class EditorLauncher;
class QPagedPaintDevice;
class FileChooser;
class PageFetcher;
class Progress;
struct WeatherState;
struct BulkImportState;
class FolderBrowser;
class Prompt;
class PrintPictures;
class ViewHost;

// Closing the main window asks first only while this is clear (set until a notebook is open).
extern std::atomic<bool> SkipExitConfirmation;
// Set when the process was told to end (a termination signal): from then on nothing waits for
// an answer, since nobody may be there to give it.
extern std::atomic<bool> TerminationRequested;

class CNotebook {
public:
    // `programFolder`: where the executable and the accompanying files are; Kelto.ini lies
    // beside them or in the user's folders (AppFolders). `lockName` lets tests run side by side
    // without sharing the single-instance lock.
    CNotebook(std::string programFolder, Prompt& prompt, std::string lockName = kInstanceLockName);
    ~CNotebook();
    CNotebook(const CNotebook&) = delete;
    CNotebook& operator=(const CNotebook&) = delete;

    // The notebook folder named on the command line (empty: ask the user).
    void SetCommandLineNotebook(std::string folder) { m_commandLine = std::move(folder); }

    // First paint of the client window: single-instance check, page buffer, settings, start
    // sequence. Does its work once; every call ends by presenting the page.
    void Initialize(ViewHost* view);
    void ShowHelpDocument();
    // Before the main window closes: writes the day; when it cannot be written the user
    // chooses to retry, to quit without the change or to stay (false: do not close).
    bool PrepareToClose();
    // Writes what it can and asks nothing: the windows are going.
    void Shutdown();

    // Flushes the day first; when the user keeps an unwritable change the page stays as it is.
    void SetViewMode(ViewMode mode);
    // Pages (NotebookPages.cpp): what a page is drawn from now; drawing `mode` into the page
    // buffer (`reload`: the graph reads its month again); a mouse event on the window and the request a page makes of it.
    PageSnapshot PageSnapshotNow() const;
    void DrawPage(ViewMode mode, bool reload = true);
    // Empties the calendar's photo cache (the next calendar decodes its photos again).
    void DropThumbnails();
    void HandleMouse(MouseAction action, QPoint point);

    // The current day and the days of the notebook. The current date is the current day's
    // date; the calendar shows its month until the month is stepped.
    QDate currentDate() const { return m_store.Day.date; }
    void SetCurrentDate(const QDate& date);
    void SetCalendarMonth(int year, int month);
    // The controller's own list of the notebook's days, as of the last scan.
    const DayList& days() const { return m_days; }
    int dayCount() const { return m_days.count(); }
    // Scans the days again. With more days than are listed the user is told once that older
    // ones are not shown; a record before the start date offers to move the start (asked once
    // per such day, never while closing or when nobody can answer).
    void RescanDays();

    // Both first flush the day held now; when it cannot be written and the user keeps it they
    // change nothing and return that failure. LoadDay makes `date` the current day; NewDay
    // makes an empty day of it and shows it on the detail page. The date is taken by value: the
    // flush scans the days again and the load replaces the day, either of which may hold it.
    Result LoadDay(QDate date);
    // An empty day for `date`; no file is written until something is entered and flushed.
    Result NewDay(QDate date);
    // Writes the current day and scans the days; a failure is told with the file's path.
    Result SaveDay();
    // The previous (-1) or next (+1) listed day; at either end the user is told so.
    void StepDay(int direction);
    // The calendar's selected day: the current date until the keys move it, kept within the
    // days the shown month has cells for; null before a month is shown. Its cell's frame in the
    // window while the calendar is shown (else empty).
    QDate CalendarSelection() const;
    QRect CalendarSelectionFrame() const;
    // A key on the page shown (a Qt::Key). On the calendar the arrows move the selection by a
    // day or a week (into the next month too, never past today), PageUp and PageDown turn the
    // month, Enter and Space open the selected day as a click does. False when not handled.
    bool HandleKey(int key);

    // The day commands (the detail page shows the current day).
    // Command 32849: the entry dialog for the day shown, or on the calendar for its selected
    // day (then shown). OK writes the day. True on OK.
    bool EnterMeasurements();
    // Commands 32806 and 32780: the data change dialog; OK writes the day; after a moved record
    // the calendar shows.
    bool EditDayData();
    // Command 32817: asks message 141 first. True when the day was deleted.
    bool DeleteCurrentDay();
    // Command 32822: the day's memo in an external editor; the program waits for it to end.
    // `launcher` runs the editor; without one the editor set or found is started as a process,
    // and where there is none the memo is edited in the host's memo window.
    void EditMemo(EditorLauncher* launcher = nullptr);

    // Notebooks: the place of the program, the data root and the open notebook.
    NotebookPlace place() const;
    // Runs the settings dialog; on OK redraws the page and retitles the window. True on OK.
    bool EditNotebookSettings(SettingsMode mode);

    // ---- Weather retrieval (CNotebookWeather.cpp) ----
    // The page fetch of every weather operation: libcurl unless one is set (tests).
    void SetPageFetcher(PageFetcher* fetcher);
    // The internet settings' test button: the weather of `date` at `place` (default: the saved
    // place), asked of the site whatever was kept. Nothing when the day is not past yet, no place
    // is set or the fetch failed; the user was told why. The window keeps repainting and offers
    // to stop the request while it waits.
    std::optional<DayWeather> FetchWeatherForDialog(const QDate& date,
                                                    std::optional<WeatherPlace> place = {});
    // The data dialog's fetch button: starts fetching the weather of `date` at the saved place on
    // a worker and returns at once; `done` gets it on the user-interface thread (nothing when the
    // fetch failed: the user was told why). Null, after telling why, when the day is not past yet
    // or no place is set. Dropping the handle ends the request at once; `done` is then not called.
    std::shared_ptr<void> StartDayWeatherFetch(const QDate& date,
                                               std::function<void(std::optional<DayWeather>)> done);
    // Ends every request under way at once, without handing over its answer (shutdown).
    void StopWeatherRequests();
    // Command 32815: the internet settings dialog.
    bool EditInternetSettings();
    // Command 32851: asks, then fetches every past day on a worker thread; returns at once.
    void StartBulkWeatherFetch();
    // ---- end of weather retrieval ----

    // ---- Time-lapse video export (CNotebookVideo.cpp) ----
    // Command 32809: flushes the day, asks for the file through `chooser` (AVI or MP4 by its
    // extension) and writes the aligned time-lapse on a worker thread behind the progress
    // dialog; returns at once. At the end a failure is told (message 135; the old file stays)
    // and the current day is read again.
    void StartVideoExport(FileChooser& chooser);
    // ---- end of time-lapse video export ----

    // ---- Web export (CNotebookWeb.cpp) ----
    // ファイル → Webページに書き出し: flushes the day, asks for a folder through `browser` and
    // writes the notebook's site on a worker thread behind the progress dialog; returns at once.
    // A chosen folder that is empty or holds an earlier export is the site's; any other folder
    // gets the site in a new folder inside it. At the end the folder is named and the user may
    // open the site in the browser.
    void StartWebExport(FolderBrowser& browser);
    // ---- end of web export ----

    // ---- Long jobs: one at a time (CNotebook.cpp) ----
    // The bulk photo import, the bulk weather fetch and the video export each run behind the
    // one progress dialog, so only one of them runs at a time; the animation editor, whose
    // automatic alignment is a long job of its own, waits for them too. The job running now,
    // by its name (messages 392-394); Msg::None when none runs.
    Msg RunningJob() const;
    // Quitting while a job runs: asks whether to stop it (No is the default). True to quit.
    bool AskStopJobToQuit();
    // Ends the running job and waits for it, the window showing that it waits: what the job
    // wrote stays, the rest is not done and the job's end says nothing.
    void StopRunningJob();
    // ---- end of long jobs ----

    // ---- Graph and list pages (CNotebookGraph.cpp) ----
    // Command 32833: the graph settings dialog; OK writes Kelto.ini, Cancel restores it. True on OK.
    bool EditGraphSettings();
    // Command 32853: the list settings dialog. True when the mode changed.
    bool EditListSettings();
    // ---- end of graph and list pages ----

    // What the controller holds, read-only.
    Prompt& prompt() const { return m_prompt; }
    ViewHost* host() const { return m_host; }  // null until Initialize has run
    const DayStore& store() const { return m_store; }
    const PageViews& pages() const { return m_pages; }
    ViewMode viewMode() const { return m_viewMode; }
    bool internetEnabled() const { return m_internetEnabled; }
    const QImage& pageBuffer() const { return m_pageBuffer; }
    const std::string& settingsFile() const { return m_settingsFile; }
    const PictureSettings& pictures() const { return m_pictures; }

    // ---- Photo import (CNotebookPhotos.cpp) -------------------------------------------------
    // Commands 32774 (rotating false) and 32847 (rotating true) on the detail page: a photo file
    // chosen through `chooser` becomes the current day's picture, and the day may move to the
    // photo's date. True when the day took the photo.
    bool ImportPhoto(bool rotating, FileChooser& chooser);
    // ---- end of photo import -----------------------------------------------------------------

    // ---- Bulk photo import (CNotebookBulkImport.cpp) ----------------------------------------
    // Command 32846: asks about the weather, flushes the day, lets the user choose the folder
    // through `browser`, then imports its photos on a worker thread and returns at once.
    void StartBulkImport(FolderBrowser& browser);
    // The report of the last run that ended.
    BulkImportReport LastBulkImportReport() const;
    // ---- end of bulk photo import -----------------------------------------------------------

    // ---- Animation (CNotebookAnimation.cpp) -------------------------------------------------
    // Commands 32803 (display) and 32843 (edit): flushes the day (a change the user keeps
    // unwritten keeps the dialog closed), runs the animation dialog on the notebook's frames,
    // writes the alignment left unsaved and a changed speed, and reads the current day again.
    void RunAnimation(AnimationMode mode);
    // ---- end of animation --------------------------------------------------------------------

    // ---- Printing and print preview (CNotebookPrint.cpp) ------------------------------------
    // Command 57607: the print settings dialog, while the notebook has a day.
    void Print();
    // The page list of `options` for the notebook as it is now; the print and the preview
    // draw from it.
    const PrintPlan& BuildPrintPages(const PrintOptions& options);
    // The sheets into the PDF file `path` (the command line). Fails with message 595 when the
    // options leave no page, else as WritePdfFile fails.
    [[nodiscard]] Result PrintToPdf(const std::string& path, const PrintOptions& options);
    // ---- end of printing --------------------------------------------------------------------

private:
    // Writes the day when it is dirty. When that fails the user chooses: write again, discard
    // the change (the day is read back from its files and the result is success), or keep it
    // (the failure is returned and the caller stays where it is). `closing`: the program is
    // about to end, so discarding means quitting without the change.
    Result FlushDay(bool closing = false);
    void SetPlace(const NotebookPlace& place);
    // What the settings dialog opens with in `mode`, and what its OK does (false: the dialog
    // stays, the user was told why).
    NotebookSettingsFields SettingsDialogFields(SettingsMode mode) const;
    bool ApplySettings(SettingsMode mode, const NotebookSettingsFields& fields);
    // LoadDay, then the detail page.
    Result OpenDay(QDate date);
    // What the entry and data change dialogs open with, and what their OK does: false with
    // *focusId the field to correct (the dialog stays).
    EntryFields EntryDialogFields() const;
    bool ApplyEntry(const EntryFields& fields, int* focusId = nullptr);
    DayDataFields DayDataDialogFields() const;
    bool ApplyDayData(const DayDataFields& fields, int* focusId = nullptr);
    // The internet settings dialog's values and buttons; its OK stores the choice.
    InternetSettingsFields InternetSettingsDialogFields() const;
    InternetSettingsOps InternetSettingsDialogOps();
    void SaveInternetSettings(const InternetSettingsChoice& choice);
    // A change made in the graph settings dialog: held (not written) and, when the graph is on
    // show, drawn at once from the values already read.
    void PreviewGraphSettings(const GraphSettings& settings);
    // The month's weather the graph draws: the site's when it is wanted and kept, else the day
    // files'. `days`: the month's records read for it (default: the month the graph shows).
    GraphWeather MonthWeatherForGraph(int year, int month, const GraphMonth* days = nullptr);
    QSize viewSize() const { return QSize(m_viewWidth, m_viewHeight); }
    // The legend of graph scale `scale` (0 hides it) at `point` of the window.
    void ShowGraphNotes(int scale, QPoint point);
    // Whether each long job runs; ending one without asking (shutdown) returns once its
    // worker has finished (a video or web export leaves the old files as they were).
    bool BulkImportRunning() const;
    bool BulkWeatherRunning() const;
    bool VideoExportRunning() const;
    bool WebExportRunning() const;
    void StopBulkImport();
    void StopBulkWeatherFetch();
    void StopVideoExport();
    void StopWebExport();
    void OpenNotebookAtStart();
    // Opens `folder` as the notebook: title, start date, background, days, calendar.
    void OpenNotebook(const std::string& folder);
    // Window title: the application name and the notebook folder's name, "Kelto[name]".
    void UpdateTitle();
    void PresentPage();
    void RunPageAction(const PageAction& action);
    // Deletes every file of the current day and shows the calendar (no question asked). When a
    // file cannot be deleted the user is told which, and the day stays shown.
    Result DeleteDayFiles();
    std::string MemoPath() const;
    PageFetcher& pageFetcher();
    // Weather.ini beside the program, read now; the place saved in Kelto.ini.
    WeatherSite WeatherSiteNow() const;
    WeatherPlace SavedWeatherPlace() const;
    // The site's weather of the graph pages of `months` (first days), for a print: fetched now
    // unless kept, while the window offers to stop; a site that does not answer is not asked for
    // the other months. The pages then draw what was kept, or the day files' weather.
    void PrefetchGraphWeather(const std::vector<QDate>& months);
    // Stores a fetched day's weather (on the user-interface thread): the day file's weather
    // section and, for the day held now, the day in memory, so neither overwrites the other.
    bool ApplyFetchedWeather(const QDate& date, const DayWeather& weather);
    // Reads the graph settings and the list mode from Kelto.ini (at start, and to throw away
    // the changes of a cancelled graph settings dialog).
    void LoadPageSettings();
    // Reads the shown month's values for the graph again from the day files.
    void ReloadGraphMonth();
    // Stores and writes the list mode; the list is drawn again when it is on show.
    bool SetListMode(ListMode mode);
    // Turns the list to the page starting at `date`.
    void ShowListPageFrom(const QDate& date);
    const AppFolders& folders() const { return m_folders; }
    // The fitting step at the notebook's picture size, asking through the rotation dialog; none
    // when the user cancelled it. The remembered choice is kept here between calls.
    std::optional<QImage> FitDayPicture(const QImage& source, bool rotating, bool bulk);
    // Writes a day of the run (on the user-interface thread); the day held now takes its photo.
    Result ApplyImportedDay(const DayRecord& day);
    // Print.ini and the print font of Kelto.ini [Font].
    void LoadPrintSettings();
    // On opening the print settings dialog: writes the day, makes the print font, and says
    // whether the dialog may offer the page on show (the detail view only).
    bool InitPrintDialog();
    // Page `page` of the list into a sheet drawn on `p` in sheet units: an even page clears
    // the sheet, draws the print header and takes the upper half, an odd page the lower half.
    // The current day never moves: each page is drawn from its own day's files.
    void DrawPrintSlot(QPainter& p, int page, PrintingTarget target);
    // The preview's sheet holding pages `slot` and `slot` + 1, at the logical sheet size.
    QImage DrawPreviewSheet(int slot);
    // The system print dialog, then the sheets on the printer chosen. True when printed.
    bool PrintDocument(const PrintOptions& options);
    // The preview (dialog 138): true when it ended with its print button, which has printed.
    bool RunPreview(const PrintOptions& options);
    // Ends a print or a preview: the page list's days are let go.
    void RestoreAfterPrint();
    // Moves the current day to the photo's date as the data change does (an existing day there
    // is never overwritten); the day's values stay as they were.
    void moveDayToPhotoDate(const QDate& photoDate);
    void drawDetailPage();
    void tellSettingsWriteFailed();
    // Graph and list pages: the inputs of a page about to be drawn (the graph's month read
    // again when `reload`), and what the page snapshot carries of them.
    void preparePageInputs(PageSnapshot& s, bool reload);
    // What the graph and list pages hold between draws.
    struct PagingArea {
        GraphSettings graphSettings;
        GraphMonth graphMonth;
        GraphWeather graphWeather;
        ListMode listMode = ListMode::AllDays;
        int notesScale = 0;  // the graph legend showing, 0 none
        // The list page's first day after paging, while the current date is still listPagedFrom
        // (turning pages never moves the current day itself).
        QDate listStart, listPagedFrom;
    };
    PagingArea m_paging;

    // Before a job or the animation editor starts: while a job runs the user is told which
    // one, and the answer is true.
    bool refuseWhileJobRuns();
    void stopJobs();
    bool runSettingsDialog(SettingsMode mode);
    DayDataOutcome applyDayData(const DayDataFields& fields, int* focusId);
    Result writeDay();
    bool mayAsk() const;

    Prompt& m_prompt;
    ViewMode m_viewMode = ViewMode::None;
    bool m_internetEnabled = false;
    InstanceLock m_instanceLock;
    ViewHost* m_host = nullptr;  // null until Initialize has run
    QImage m_pageBuffer;
    int m_viewWidth = 780;
    int m_viewHeight = 496;
    std::string m_settingsFile, m_layoutFile, m_printSettingsFile;
    AppFolders m_folders;
    std::string m_dataRoot, m_notebookFolder;
    QPen m_highlightPen;
    PictureSettings m_pictures;                              // [Picture] Width, Height, JpegQuality
    RotationChoice m_rotationChoice = RotationChoice::None;  // kept between photos of one run
    int m_trimingWidth = 320;                                // photo area of the detail page
    int m_trimingHeight = 240;
    std::string m_commandLine;
    DayStore m_store;
    DayList m_days;
    QDate m_calendarMonth;
    QDate m_calendarSelection;                   // the day the calendar's keys select; its month may differ
    static int calendarCell(const QDate& date);  // in its month's grid
    // Selects `date`, showing its month; `redraw`: the page is drawn again in any case.
    void selectCalendarDay(const QDate& date, bool redraw = false);
    PageViews m_pages;
    bool m_shutDown = false;
    bool m_quiet = false;    // set at shutdown: nothing is asked or told
    bool m_closing = false;  // while the last write before closing runs
    bool m_toldHiddenDays = false;
    std::set<QDate> m_keptStartDateFor;  // earliest days for which question 162 was answered No
    // Weather retrieval (CNotebookWeather.cpp).
    template <class F>
    auto waitAwayFromUi(F work) -> decltype(work(FetchCancel{}));
    void finishBulkWeather(const BulkWeatherReport& report);
    // The graph's month from the site: wanted (internet, GetWeather, a place), kept, fetched in
    // the background (the graph is drawn again when it comes) or, without a window, now.
    bool siteWeatherForGraph() const;
    std::shared_ptr<const MonthWeather> keptMonthWeather(int year, int month) const;
    void fetchGraphWeather(int year, int month);
    void fetchForDrawNow(int year, int month);
    QDate graphShownMonth() const;
    // The months fetched in this run, shared by every weather user of the controller.
    std::shared_ptr<WeatherMonths> weatherMonths();
    std::shared_ptr<WeatherState> m_weather;
    // Bulk photo import (CNotebookBulkImport.cpp).
    void finishBulkImport(const BulkImportReport& report, const WeatherError& weatherError);
    std::shared_ptr<BulkImportState> m_bulkImport;
    // Video and web export (CNotebookVideo.cpp, CNotebookWeb.cpp).
    struct VideoExportState;
    void finishVideoExport(const Result& result, bool stopped);
    std::shared_ptr<VideoExportState> m_videoExport;
    struct WebExportState;
    void finishWebExport(const Result& result, bool stopped);
    std::shared_ptr<WebExportState> m_webExport;
    // Printing (CNotebookPrint.cpp).
    PageSnapshot printSnapshot(const PrintPage& page, PrintingTarget target);
    bool printSheets(QPagedPaintDevice& device, const PrintOptions& options, bool standIns = false);
    // What a print or a preview holds while it runs.
    struct PrintArea {
        PrintSettings settings;
        std::optional<QFont> font;
        PrintPlan plan;
        QDate month;  // the month on show when the page list was made
        std::vector<QDate> listed;
        std::shared_ptr<PrintPictures> pictures;  // while sheets are printed
        std::vector<PrintedPhoto> printedPhotos;  // of the last sheets printed
    };
    PrintArea m_print;
    // The memo in the host's memo window, read and written in the file's own encoding; true
    // when it was written.
    bool EditMemoInWindow(const std::string& memo);
};
