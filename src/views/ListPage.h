#pragma once
// The list page: up to six days side by side as the columns of one table, a thumbnail above
// each, row captions in the first column. Which days are listed is the user's list setting.
#include "platform/SettingKey.h"

#include <QDate>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPaintDevice;

// Kelto.ini [List] ListMode.
enum class ListMode { AllDays = 0, MeasuredDays = 1, PhotoDays = 2 };
// A stored value outside the three choices lists every day.
ListMode ListModeFromInt(int value);

// Layout.ini [List].
struct ListLayout {
    int X = 10, Y = 10;  // the table's corner; thumbnails stand above it
    int LinePitch = 24;
    int PicWidth = 80, PicHeight = 60;
    int ColumnWidth = 100;
    int TitleWidth = 100;
};
ListLayout ReadListLayout(const std::string& layoutFile, int viewWidth, int viewHeight);

inline constexpr int kListColumns = 6;
inline constexpr int kListRows = 13;
inline constexpr int kListTitleRows = 11;  // Title1..11 of the layout; two free items follow

// What the list takes from the notebook: the notebook's days as of this drawing.
struct ListInput {
    ListMode mode = ListMode::AllDays;
    std::vector<QDate> listed;  // the days listed under `mode`, oldest first, none after today
    // A print's source of the day pictures at a device size, when it has its own (pictures it
    // decoded once for the detail pages too); else the page's thumbnail cache serves.
    std::function<QImage(const QDate&, QSize)> pictures;
};
// The days `mode` lists among the record and photo files of `folder`, up to `today`.
std::vector<QDate> ListedDays(const std::string& folder, ListMode mode, const QDate& today);

// One page of the list: its columns and where the links lead.
struct ListPlan {
    std::vector<QDate> shown;  // at most six, oldest first
    QDate prevStart;           // first day of the page before; null when there is none
    QDate nextStart;           // first day of the page after; null when there is none
};
// The page that starts with the first listed day on or after `from`; after the last listed
// day, the last six. The links lead exactly to the listed days before and after the page.
ListPlan PlanListPage(const std::vector<QDate>& listed, const QDate& from);

// The row captions of the list: the layout's titles up to the first empty one, and the
// notebook's two free items after a full set.
std::vector<std::string> ListRowCaptions(const std::string& layoutFile, const std::string& notebookFolder);
// The thirteen values of a day's column, as the day file stores them (row 2 is the day number).
std::vector<std::string> ListDayValues(const std::string& folder, const QDate& date,
                                       std::optional<QDate> startDate);

// How a cell's text stands in a box: on one line in the page font when it fits, else wrapped
// and made smaller until its lines fit the box (never below half the size). The lines hold the
// whole text; only a text too long even then reaches beyond the box.
struct CellText {
    std::vector<QString> lines;
    QFont font;
    int lineHeight = 0;
};
CellText LayoutCellText(const QFont& font, const QString& text, QSize box, QPaintDevice* device);
