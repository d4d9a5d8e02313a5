// Page redraws: the calendar of a month with 31 photo days (thumbnail cache cold and warm),
// decoding 31 full photos for comparison, one detail page, the graph and the list.
#include "BenchNotebook.h"
#include "GuiBenchMain.h"
#include "app/CNotebook.h"
#include "app/HeadlessHost.h"
#include "app/ViewHost.h"
#include "photos/PictureFile.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "support/RequireWritten.h"
#include "views/PageDraw.h"
#include "views/PageViews.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {
struct World {
    QTemporaryDir dir;
    std::string program, notebook;
    ScriptedPrompt prompt;
    HeadlessHost host;
    std::unique_ptr<CNotebook> nb;

    World()
    {
        program = dir.path().toStdString() + "/program";
        notebook = program + "/data/bench";
        QDir().mkpath(QString::fromStdString(notebook));
        // The shipped layout's geometry, with backgrounds, so their copying is counted too.
        RequireWritten(WriteFileAtomic(
            program + "/Layout.ini",
            "[Calender]\nBackGround=bg.jpg\nTitle=354,17,%d/%d\nPrevMonth=40,16,<\nNextMonth=690,16,>\n"
            "X=38\nY=84\nWidth=104\nHeight=68\nPicWidth=80\nPicHeight=60\nWeekOffset=24\nDayOffset=18\n"
            "[Data]\nBackGround=bg.jpg\n[Picture]\nX=36\nY=84\n"
            "[Data1]\nX=384\nY=84\nWidth=360\nLinePitch=22\nColumnWidth=128\nTitle1=date\n"
            "[Data2]\nTitle1=t\nTitle2=s\nTitle3=w\n[Data3]\nTitle=384,172\nTitle1=h\nTitle2=n\n"
            "Title3=l\nTitle4=f\nTitle5=r\n[Memo]\nX=36\nY=354\nWidth=708\nHeight=132\nLinePitch=22\n"
            "[Graph]\nBackGround=bg.jpg\nX=70\nY=446\nWidth=682\nLinePitch=22\nLeafPitch=3\nLeafWidth=12\n"
            "[Graph1]\nY=196\nHeight=130\n[Graph2]\nY=306\nHeight=90\n[Graph3]\nY=438\nHeight=112\n"
            "[List]\nBackGround=bg.jpg\nTitle=346,17,list\nPrevMonth=40,16,<\nNextMonth=690,16,>\nX=24\nY="
            "146\n"
            "LinePitch=26\nPicWidth=80\nPicHeight=60\nColumnWidth=100\nTitleWidth=130\nTitle1=a\nTitle2=b\n"
            "Title3=c\nTitle4=d\nTitle5=e\nTitle6=f\nTitle7=g\nTitle8=h\nTitle9=i\nTitle10=j\nTitle11=k\n"));
        for (int k = 1; k <= 8; ++k)
            RequireWritten(IniFile::WriteString(program + "/Kelto.ini", "Graph", "Color" + std::to_string(k),
                                                "#3060C0"));
        QImage bg(780, 496, QImage::Format_RGB32);
        bg.fill(QColor(250, 248, 240));
        RequireWritten(SavePictureFile(program + "/bg.jpg", bg, 780, 496, 95));
        RequireWritten(WriteNotebookKey(notebook, "StartDate", "2013/05/01"));
        QImage photo(640, 480, QImage::Format_RGB32);
        for (int d = 1; d <= 31; ++d) {
            QPainter p(&photo);
            p.fillRect(photo.rect(), QColor(40 + d * 5, 120, 200 - d * 4));
            p.setPen(Qt::darkGreen);
            for (int i = 0; i < 40; ++i)
                p.drawLine(320, 480, 100 + i * 12, 100 + (i * d) % 200);
            p.end();
            WriteBenchDay(notebook, QDate(2013, 5, d), photo, std::to_string(d) + ".5", std::to_string(d / 3),
                          "sunny");
        }
        RequireWritten(WriteFileAtomic(DayFilePath(notebook, QDate(2013, 5, 20), "txt"),
                                       "memo line one\nmemo line two\n"));
        Clock::SetToday(QDate(2013, 6, 10));
        nb = std::make_unique<CNotebook>(program, prompt, "KeltoBench-" + std::to_string(::getpid()));
        nb->SetCommandLineNotebook(notebook);
        nb->Initialize(&host);
        nb->SetCalendarMonth(2013, 5);
    }
};

World& world()
{
    static World w;
    return w;
}

void CalendarColdCache(benchmark::State& state)
{
    World& w = world();
    for (auto _ : state) {
        w.nb->DropThumbnails();
        w.nb->DrawPage(ViewMode::Calendar);
    }
}
BENCHMARK(CalendarColdCache)->Unit(benchmark::kMillisecond);

void CalendarWarmCache(benchmark::State& state)
{
    World& w = world();
    w.nb->DrawPage(ViewMode::Calendar);
    for (auto _ : state)
        w.nb->DrawPage(ViewMode::Calendar);
}
BENCHMARK(CalendarWarmCache)->Unit(benchmark::kMillisecond);

// What the calendar would cost decoding every photo at full size.
void Decode31FullPhotos(benchmark::State& state)
{
    World& w = world();
    for (auto _ : state) {
        for (int d = 1; d <= 31; ++d) {
            QImage img;
            LoadPictureFile(DayFilePath(w.notebook, QDate(2013, 5, d), "jpg"), img);
            benchmark::DoNotOptimize(img);
        }
    }
}
BENCHMARK(Decode31FullPhotos)->Unit(benchmark::kMillisecond);

void DetailPage(benchmark::State& state)
{
    World& w = world();
    RequireWritten(w.nb->LoadDay(QDate(2013, 5, 20)));
    for (auto _ : state)
        w.nb->DrawPage(ViewMode::Detail);
}
BENCHMARK(DetailPage)->Unit(benchmark::kMillisecond);

// The graph of a month of 31 recorded days with every series: a redraw from the values held
// (a change in the settings dialog), and one that reads the month's day files again.
void GraphRedraw(benchmark::State& state)
{
    World& w = world();
    w.nb->SetViewMode(ViewMode::Graph);
    for (auto _ : state)
        w.nb->DrawPage(ViewMode::Graph, false);
}
BENCHMARK(GraphRedraw)->Unit(benchmark::kMillisecond);

void GraphReload(benchmark::State& state)
{
    World& w = world();
    for (auto _ : state)
        w.nb->DrawPage(ViewMode::Graph, true);
}
BENCHMARK(GraphReload)->Unit(benchmark::kMillisecond);

// The list of six photo days with every value, thumbnails decoded anew and from the cache.
void ListColdCache(benchmark::State& state)
{
    World& w = world();
    w.nb->SetCurrentDate(QDate(2013, 5, 10));
    for (auto _ : state) {
        w.nb->DropThumbnails();
        w.nb->DrawPage(ViewMode::List);
    }
}
BENCHMARK(ListColdCache)->Unit(benchmark::kMillisecond);

void ListWarmCache(benchmark::State& state)
{
    World& w = world();
    w.nb->SetCurrentDate(QDate(2013, 5, 10));
    w.nb->DrawPage(ViewMode::List);
    for (auto _ : state)
        w.nb->DrawPage(ViewMode::List);
}
BENCHMARK(ListWarmCache)->Unit(benchmark::kMillisecond);

// The memo box of the shipped layout (708 x 132, pitch 22) measured with the page font, for a
// memo of 20,000 zero-width spaces and for an ordinary memo of a few short lines.
// `sliver`: extra width per character, as a font whose zero-width space has a little advance
// (20,000 of them then no longer fit one row, which is where a quadratic layout shows).
void MemoLayout(benchmark::State& state, const std::string& text, int sliverPer1000 = 0)
{
    QImage page(780, 496, QImage::Format_RGB32);
    QPainter p(&page);
    PreparePagePainter(p);
    auto measure = [&p, sliverPer1000](const QString& s) {
        return PageTextWidth(p, s) + static_cast<int>(s.size() * sliverPer1000 / 1000);
    };
    for (auto _ : state)
        benchmark::DoNotOptimize(LayoutMemoLines(text, 708 - 8, 132 / 22, measure));
}
std::string repeated(const char* piece, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += piece;
    return s;
}
BENCHMARK_CAPTURE(MemoLayout, ZeroWidth20000, repeated("\u200b", 20000))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemoLayout, ZeroWidth20000Sliver, repeated("\u200b", 20000), 40)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemoLayout, OrdinaryMemo, repeated("きょうは はっぱが 2まい ふえた。くきも のびた。\n", 6))
    ->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv)
{
    return RunGuiBenchmarks(argc, argv);
}
