#pragma once
// A main frame on a notebook made for the test, in a temporary program folder, with a scripted
// prompt and a lock name of its own so frames of different tests never meet.
#include "app/CMainFrame.h"
#include "app/CNoteView.h"
#include "app/CNotebook.h"
#include "platform/Prompt.h"
#include "store/DayRecord.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <memory>
#include <string>
#include <unistd.h>

inline std::string UniqueLockName()
{
    static int counter = 0;
    return "KeltoTest-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

inline void WriteText(const std::string& path, const std::string& text)
{
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.data(), qint64(text.size()));
}

struct NotebookSetup {
    int days = 2;             // day files 2024-05-01, 2024-05-02, ...
    int internet = 0;         // Kelto.ini [Data] EnableInternet
    bool commandLine = true;  // open it from the command line (no start dialog)
};

class FrameFixture {
public:
    explicit FrameFixture(const NotebookSetup& setup = {}, const std::string& lockName = UniqueLockName())
    {
        WriteText(program.file("Kelto.ini"),
                  "[Data]\r\nEnableInternet=" + std::to_string(setup.internet) + "\r\nDataName=nb\r\n");
        notebookFolder = program.mkdir("data/nb");
        WriteText(notebookFolder + "/Kelto.dat", "[Data]\r\nStartDate=2024/05/01\r\nKindName=test\r\n");
        for (int i = 0; i < setup.days; ++i)
            WriteText(DayFilePath(notebookFolder, QDate(2024, 5, 1).addDays(i), "dat"),
                      "[Growth]\r\nDataHeight=1.5\r\n");
        frame = std::make_unique<CMainFrame>(
            program.path(), setup.commandLine ? notebookFolder : std::string(), &prompt, lockName);
    }
    ~FrameFixture()
    {
        // Tests leave the flag as a fresh process has it.
        SkipExitConfirmation = true;
    }

    // Runs the start (as the first paint does) without showing the window.
    void start() { frame->view()->startIfNeeded(); }
    CNotebook& nb() { return frame->view()->notebook(); }

    TempDir program;
    std::string notebookFolder;
    ScriptedPrompt prompt;
    std::unique_ptr<CMainFrame> frame;
};
