#pragma once
// The program's command line: options for work without a window, or else the whole text is
// the notebook folder to open.
#include <string>
#include <vector>

struct CommandLine {
    enum class Action {
        Window,
        Help,
        ExportCsv,
        Render,
        PhotoDate,
        FetchWeather,
        ImportPhotos,
        PrintPdf,
        ExportVideo,
        AutoAlign,
        ExportWeb,
        Where,
        MoveStart,
        Error
    };
    Action action = Action::Window;
    std::string notebook;            // --notebook DIR, or the folder to open in the window
    std::string outPath;             // --export-csv / --export-video / --out / --print-pdf FILE, --export-web DIR
    std::string page;                // --render calendar|detail|graph|list
    std::string date;                // --date YYYY-MM-DD
    std::string error;               // what was wrong, for Action::Error: a catalogue text
    std::string errorArg;            // what stands for "%1" in it
    std::vector<std::string> files;  // --photo-date FILE...
    std::string photoFolder;         // --import-photos DIR
    std::string rotate;              // --rotate cw|ccw|cut|keep
    bool weather = false;            // --weather
    std::string kinds;               // --kinds detail,graph,list
    std::string range;               // --range all|month|day
    bool replace = false;            // --replace (--auto-align)
    std::string classRoot;           // --class DATA_ROOT (--export-web)
    bool moveStart = false;          // --move-start (alone, or with --import-photos)
};

// Parsing runs before the application exists; the texts below are made afterwards, in the
// language of the catalogue installed then (platform/Words.h).
CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string CommandLineHelp();
// What was wrong with a command line of Action::Error.
std::string CommandLineError(const CommandLine& command);
