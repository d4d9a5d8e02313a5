#pragma once
// The pages of the main window: layout, backgrounds, the page header and the painters and mouse
// handlers of the calendar and the detail page. Painters take a QPainter, an origin and a
// snapshot, so the same drawing serves the screen, the printer and images made without a display.
#include "views/PageMouse.h"
#include "views/PageSnapshot.h"
#include "views/ThumbnailCache.h"

#include <QImage>
#include <QPoint>
#include <QSize>

#include <QDate>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class AppFolders;
class QPainter;
struct DayRecord;

// The calendar grid of Layout.ini [Calender], read once when the page buffer is made.
struct CalendarLayout {
    int X = 10, Y = 10;           // corner of the first week's Sunday cell
    int Width = 80, Height = 60;  // distance between cells
    int PicWidth = 80, PicHeight = 60;
};

// The previous-day and next-day arrows of the detail background: fixed pixel areas.
namespace DetailArrows {
inline constexpr int Top = 24, Bottom = 56;
inline constexpr int LeftMaxX = 58, RightMinX = 714;
}  // namespace DetailArrows

// A disabled header link's corner.
inline constexpr int kLinkDisabled = 999;

// week * 7 + weekday: d > 0 recorded day d, -d day without record up to today, 0 no day.
using MonthCellValues = std::array<int, 42>;
// The cells of the snapshot's shown month, from the day files of its notebook folder.
MonthCellValues FillMonthCells(const PageSnapshot& s);

// The pictures and grid a layout names, and what the mouse needs of the page last drawn on the
// screen. Drawing for the printer or the preview leaves the screen's state alone.
class PageViews {
public:
    // Page settings read when the page buffer is created: the calendar layout and the calendar,
    // graph and list backgrounds. Frames are bounded by `viewSize`.
    void LoadSettings(const std::string& layoutFile, const AppFolders& folders, QSize viewSize);
    // The detail page's background, loaded when a notebook is opened.
    void LoadDetailBackground(const std::string& layoutFile, const AppFolders& folders);
    // Draws the snapshot's page with its corner at `origin`.
    void DrawPage(QPainter& p, QPoint origin, const PageSnapshot& s);
    // Mouse action (1 press, 2 move, 3 release, 4 double-click) in client coordinates, on the
    // page last drawn for the screen from `s`.
    PageMouseResult HandleMouse(MouseAction action, QPoint point, const PageSnapshot& s);
    void Release();

    // The section's BackGround picture at its own size; null when there is none, it fails or its
    // name is not a plain file name of the kit folders.
    static QImage LoadPageBackground(const std::string& layoutFile, const AppFolders& folders,
                                     const char* section);

    // Page header: title and previous/next links. Modes: 0 disabled, -1 from the data, else enabled.
    void DrawPageHeader(QPainter& p, int ox, int oy, int prevMode, int nextMode, const char* section,
                        const PageSnapshot& s);
    bool HandleHeaderMouse(MouseAction action, QPoint point, const PageSnapshot& s, PageMouseResult& r) const;

    // Calendar.
    void DrawCalendarPage(QPainter& p, int ox, int oy, const PageSnapshot& s);
    void DrawCalendarCell(QPainter& p, int x, int y, const QDate& date, const PageSnapshot& s);
    void HandleCalendarMouse(MouseAction action, QPoint point, const PageSnapshot& s, PageMouseResult& r);
    // Cell index under a point, or -1 when the point is off the grid.
    int CalendarCellAt(QPoint point) const;
    bool OnCalendarGrid(QPoint point) const;
    // The picture frame of cell `cell` (week * 7 + weekday) on the page.
    QRect CalendarCellFrame(int cell) const;
    // The keyboard's selection drawn over the cell whose frame is `cell`.
    static void DrawCalendarSelection(QPainter& p, const QRect& cell);

    // Detail page.
    void DrawDetailPage(QPainter& p, int ox, int oy, const PageSnapshot& s);
    void DrawPictureArea(QPainter& p, int ox, int oy, const PageSnapshot& s);
    void DrawDataTable(QPainter& p, int ox, int oy, const PageSnapshot& s);
    void DrawMemoBox(QPainter& p, int ox, int oy, const PageSnapshot& s);
    void HandleDetailMouse(MouseAction action, QPoint point, const PageSnapshot& s, PageMouseResult& r) const;

    // Graph and list pages (GraphPage.cpp, ListPage.cpp).
    void LoadGraphAndListLayouts(const std::string& layoutFile, QSize viewSize);
    void DrawGraphPage(QPainter& p, int ox, int oy, const PageSnapshot& s);
    void DrawGraphAxes(QPainter& p, int ox, int oy, const GraphSettings& g) const;
    void HandleGraphMouse(MouseAction action, QPoint point, const PageSnapshot& s, PageMouseResult& r);
    void DrawListPage(QPainter& p, int ox, int oy, const PageSnapshot& s);
    void HandleListMouse(MouseAction action, QPoint point, const PageSnapshot& s, PageMouseResult& r);
    GraphLayout Graph;
    ListLayout List;
    // The list page last drawn on the screen, and its table width and height.
    ListPlan ListShown;
    int ListTableWidth = 0, ListTableHeight = 0;

    // Top-left corners of the previous and next links as last drawn on the screen; (999, 999)
    // when disabled.
    std::array<QPoint, 2> HeaderLinks{QPoint(kLinkDisabled, kLinkDisabled),
                                      QPoint(kLinkDisabled, kLinkDisabled)};
    CalendarLayout Calendar;
    // The cells of the calendar last drawn on the screen.
    MonthCellValues MonthCells{};
    QImage CalendarBackground, GraphBackground, ListBackground, DetailBackground;
    ThumbnailCache Thumbnails;

private:
    int m_pressedCell = -1;      // calendar cell of the last press, -1 when none
    int m_pressedColumn = -1;    // list column of the last press, -1 when none
    int m_pressedGraphDay = -1;  // graph day of the last press, -1 when none
};

// Lines of a memo text as they fill a box: the editor's exit-command line is left out, line ends
// and trailing control characters are removed, and a line wider than `maxWidth` (as `measure`
// says) continues on the next row, cut between characters. At most `maxLines` rows.
std::vector<QString> LayoutMemoLines(const std::string& utf8Text, int maxWidth, int maxLines,
                                     const std::function<int(const QString&)>& measure);

// The row captions of the detail page's data table, as many as it has rows (at most 11).
std::vector<std::string> DetailRowCaptions(const std::string& layoutFile, const std::string& notebookFolder);
// The value column of the detail page's data table, row by row; empty where nothing is drawn.
std::array<std::string, 11> DetailValueTexts(const DayRecord& day, const QDate& date,
                                             std::optional<int> dayNumber, const std::string& unit1,
                                             const std::string& unit2);

// Month length by the calendar's rule (every fourth year is a leap year).
int CalendarMonthLength(int year, int month);
