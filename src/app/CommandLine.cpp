#include "app/CommandLine.h"

#include "platform/Words.h"

namespace {
// One form of the command line and what it does (a catalogue text, lines broken with "\n").
struct HelpEntry {
    const char* synopsis;
    const char* text;
};
const HelpEntry kHelp[] = {
    {"kelto [NOTEBOOK_FOLDER]",
     QT_TRANSLATE_NOOP("Words", "Opens the window; with a folder, opens that notebook.")},
    {"kelto --export-csv FILE [--notebook DIR]",
     QT_TRANSLATE_NOOP("Words", "Writes the notebook's day records to a CSV file (UTF-8 with BOM).")},
    {"kelto --render calendar|detail|graph|list --date YYYY-MM-DD --out FILE.png [--notebook DIR]",
     QT_TRANSLATE_NOOP("Words", "Draws the month calendar, a day page, the month's graph or the list of six\n"
                                "days from the date into a PNG file.")},
    {"kelto --photo-date FILE...",
     QT_TRANSLATE_NOOP("Words", "Prints YYYY-MM-DD<TAB>FILE per photo (\"-\" without an EXIF date), as the\n"
                                "import reads it; exit status 1 when a file could not be read.")},
    {"kelto --fetch-weather [--notebook DIR]",
     QT_TRANSLATE_NOOP("Words", "Fetches the weather of every past day from the weather site, for the\n"
                                "observation place set in the program (one request per month).")},
    {"kelto --import-photos DIR [--notebook DIR] [--rotate cw|ccw|cut|keep] [--weather]\n"
     "        [--move-start]",
     QT_TRANSLATE_NOOP("Words",
                       "Imports every JPEG and BMP photo of DIR (in name order) as the day record of\n"
                       "its EXIF date. Portrait photos are turned (cw, ccw) or fitted (cut, keep) as\n"
                       "--rotate says; without it they are skipped and listed, as are photos without\n"
                       "a date. --weather also fetches each day's weather. Prints a summary.")},
    {"kelto --move-start [--notebook DIR]",
     QT_TRANSLATE_NOOP("Words",
                       "Moves the notebook's start date back to its first day when days lie before\n"
                       "it (they count back from the start: day -3). --import-photos says when its\n"
                       "photos made such days and leaves the start date; with --move-start it moves\n"
                       "it too.")},
    {"kelto --print-pdf FILE [--notebook DIR] [--kinds detail,graph,list] [--range all|month|day]\n"
     "        [--date YYYY-MM-DD]",
     QT_TRANSLATE_NOOP("Words",
                       "Prints the notebook into a PDF file, two pages to a sheet, as the print\n"
                       "dialog does: the kinds of page (default all three) and the range (default\n"
                       "all): all data, the month of --date, or the day of --date (default today).")},
    {"kelto --export-video FILE.avi|FILE.mp4 [--notebook DIR]",
     QT_TRANSLATE_NOOP("Words", "Writes the aligned time-lapse (one frame per photo day, at the animation\n"
                                "speed) as AVI, or as MP4 (H.264) when the name ends in .mp4; any other\n"
                                "name gets .avi. Exit status 1 with fewer than two photo days.")},
    {"kelto --auto-align [--notebook DIR] [--date YYYY-MM-DD] [--replace]",
     QT_TRANSLATE_NOOP("Words", "Aligns every photo day from the first one on --date or later (default: the\n"
                                "second) against the day before it, as the animation editor's run over the\n"
                                "following frames does. Days with an alignment of their own keep it unless\n"
                                "--replace is given. Exit status 1 with fewer than two photo days or when a\n"
                                "day file could not be written.")},
    {"kelto --export-web OUTDIR [--notebook DIR | --class DATA_ROOT]",
     QT_TRANSLATE_NOOP("Words", "Writes the notebook as a web site any browser opens from the folder: the\n"
                                "month calendars, a page per day, each month's graph and list, the photos\n"
                                "and the time-lapse. --class writes every notebook of the data root and a\n"
                                "class page. OUTDIR is replaced only when it holds an earlier export.")},
    {"kelto --where",
     QT_TRANSLATE_NOOP("Words", "Prints the folders in use, one NAME<TAB>PATH line each: the mode (portable\n"
                                "beside the program, or installed in the user's folders), Kelto.ini, the\n"
                                "user's own copies of the read-only files, the notebooks and the lock.")},
};

QString helpText()
{
    QString help = Words::tr("Usage:") + '\n';
    for (const HelpEntry& e : kHelp) {
        help += QLatin1String("  ") + QString::fromUtf8(e.synopsis) + '\n';
        for (const QString& line : Words::tr(e.text).split('\n'))
            help += QLatin1String("      ") + line + '\n';
    }
    help += QLatin1String("  ")
            + Words::tr("Without --notebook the notebook remembered in Kelto.ini is used.")
            + QLatin1String("\n  kelto --help\n");
    return help;
}
}  // namespace

std::string CommandLineHelp()
{
    return helpText().toStdString();
}

std::string CommandLineError(const CommandLine& command)
{
    const QString text = Words::tr(command.error.c_str());
    // Only a text with a place for it takes the argument; arg() warns on stderr otherwise.
    return (text.contains(QLatin1String("%1")) ? text.arg(QString::fromStdString(command.errorArg)) : text)
        .toStdString();
}

CommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    CommandLine c;
    if (args.empty())
        return c;
    if (args[0].rfind("--", 0) != 0) {
        // Not an option: the whole text is the notebook folder (spaces included).
        std::string folder;
        for (size_t i = 0; i < args.size(); ++i)
            folder += (i ? " " : "") + args[i];
        c.notebook = folder;
        return c;
    }
    // `why` is a catalogue text; `arg` stands for its "%1".
    auto fail = [&](const char* why, const std::string& arg = {}) {
        c.action = CommandLine::Action::Error;
        c.error = why;
        c.errorArg = arg;
        return c;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return false;
            into = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            c.action = CommandLine::Action::Help;
            return c;
        } else if (a == "--where") {
            if (args.size() != 1)
                return fail(QT_TRANSLATE_NOOP("Words", "--where goes alone"));
            c.action = CommandLine::Action::Where;
            return c;
        } else if (a == "--export-csv") {
            if (c.action != CommandLine::Action::Window || !value(c.outPath))
                return fail(QT_TRANSLATE_NOOP("Words", "--export-csv needs one output file"));
            c.action = CommandLine::Action::ExportCsv;
        } else if (a == "--render") {
            if (c.action != CommandLine::Action::Window || !value(c.page))
                return fail(QT_TRANSLATE_NOOP("Words", "--render needs calendar, detail, graph or list"));
            if (c.page != "calendar" && c.page != "detail" && c.page != "graph" && c.page != "list")
                return fail(
                    QT_TRANSLATE_NOOP("Words", "--render takes calendar, detail, graph or list, not %1"),
                    c.page);
            c.action = CommandLine::Action::Render;
        } else if (a == "--photo-date") {
            if (c.action != CommandLine::Action::Window || i + 1 >= args.size())
                return fail(QT_TRANSLATE_NOOP("Words", "--photo-date needs one or more photo files"));
            // Every argument after it is a file, even one that starts with "--".
            c.files.assign(args.begin() + static_cast<long>(i) + 1, args.end());
            c.action = CommandLine::Action::PhotoDate;
            return c;
        } else if (a == "--fetch-weather") {
            if (c.action != CommandLine::Action::Window)
                return fail(QT_TRANSLATE_NOOP("Words", "--fetch-weather goes alone (with --notebook)"));
            c.action = CommandLine::Action::FetchWeather;
        } else if (a == "--import-photos") {
            if (c.action != CommandLine::Action::Window || !value(c.photoFolder))
                return fail(QT_TRANSLATE_NOOP("Words", "--import-photos needs one photo folder"));
            c.action = CommandLine::Action::ImportPhotos;
        } else if (a == "--print-pdf") {
            if (c.action != CommandLine::Action::Window || !value(c.outPath))
                return fail(QT_TRANSLATE_NOOP("Words", "--print-pdf needs one output file"));
            c.action = CommandLine::Action::PrintPdf;
        } else if (a == "--kinds") {
            if (!value(c.kinds))
                return fail(QT_TRANSLATE_NOOP(
                    "Words", "--kinds needs detail, graph and/or list, separated by commas"));
            for (size_t start = 0; start <= c.kinds.size();) {
                size_t comma = c.kinds.find(',', start);
                if (comma == std::string::npos)
                    comma = c.kinds.size();
                const std::string kind = c.kinds.substr(start, comma - start);
                if (kind != "detail" && kind != "graph" && kind != "list")
                    return fail(
                        QT_TRANSLATE_NOOP("Words", "--kinds takes detail, graph and list, not \"%1\""), kind);
                start = comma + 1;
            }
        } else if (a == "--range") {
            if (!value(c.range) || (c.range != "all" && c.range != "month" && c.range != "day"))
                return fail(QT_TRANSLATE_NOOP("Words", "--range takes all, month or day"));
        } else if (a == "--export-video") {
            if (c.action != CommandLine::Action::Window || !value(c.outPath))
                return fail(QT_TRANSLATE_NOOP("Words", "--export-video needs one output file"));
            c.action = CommandLine::Action::ExportVideo;
        } else if (a == "--auto-align") {
            if (c.action != CommandLine::Action::Window)
                return fail(QT_TRANSLATE_NOOP(
                    "Words", "--auto-align goes alone (with --notebook, --date and --replace)"));
            c.action = CommandLine::Action::AutoAlign;
        } else if (a == "--export-web") {
            if (c.action != CommandLine::Action::Window || !value(c.outPath))
                return fail(QT_TRANSLATE_NOOP("Words", "--export-web needs one output folder"));
            c.action = CommandLine::Action::ExportWeb;
        } else if (a == "--class") {
            if (!value(c.classRoot))
                return fail(QT_TRANSLATE_NOOP("Words", "--class needs a data folder"));
        } else if (a == "--replace") {
            c.replace = true;
        } else if (a == "--rotate") {
            if (!value(c.rotate)
                || (c.rotate != "cw" && c.rotate != "ccw" && c.rotate != "cut" && c.rotate != "keep"))
                return fail(QT_TRANSLATE_NOOP("Words", "--rotate takes cw, ccw, cut or keep"));
        } else if (a == "--weather") {
            c.weather = true;
        } else if (a == "--move-start") {
            c.moveStart = true;
        } else if (a == "--notebook") {
            if (!value(c.notebook))
                return fail(QT_TRANSLATE_NOOP("Words", "--notebook needs a folder"));
        } else if (a == "--out") {
            if (!value(c.outPath))
                return fail(QT_TRANSLATE_NOOP("Words", "--out needs a file"));
        } else if (a == "--date") {
            if (!value(c.date))
                return fail(QT_TRANSLATE_NOOP("Words", "--date needs YYYY-MM-DD"));
        } else {
            return fail(QT_TRANSLATE_NOOP("Words", "unknown option: %1"), a);
        }
    }
    if (c.moveStart && c.action == CommandLine::Action::Window) {
        if (!c.outPath.empty() || !c.date.empty())
            return fail(QT_TRANSLATE_NOOP("Words", "--move-start takes only --notebook"));
        c.action = CommandLine::Action::MoveStart;
    }
    if (c.moveStart && c.action != CommandLine::Action::ImportPhotos
        && c.action != CommandLine::Action::MoveStart)
        return fail(QT_TRANSLATE_NOOP("Words", "--move-start goes with --import-photos or alone"));
    if (c.action == CommandLine::Action::Window)
        return fail(QT_TRANSLATE_NOOP(
            "Words", "--notebook, --out and --date go with --export-csv, --render or --print-pdf"));
    if ((!c.kinds.empty() || !c.range.empty()) && c.action != CommandLine::Action::PrintPdf)
        return fail(QT_TRANSLATE_NOOP("Words", "--kinds and --range go with --print-pdf"));
    if ((!c.rotate.empty() || c.weather) && c.action != CommandLine::Action::ImportPhotos)
        return fail(QT_TRANSLATE_NOOP("Words", "--rotate and --weather go with --import-photos"));
    if (c.action == CommandLine::Action::ImportPhotos && (!c.date.empty() || !c.outPath.empty()))
        return fail(QT_TRANSLATE_NOOP(
            "Words", "--import-photos takes --notebook, --rotate, --weather and --move-start"));
    if (c.action == CommandLine::Action::Render && (c.outPath.empty() || c.date.empty()))
        return fail(QT_TRANSLATE_NOOP("Words", "--render needs --date YYYY-MM-DD and --out FILE.png"));
    if (c.action == CommandLine::Action::FetchWeather && (!c.date.empty() || !c.outPath.empty()))
        return fail(QT_TRANSLATE_NOOP("Words", "--fetch-weather takes only --notebook"));
    if (c.action == CommandLine::Action::ExportVideo && !c.date.empty())
        return fail(QT_TRANSLATE_NOOP("Words", "--export-video takes only --notebook"));
    if (!c.classRoot.empty() && c.action != CommandLine::Action::ExportWeb)
        return fail(QT_TRANSLATE_NOOP("Words", "--class goes with --export-web"));
    if (c.action == CommandLine::Action::ExportWeb && (!c.date.empty() || (!c.classRoot.empty() && !c.notebook.empty())))
        return fail(QT_TRANSLATE_NOOP("Words", "--export-web takes --notebook or --class"));
    if (c.replace && c.action != CommandLine::Action::AutoAlign)
        return fail(QT_TRANSLATE_NOOP("Words", "--replace goes with --auto-align"));
    if (c.action == CommandLine::Action::AutoAlign && !c.outPath.empty())
        return fail(QT_TRANSLATE_NOOP("Words", "--auto-align takes --notebook, --date and --replace"));
    if (c.action == CommandLine::Action::ExportCsv && (!c.date.empty()))
        return fail(QT_TRANSLATE_NOOP("Words", "--date goes with --render"));
    return c;
}
