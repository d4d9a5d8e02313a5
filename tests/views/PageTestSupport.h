#pragma once
// A notebook with a known page layout, opened at a fixed date, and pixel probes for its pages.
#include "photos/PictureFile.h"
#include "platform/AppFolders.h"
#include "platform/TextCodec.h"
#include "support/NotebookFixture.h"
#include "support/RequireWritten.h"
#include "views/PageDraw.h"
#include "views/PageViews.h"

#include <QImage>
#include <QPainter>
#include <QRect>

#include <functional>
#include <optional>
#include <vector>

inline const char* kTestLayout =
    "[Calender]\nX=20\nY=60\nWidth=100\nHeight=70\nPicWidth=80\nPicHeight=60\nWeekOffset=20\nDayOffset=18\n"
    "Title=300,10,%d年%d月\nPrevMonth=20,10,前月\nNextMonth=600,10,次月\n"
    "[Picture]\nX=20\nY=40\n"
    "[Data1]\nX=400\nY=40\nWidth=300\nLinePitch=20\nColumnWidth=100\nTitle1=日付\n"
    "[Data2]\nTitle1=気温\nTitle2=日照\nTitle3=天気\n"
    "[Data3]\nTitle=0,120\nTitle1=草たけ\nTitle2=葉の数\nTitle3=葉の大きさ\nTitle4=養液\nTitle5=室温\n"
    "[Memo]\nX=20\nY=300\nWidth=400\nHeight=100\nLinePitch=20\n";

class PageFixture : public NotebookFixture {
public:
    // `changes`: "Section/Key=Value" lines that replace keys of the test layout.
    explicit PageFixture(const std::string& startDate = "2013/04/01",
                         const std::vector<std::string>& changes = {})
        : NotebookFixture(startDate)
    {
        const std::string layout = JoinPath(program, "Layout.ini");
        RequireWritten(WriteFileAtomic(layout, kTestLayout));
        for (const std::string& c : changes) {
            size_t slash = c.find('/'), eq = c.find('=');
            RequireWritten(IniFile::WriteString(layout, c.substr(0, slash),
                                                c.substr(slash + 1, eq - slash - 1), c.substr(eq + 1)));
        }
    }
    CNotebook& openOn(const QDate& today)
    {
        m_today.emplace(today);
        return open();
    }
    void showMonth(int year, int month)
    {
        nb->SetCalendarMonth(year, month);
        nb->SetViewMode(ViewMode::Calendar);
    }
    // What a page of `mode` showing `year`/`month` is drawn from, made without a controller.
    PageSnapshot snapshot(ViewMode mode, int year, int month, const QDate& today) const
    {
        PageSnapshot s;
        s.mode = mode;
        s.layoutFile = JoinPath(program, "Layout.ini");
        s.notebookFolder = notebook;
        s.shownYear = year;
        s.shownMonth = month;
        s.currentDate = QDate(year, month, 1);
        s.today = today;
        return s;
    }
    // Page objects loaded from the fixture's layout, as the controller loads its own.
    PageViews loadedPages() const
    {
        PageViews pages;
        const std::string layout = JoinPath(program, "Layout.ini");
        pages.LoadSettings(layout, AppFolders::Portable(program), QSize(780, 496));
        pages.LoadDetailBackground(layout, AppFolders::Portable(program));
        return pages;
    }
    static QImage draw(PageViews& pages, const PageSnapshot& s, QPoint origin = {}, QSize size = {780, 496})
    {
        QImage page(size, QImage::Format_RGB32);
        page.fill(Qt::yellow);
        QPainter p(&page);
        PreparePagePainter(p);
        pages.DrawPage(p, origin, s);
        return page;
    }

    // Mouse press then release at one point.
    void click(QPoint at)
    {
        nb->HandleMouse(MouseAction::Press, at);
        nb->HandleMouse(MouseAction::Release, at);
    }

private:
    std::optional<Clock::FixedToday> m_today;
};

inline int countPixels(const QImage& img, const QRect& r, const std::function<bool(QColor)>& want)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.valid(x, y) && want(img.pixelColor(x, y)))
                ++n;
    return n;
}
inline bool isDark(QColor c)
{
    return c.red() < 100 && c.green() < 100 && c.blue() < 100;
}
inline bool isBlue(QColor c)
{
    return c.blue() > 160 && c.red() < 110 && c.green() < 110;
}
inline bool isRed(QColor c)
{
    return c.red() > 160 && c.green() < 110 && c.blue() < 110;
}
inline bool isGrey(QColor c)
{
    return std::abs(c.red() - c.green()) < 12 && std::abs(c.green() - c.blue()) < 12 && c.red() > 90
           && c.red() < 200;
}
