#pragma once
// The pages of an exported site as text: every value of the notebook goes in escaped, so a
// memo or a name is shown as it was typed and never becomes markup.
#include "store/NotebookFile.h"
#include "web/WebExport.h"

#include <QDate>
#include <QSize>

#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kWebVideoName = "timelapse.mp4";

// What the pages of one notebook are made from.
struct WebNotebook {
    std::string folder;
    std::string name;  // the data name
    NotebookInfo info;
    std::optional<QDate> startDate;
    std::vector<QDate> days;    // days with a record or a photo, oldest first
    std::vector<QDate> photos;  // days with a photo
    int recorded = 0;           // days with a record
    std::string layoutFile, settingsFile;
    QDate today;
    QSize video;           // the time-lapse's frame size; empty when there is none
    bool inClass = false;  // the site lies in a class site, whose page is one folder up
};

struct WebPage {
    std::string file;   // relative to the site
    std::string title;  // escaped already
    std::string body;   // HTML
    std::string html() const;
};

// index.html, a page per day and a page per month.
std::vector<WebPage> NotebookPages(const WebNotebook& nb);
// index.html of a class site.
WebPage ClassPage(const std::vector<WebNotebookSummary>& notebooks, const QDate& today);
std::string SiteStyleSheet();
WebNotebookSummary SummariseNotebook(const WebNotebook& nb);

std::string DayPageName(const QDate& date);    // "day-YYYYMMDD.html"
std::string MonthPageName(const QDate& date);  // "month-YYYYMM.html"
