// Day table scans and day record loads over a notebook of 256 day files.
#include "GuiBenchMain.h"
#include "app/CNotebook.h"
#include "app/HeadlessHost.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "support/RequireWritten.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <cstdlib>
#include <cstring>

namespace {

struct Notebook {
    Notebook()
    {
        folder = dir.path().toStdString() + "/nb";
        QDir().mkpath(QString::fromStdString(folder));
        RequireWritten(WriteNotebookKey(folder, "StartDate", "2012/01/01"));
        QDate d(2012, 1, 1);
        for (int i = 0; i < 256; ++i) {
            std::string path = DayFilePath(folder, d.addDays(i), "dat");
            RequireWritten(IniFile::WriteKeys(
                path, "Weather",
                {{"Weather", "晴れ"}, {"LowTemp", "10.5"}, {"HighTemp", "21.0"}, {"Daylight", "6.2"}}));
            RequireWritten(IniFile::WriteKeys(
                path, "Growth", {{"DataHeight", "12.5"}, {"DataCount", "6"}, {"DataGraph", "1"}}));
        }
        nb = std::make_unique<CNotebook>(dir.path().toStdString(), prompt, "KeltoBench");
        // Opened as --render opens it: no window.
        nb->SetCommandLineNotebook(folder);
        nb->Initialize(&host);
    }
    QTemporaryDir dir;
    std::string folder;
    ScriptedPrompt prompt;
    HeadlessHost host;  // outlives the controller, which writes through it at its end
    std::unique_ptr<CNotebook> nb;
};

Notebook& notebook()
{
    static Notebook n;
    return n;
}

void BM_ScanDays256(benchmark::State& state)
{
    Notebook& n = notebook();
    for (auto _ : state) {
        n.nb->RescanDays();
        benchmark::DoNotOptimize(n.nb->dayCount());
    }
}
BENCHMARK(BM_ScanDays256)->Unit(benchmark::kMicrosecond);

// The floor of the scan: the folder's names read with readdir and sorted, in plain C.
int compareNames(const void* a, const void* b)
{
    return std::strcmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

void BM_ReaddirSort256(benchmark::State& state)
{
    Notebook& n = notebook();
    for (auto _ : state) {
        DIR* d = opendir(n.folder.c_str());
        char* names[1024];
        size_t count = 0;
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' && count < 1024)
                names[count++] = strdup(e->d_name);
        closedir(d);
        qsort(names, count, sizeof names[0], compareNames);
        benchmark::DoNotOptimize(names[0]);
        for (size_t i = 0; i < count; ++i)
            free(names[i]);
    }
}
BENCHMARK(BM_ReaddirSort256)->Unit(benchmark::kMicrosecond);

void BM_ReadDayValues(benchmark::State& state)
{
    Notebook& n = notebook();
    QDate d(2012, 1, 1);
    int i = 0;
    for (auto _ : state) {
        std::optional<DayWeather> w;
        std::optional<Measurements> m;
        ReadDayValues(n.folder, d.addDays(i++ % 256), &w, &m);
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_ReadDayValues)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    return RunGuiBenchmarks(argc, argv);
}
