#include "print/PrintPages.h"

int PrintOptions::bits() const
{
    return static_cast<int>(range) | (detail ? 0x10 : 0) | (graph ? 0x20 : 0) | (list ? 0x40 : 0);
}

PrintPlan BuildPrintPages(const PrintOptions& o, std::vector<QDate> dates, const QDate& firstRecord)
{
    PrintPlan plan;
    plan.range = o.range;
    if (o.range == PrintRange::ShownPage) {
        plan.detailPages = o.detail ? 1 : 0;
        plan.graphPages = o.graph ? 1 : 0;
        plan.listPages = o.list ? 1 : 0;
        return plan;
    }
    plan.dates = std::move(dates);
    const int n = static_cast<int>(plan.dates.size());
    plan.detailPages = o.detail ? n : 0;
    plan.listPages = o.list ? (n + kListDaysPerPage - 1) / kListDaysPerPage : 0;
    if (o.graph && o.range == PrintRange::ShownMonth) {
        plan.graphPages = 1;
    } else if (o.graph && n > 0) {
        // One month counts the graph pages and places them: the earliest record's, also when
        // the scan listed only the newer days.
        const QDate first =
            firstRecord.isValid() && firstRecord < plan.dates.front() ? firstRecord : plan.dates.front();
        const QDate& last = plan.dates.back();
        plan.firstMonth = QDate(first.year(), first.month(), 1);
        plan.graphPages = (last.year() - first.year()) * 12 + last.month() - first.month() + 1;
    }
    return plan;
}

PrintPage PrintPageAt(const PrintPlan& plan, int p)
{
    PrintPage page;
    const int d = plan.detailPages, g = plan.graphPages, l = plan.listPages;
    const bool ranged = plan.range != PrintRange::ShownPage;
    if (p < 0 || p >= d + g + l)
        return page;
    if (p < d) {
        page.kind = PrintPage::Detail;
        if (ranged && static_cast<size_t>(p) < plan.dates.size())
            page.date = plan.dates[p];
    } else if (p < d + g) {
        page.kind = PrintPage::Graph;
        if (plan.range == PrintRange::AllData)
            page.month = plan.firstMonth.addMonths(p - d);
    } else {
        page.kind = PrintPage::List;
        const size_t first = static_cast<size_t>(p - d - g) * kListDaysPerPage;
        if (ranged && first < plan.dates.size())
            page.date = plan.dates[first];
    }
    return page;
}
