#pragma once
// The one controller: it holds the program's shared state and owns one object per area for
// the state that area adds. Windows hold no data; dialogs call its operations.
#include "platform/InstanceLock.h"
#include "store/DayRecord.h"
#include "store/DayStore.h"
#include "views/PageViews.h"

#include <QImage>
#include <QPen>

#include <atomic>
#include <memory>
#include <string>

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
    int RedatedToCalendar = 0;
    int CurrentYear = 0, CurrentMonth = 0, CurrentDay = 0;
    int CurrentPrefecture = 0;
    PictureSettings Pictures;        // [Picture] Width, Height, JpegQuality
    int TrimingWidth = 320;          // photo area of the detail page
    int TrimingHeight = 240;

private:
    Prompt& m_prompt;
    std::string m_commandLine;
    DayStore m_store;
    PageViews m_pages;
    bool m_shutDown = false;
};

QColor ColorFromRef(int colorRef);
