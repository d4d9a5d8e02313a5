// Printing a whole notebook into a PDF file: 256 days with camera-like photos, memos and every
// value, detail, graph and list pages, range "all data", with the shipped layout and sheet.
// Reports the sheets, the file's size and the time per sheet; `pdfinfo` of the file follows.
#include "BenchNotebook.h"
#include "GuiBenchMain.h"
#include "app/CNotebook.h"
#include "app/HeadlessHost.h"
#include "photos/PictureFile.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "support/RequireWritten.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {
constexpr int kDays = 256;

struct World {
    QTemporaryDir dir;
    std::string program, notebook, pdf;
    ScriptedPrompt prompt;
    HeadlessHost host;
    std::unique_ptr<CNotebook> nb;

    World()
    {
        program = dir.path().toStdString() + "/program";
        notebook = program + "/data/bench";
        pdf = dir.path().toStdString() + "/notebook.pdf";
        QDir().mkpath(QString::fromStdString(notebook));
        for (const char* file : {"Layout.ini", "Print.ini"})
            RequireWritten(CopyFileSafe(JoinPath(KELTO_KIT_DIR, file), JoinPath(program, file), false));
        const QDate first(2013, 4, 1);
        WriteBenchNotebook(notebook, first, kDays);
        Clock::SetToday(first.addDays(kDays + 5));
        nb = std::make_unique<CNotebook>(program, prompt, "KeltoBench-" + std::to_string(::getpid()));
        nb->SetCommandLineNotebook(notebook);
        nb->Initialize(&host);
    }
};

World& world()
{
    static World w;
    return w;
}

void PrintWholeNotebookToPdf(benchmark::State& state)
{
    World& w = world();
    PrintOptions all;
    all.detail = all.graph = all.list = true;
    all.range = PrintRange::AllData;
    int sheets = 0;
    for (auto _ : state) {
        if (const Result printed = w.nb->PrintToPdf(w.pdf, all); !printed) {
            state.SkipWithError(ResultText(printed).c_str());
            return;
        }
        state.PauseTiming();
        sheets = w.nb->BuildPrintPages(all).sheets();
        state.ResumeTiming();
    }
    state.counters["sheets"] = sheets;
    state.counters["MB"] = static_cast<double>(QFileInfo(QString::fromStdString(w.pdf)).size()) / 1e6;
    state.counters["per_sheet"] =
        benchmark::Counter(sheets * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(PrintWholeNotebookToPdf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
}  // namespace

int main(int argc, char** argv)
{
    return RunGuiBenchmarks(argc, argv, [] {
        const std::string command = "pdfinfo '" + world().pdf + "' | grep -E '^(Pages|File size|Page size):'";
        std::fflush(stdout);
        if (std::system(command.c_str()) != 0)
            std::printf("pdfinfo could not read %s\n", world().pdf.c_str());
    });
}
