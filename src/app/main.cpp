#include "app/CKeltoApp.h"
#include "app/CliTools.h"
#include "app/CommandLine.h"
#include "platform/AppFolders.h"
#include "platform/Words.h"
#include "web/WebExport.h"

#include <QGuiApplication>

#include <cstdlib>
#include <malloc.h>

int main(int argc, char** argv)
{
    // Pictures, renderings and transforms of a few hundred kilobytes come and go by the hundred
    // in every job: memory freed stays with the program for the next (up to 32 MB of it), rather
    // than going back to the system and coming anew, page by page, each time.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
    // A relative base directory variable names no folder: no library may make one here.
    AppFolders::IgnoreRelativeEnvironment();
    CommandLine command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    using Action = CommandLine::Action;
    // The command line speaks the user's language, with or without a graphics system.
    auto runTool = [&command](QCoreApplication& app) {
        if (Words::LocaleIsJapanese())
            Words::InstallJapanese(app);
        return RunCommandLineTool(command, QCoreApplication::applicationDirPath().toStdString());
    };
    if (command.action == Action::Help || command.action == Action::Error
        || command.action == Action::PhotoDate || command.action == Action::Where) {
        // Text, EXIF records and folder names only: no graphics system to start (nor the folders
        // it makes).
        QCoreApplication app(argc, argv);
        return runTool(app);
    }
    // A web export that was killed half way is finished or undone at the next start.
    const auto tidyWebExports = [] {
        RecoverWebExports(
            AppFolders::ForProgram(QCoreApplication::applicationDirPath().toStdString()).settingsFile());
    };
    if (command.action != Action::Window) {
        // Work without a window draws offscreen, whatever display there is.
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        QGuiApplication app(argc, argv);
        tidyWebExports();
        return runTool(app);
    }
    CKeltoApp app(argc, argv);
    tidyWebExports();
    if (!app.InitInstance(command.notebook))
        return 1;
    return app.exec();
}
