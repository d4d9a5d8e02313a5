#include "app/CliTools.h"

#include "app/KeltoIni.h"
#include "platform/Files.h"
#include "store/CsvExport.h"
#include "store/DataFolders.h"

#include <cstdio>

namespace {
// --notebook, or the notebook remembered in Kelto.ini.
std::string notebookFolder(const CommandLine& c, const std::string& programFolder)
{
    if (!c.notebook.empty())
        return c.notebook;
    std::string settings = JoinPath(programFolder, "Kelto.ini");
    std::string name = ReadSettingText(settings, KeltoIni::DataName);
    if (name.empty())
        return {};
    return JoinPath(ResolveDataRoot(programFolder, ReadSettingText(settings, KeltoIni::FolderPath)), name);
}
} // namespace

int RunCommandLineTool(const CommandLine& c, const std::string& programFolder)
{
    switch (c.action) {
    case CommandLine::Action::Help:
        std::fputs(CommandLineHelp(), stdout);
        return 0;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "kelto: %s\n%s", c.error.c_str(), CommandLineHelp());
        return 1;
    case CommandLine::Action::ExportCsv: {
        std::string folder = notebookFolder(c, programFolder);
        if (folder.empty()) {
            std::fprintf(stderr, "kelto: no notebook: give --notebook DIR (Kelto.ini remembers none)\n");
            return 1;
        }
        std::string error;
        if (!ExportNotebookCsv(folder, c.outPath, &error)) {
            std::fprintf(stderr, "kelto: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    default:
        std::fprintf(stderr, "kelto: this option is not available\n");
        return 1;
    }
}
