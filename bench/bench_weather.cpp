// The graph and the print while the weather site never answers (a local stand-in that stalls):
// a click on グラフ takes as long as a draw from the day files, since the month is asked on a
// worker; a print of six graph pages waits for one time-out, not one per page. The same draws
// without the site, for comparison.
#include "GuiBenchMain.h"
#include "app/CNotebook.h"
#include "app/HeadlessHost.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "store/DayRecord.h"
#include "store/KeltoIni.h"
#include "store/NotebookFile.h"
#include "support/LocalWeatherServer.h"
#include "support/RequireWritten.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

namespace {
// The main window's side: an answer that comes later is still shown.
class WindowHost : public HeadlessHost {
public:
    bool DeliversLater() const override { return true; }
    // The internet settings dialog closed by OK with internet use set to `internetOn`.
    bool RunInternetSettingsDialog(const InternetSettingsFields&, const InternetSettingsOps& ops) override
    {
        ops.apply(InternetSettingsChoice{internetOn, {}, {}});
        return true;
    }
    bool internetOn = true;
};

constexpr int kMonths = 6;  // March to August 2023, ten days each

struct World {
    LocalWeatherServer server{false, {"--daily", "stall"}};
    TempDir dir;
    std::string program, notebook;
    ScriptedPrompt prompt;
    WindowHost host;
    std::unique_ptr<CNotebook> nb;

    World()
    {
        program = dir.mkdir("program");
        notebook = dir.mkdir("program/data/bench");
        for (const QString& name : QDir(QStringLiteral(KELTO_KIT_DIR)).entryList(QDir::Files))
            QFile::copy(QStringLiteral(KELTO_KIT_DIR "/") + name, QString::fromStdString(program) + "/" + name);
        const std::string weather = server.writeWeatherIni(program);
        RequireWritten(IniFile::WriteString(weather, "Net", "Timeout", "2"));  // a print waits one of these
        const std::string settings = JoinPath(program, "Kelto.ini");
        RequireWritten(WriteSettingInt(settings, KeltoIni::EnableInternet, 1));
        RequireWritten(WriteSettingInt(settings, KeltoIni::Pref, 44));
        RequireWritten(WriteSettingInt(settings, KeltoIni::Place, 47662));
        RequireWritten(WriteNotebookKey(notebook, "StartDate", "2023/03/01"));
        for (int m = 3; m < 3 + kMonths; ++m)
            for (int d = 1; d <= 28; d += 3)
                RequireWritten(
                    IniFile::WriteKeys(DayFilePath(notebook, QDate(2023, m, d), "dat"), "Growth",
                                       {{"DataHeight", std::to_string(m + d) + ".5"}, {"DataCount", "4"}}));
        Clock::SetToday(QDate(2023, 9, 10));
        nb = std::make_unique<CNotebook>(program, prompt, "KeltoBench-" + std::to_string(::getpid()));
        nb->SetCommandLineNotebook(notebook);
        nb->Initialize(&host);
    }
    void internet(bool on)
    {
        host.internetOn = on;
        nb->EditInternetSettings();
    }
};

World& world()
{
    static World w;
    return w;
}

// From the click on グラフ to the page on the screen, stepping through the months, with the
// internet retrieval on (the site never answers: each month's request is left to its worker)
// and off (the day files only).
void GraphClick(benchmark::State& state)
{
    World& w = world();
    w.internet(state.range(0) != 0);
    int i = 0;
    for (auto _ : state) {
        w.nb->SetCalendarMonth(2023, 3 + i++ % kMonths);
        w.nb->SetViewMode(ViewMode::Graph);
    }
    w.nb->StopWeatherRequests();
}
BENCHMARK(GraphClick)->ArgName("stalledSite")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The six graph pages into a PDF file; Weather.ini's Timeout is 2 s.
void PrintSixGraphsStalledSite(benchmark::State& state)
{
    World& w = world();
    w.internet(true);
    PrintOptions graphs;
    graphs.range = PrintRange::AllData;
    graphs.detail = false;
    graphs.graph = true;
    const std::string pdf = w.dir.file("graphs.pdf");
    for (auto _ : state) {
        // A fresh controller each time: nothing kept, no failure remembered.
        state.PauseTiming();
        w.nb = std::make_unique<CNotebook>(w.program, w.prompt, "KeltoBench-" + std::to_string(::getpid()));
        w.nb->SetCommandLineNotebook(w.notebook);
        w.nb->Initialize(&w.host);
        state.ResumeTiming();
        if (const Result printed = w.nb->PrintToPdf(pdf, graphs); !printed)
            state.SkipWithError(ResultText(printed).c_str());
    }
}
BENCHMARK(PrintSixGraphsStalledSite)->Unit(benchmark::kMillisecond)->Iterations(2);
}  // namespace

int main(int argc, char** argv)
{
    return RunGuiBenchmarks(argc, argv);
}
