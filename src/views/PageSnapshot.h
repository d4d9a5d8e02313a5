#pragma once
// What a page is drawn from: values taken from the notebook at one moment. A painter reads only
// the snapshot it is given (and the files in the folders it names), so the screen, a printed
// sheet, the headless render and a worker all draw the same page without the live day.
#include "store/DayRecord.h"
#include "views/GraphPage.h"
#include "views/ListPage.h"
#include "views/ViewMode.h"

#include <QDate>
#include <QSize>

#include <optional>
#include <string>

// Where a page is drawn for.
enum PrintingTarget { PrintingScreen = 0, PrintingPrinter = 1, PrintingPreview = 2 };

struct PageSnapshot {
    ViewMode mode = ViewMode::None;
    PrintingTarget printing = PrintingScreen;
    std::string layoutFile;      // Layout.ini
    std::string notebookFolder;  // the day files and Kelto.dat
    QSize viewSize{780, 496};
    QSize pictureArea{320, 240};        // the detail page's photo frame (the trimming size)
    int shownYear = 0, shownMonth = 0;  // the month the calendar and the page headers show
    QDate currentDate;                  // the current date; invalid while there is none
    QDate today;
    DayRecord day;                   // the current day as the detail page shows it
    std::optional<int> dayNumber;    // of the day shown (or of currentDate when the day has no date)
    std::optional<QDate> startDate;  // the notebook's day 1
    int firstDayDate = 0;            // YYYYMMDD of the earliest record, 0 when none
    // Graph and list pages: the month's values as last read and the listed days.
    GraphInput graph;
    ListInput list;
};
