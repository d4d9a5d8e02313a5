#pragma once
// The pages of the main window: layout, backgrounds, the page header and the painters and mouse
// handlers of the calendar and the detail page. Painters take a QPainter and an origin, so the
// same drawing serves the screen, the printer and images made without a display.
#include "views/ThumbnailCache.h"

#include <QImage>
#include <QPoint>

#include <QDate>

#include <array>
#include <optional>
#include <functional>
#include <string>
#include <vector>

class CNotebook;
class QPainter;
struct DayRecord;

enum MouseAction { MousePress = 1, MouseMove = 2, MouseRelease = 3, MouseDoubleClick = 4 };

// Where Printing says a page is drawn for.
enum PrintingTarget { PrintingScreen = 0, PrintingPrinter = 1, PrintingPreview = 2 };

// The calendar grid of Layout.ini [Calender], read once when the page buffer is made.
struct CalendarLayout {
    int X = 10, Y = 10;            // corner of the first week's Sunday cell
    int Width = 80, Height = 60;   // distance between cells
    int PicWidth = 80, PicHeight = 60;
};

// Commands the detail page starts by double-click.
namespace PageCommand {
inline constexpr int ImportPhoto = 32774;
inline constexpr int EditWeather = 32806;
inline constexpr int EditMemo = 32822;
inline constexpr int EntryData = 32849;
} // namespace PageCommand

// The previous-day and next-day arrows of the detail background: fixed pixel areas.
namespace DetailArrows {
inline constexpr int Top = 24, Bottom = 56;
inline constexpr int LeftMaxX = 58, RightMinX = 714;
} // namespace DetailArrows

// A disabled header link's corner.
inline constexpr int kLinkDisabled = 999;

class PageViews {
public:
    explicit PageViews(CNotebook& notebook);

    // Page settings read when the page buffer is created: the calendar layout (which also sets
    // the current date to today) and the calendar, graph and list backgrounds.
    void LoadSettings();
    // The detail page's background, loaded when a notebook is opened.
    void LoadDetailBackground();
    // Draws the page of `mode` into the page buffer at (0, 0).
    void DrawPage(int mode);
    // Mouse action (1 press, 2 move, 3 release, 4 double-click) in client coordinates.
    void HandleMouse(int action, QPoint point);
    void Release();

    // The section's BackGround picture at its own size; null when there is none or it fails.
    QImage LoadPageBackground(const char* section) const;

    // Page header: title and previous/next links. Modes: 0 disabled, -1 from the data, else enabled.
    void DrawPageHeader(QPainter& p, int ox, int oy, int prevMode, int nextMode, const char* section);
    bool HandleHeaderMouse(int action, QPoint point);

    // Calendar.
    void FillMonthCells();
    void DrawCalendarPage(QPainter& p);
    void DrawCalendarCell(QPainter& p, int x, int y, int value);
    void HandleCalendarMouse(int action, QPoint point);
    // Cell index under a point, or -1 when the point is off the grid.
    int CalendarCellAt(QPoint point) const;
    bool OnCalendarGrid(QPoint point) const;

    // Detail page.
    void DrawDetailPage(QPainter& p, int ox, int oy);
    void DrawPictureArea(QPainter& p, int ox, int oy);
    void DrawDataTable(QPainter& p, int ox, int oy);
    void DrawMemoBox(QPainter& p, int ox, int oy);
    void HandleDetailMouse(int action, QPoint point);

    int Printing = PrintingScreen;
    // Top-left corners of the previous and next links as last drawn; (999, 999) when disabled.
    std::array<QPoint, 2> HeaderLinks{QPoint(kLinkDisabled, kLinkDisabled), QPoint(kLinkDisabled, kLinkDisabled)};
    CalendarLayout Calendar;
    // week * 7 + weekday: d > 0 recorded day d, -d day without record up to today, 0 no day.
    std::array<int, 42> MonthCells{};
    QImage CalendarBackground, GraphBackground, ListBackground, DetailBackground;
    ThumbnailCache Thumbnails;
    // The list page turns its pages itself (direction -1 or +1); the header calls it in list mode.
    std::function<void(int direction)> ListHeaderStep;

private:
    void stepMonth(int direction);
    // Mouse feedback, drawn straight on the window until the next present. The hand is asked
    // for by the handlers during one move; HandleMouse then sets the hand or the arrow.
    void showHandCursor();
    void showPressedPiece(const QImage& piece, QPoint at);
    void showPressedFrame(QRect frame);  // outline with HighlightPen
    int pressedCell() const { return m_pressedCell; }

    CNotebook& m_nb;
    int m_pressedCell = -1;  // calendar cell of the last press, -1 when none
    bool m_handWanted = false;
};

// Lines of a memo text as they fill a box: the editor's exit-command line is left out, line ends
// and trailing control characters are removed, and a line wider than `maxWidth` (as `measure`
// says) continues on the next row, cut between characters. At most `maxLines` rows.
std::vector<QString> LayoutMemoLines(const std::string& utf8Text, int maxWidth, int maxLines,
                                     const std::function<int(const QString&)>& measure);

// The value column of the detail page's data table, row by row; empty where nothing is drawn.
std::array<std::string, 11> DetailValueTexts(const DayRecord& day, const QDate& date, std::optional<int> dayNumber,
                                             const std::string& unit1, const std::string& unit2);

// Month length by the calendar's rule (every fourth year is a leap year).
int CalendarMonthLength(int year, int month);
