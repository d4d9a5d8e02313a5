#pragma once
// The page list of a print or a preview: detail pages (one a day), graph pages (one a month)
// and list pages (six days each), in that order, two pages to a sheet.
#include <QDate>

#include <vector>

enum class PrintRange { ShownPage = 1, ShownMonth = 2, AllData = 3 };

// What the print settings dialog chose. As an integer (PrintOptions of the settings): the low
// four bits the range, 0x10 detail, 0x20 graph, 0x40 list.
struct PrintOptions {
    bool detail = true;
    bool graph = false;
    bool list = false;
    PrintRange range = PrintRange::ShownPage;

    int bits() const;
    bool operator==(const PrintOptions&) const = default;
};

inline constexpr int kListDaysPerPage = 6;

struct PrintPlan {
    PrintRange range = PrintRange::ShownPage;
    int detailPages = 0, graphPages = 0, listPages = 0;
    std::vector<QDate> dates;  // the records in range, oldest first (ranges 2 and 3)
    QDate firstMonth;          // month of the first graph page for range 3

    int total() const { return detailPages + graphPages + listPages; }
    int sheets() const { return (total() + 1) / 2; }
};

// `dates`: the records in range, ascending (ignored for range 1). `firstRecord`: the notebook's
// earliest record, where range 3's graph pages start.
PrintPlan BuildPrintPages(const PrintOptions& options, std::vector<QDate> dates, const QDate& firstRecord);

// Page p of a plan. For range 1 the date and month are left invalid: the page shows the
// current day, the current month, or the list from the current date.
struct PrintPage {
    enum Kind { None, Detail, Graph, List } kind = None;
    QDate date;   // the detail page's day, or the list's first day
    QDate month;  // the graph's month (its first day)
};
PrintPage PrintPageAt(const PrintPlan& plan, int page);
