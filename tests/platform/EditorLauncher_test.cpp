#include "platform/EditorLauncher.h"

#include "platform/Files.h"
#include "platform/UiThread.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// KELTO_EDITOR for one test.
class EditorVariable {
public:
    explicit EditorVariable(const std::string& value) { setenv("KELTO_EDITOR", value.c_str(), 1); }
    ~EditorVariable() { unsetenv("KELTO_EDITOR"); }
};

std::string WriteScript(const TempDir& temp, const std::string& name, const std::string& body)
{
    std::string path = temp.file(name);
    std::ofstream(path) << "#!/bin/sh\n" << body;
    chmod(path.c_str(), 0755);
    return path;
}

}  // namespace

TEST(EditorLauncher, ScriptEditorWritesTheFileAndItsExitCodeComesBack)
{
    TempDir temp;
    EditorVariable editor(WriteScript(temp, "editor.sh", "echo \"added by editor\" >> \"$1\"\nexit 3\n"));
    std::string memo = temp.file("20130420.txt");
    ProcessEditorLauncher launcher;
    ASSERT_TRUE(launcher.start(memo));
    EXPECT_FALSE(launcher.start(memo));  // one editor at a time
    EXPECT_EQ(launcher.waitForFinish(), 3);
    std::string text;
    ASSERT_TRUE(ReadFileBytes(memo, text));
    EXPECT_EQ(text, "added by editor\n");
    EXPECT_EQ(launcher.waitForFinish(), -1);  // nothing runs any more

    // The launcher serves the next memo.
    ASSERT_TRUE(launcher.start(memo));
    EXPECT_EQ(launcher.waitForFinish(), 3);
    ASSERT_TRUE(ReadFileBytes(memo, text));
    EXPECT_EQ(text, "added by editor\nadded by editor\n");
}

TEST(EditorLauncher, CrashedOrMissingEditor)
{
    TempDir temp;
    ProcessEditorLauncher launcher;
    {
        EditorVariable editor(WriteScript(temp, "crash.sh", "kill -9 $$\n"));
        ASSERT_TRUE(launcher.start(temp.file("memo.txt")));
        EXPECT_EQ(launcher.waitForFinish(), -1);
    }
    {
        EditorVariable editor(temp.file("no-such-editor"));
        EXPECT_FALSE(launcher.start(temp.file("memo.txt")));
        EXPECT_EQ(launcher.waitForFinish(), -1);
    }
}

TEST(EditorLauncher, WorkQueuedForTheUiThreadWaitsUntilTheEditorEnds)
{
    TempDir temp;
    EditorVariable editor(WriteScript(temp, "editor.sh", "exit 0\n"));
    bool ran = false;
    UiThread::post([&] { ran = true; });
    ProcessEditorLauncher launcher;
    ASSERT_TRUE(launcher.start(temp.file("memo.txt")));
    EXPECT_EQ(launcher.waitForFinish(), 0);
    EXPECT_FALSE(ran);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

TEST(EditorLauncher, CommandFromTheEnvironment)
{
    EditorVariable editor("xterm -e \"nano -w\"");
    EXPECT_EQ(ProcessEditorLauncher::findEditor(), (std::vector<std::string>{"xterm", "-e", "nano -w"}));
}

TEST(EditorLauncher, MemoInAShiftJisNamedFolderReachesTheEditor)
{
    TempDir temp;
    // Bytes of a folder name from a Windows archive: not UTF-8, so no QString can carry them.
    const std::string folder = temp.file("\x82\xd0\x82\xdc\x82\xed\x82\xe8");
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    const std::string memo = folder + "/20130420.txt";
    EditorVariable editor(WriteScript(temp, "editor.sh", "echo \"tall\" >> \"$1\"\n"));
    ProcessEditorLauncher launcher;
    ASSERT_TRUE(launcher.start(memo));
    EXPECT_EQ(launcher.waitForFinish(), 0);
    std::string text;
    EXPECT_TRUE(ReadFileBytes(memo, text));
    EXPECT_EQ(text, "tall\n");
    ::unlink(memo.c_str());
    ::rmdir(folder.c_str());
}

// The desktop's text/plain program is taken only when it opens a window of its own: a terminal
// program is never started, not even inside a terminal found on PATH.
TEST(EditorLauncher, TerminalProgramsAreNeverChosen)
{
    TempDir temp;
    const std::string bin = temp.mkdir("bin"), apps = temp.mkdir("share/applications");
    WriteScript(temp, "bin/xdg-mime", "echo \"$MEMO_APP\"\n");
    for (const char* program : {"bin/xterm", "bin/nano", "bin/padwriter"})
        WriteScript(temp, program, "exit 0\n");
    std::ofstream(apps + "/term.desktop") << "[Desktop Entry]\nExec=nano %F\nTerminal=true\n";
    std::ofstream(apps + "/pad.desktop") << "[Desktop Entry]\nExec=padwriter %U\nTerminal=false\n";
    const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", bin.c_str(), 1);
    setenv("XDG_DATA_HOME", temp.file("share").c_str(), 1);
    setenv("XDG_DATA_DIRS", temp.file("none").c_str(), 1);
    setenv("MEMO_APP", "term.desktop", 1);
    EXPECT_EQ(ProcessEditorLauncher::findEditor(), std::vector<std::string>{});
    EXPECT_EQ(ProcessEditorLauncher::advice(), Msg::EditorInstallAdvice);
    setenv("MEMO_APP", "pad.desktop", 1);
    EXPECT_EQ(ProcessEditorLauncher::findEditor(), std::vector<std::string>{"padwriter"});
    setenv("PATH", oldPath.c_str(), 1);
    for (const char* v : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "MEMO_APP"})
        unsetenv(v);
}

// The memo window's text is the file's in its own encoding and line ends, and goes back the same way.
TEST(EditorLauncher, MemoTextKeepsTheFilesEncoding)
{
    TempDir temp;
    struct Case {
        const char* name;
        std::string bytes, text, written;  // no bytes: no file; the text as the window shows it
    } const cases[] = {
        {"shift-jis, windows lines", "\x83\x81\x83\x82\r\n", "メモ\n",
         "\x83\x81\x83\x82\r\n\x92\xC7\x8B\x4C\r\n"},
        {"utf-8 with a mark", "\xEF\xBB\xBFメモ\n", "メモ\n", "\xEF\xBB\xBFメモ\n追記\n"},
        {"utf-8", "メモ\n", "メモ\n", "メモ\n追記\n"},
        {"no file", "", "", "\x92\xC7\x8B\x4C\n"},
    };
    for (const Case& c : cases) {
        const std::string path = temp.file(std::string(c.name) + ".txt");
        if (!c.bytes.empty())
            std::ofstream(path, std::ios::binary) << c.bytes;
        MemoText memo;
        ASSERT_TRUE(ReadMemoText(path, memo)) << c.name;
        EXPECT_EQ(memo.text, c.text) << c.name;
        memo.text += "追記\n";
        ASSERT_TRUE(WriteMemoText(path, memo)) << c.name;
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(path, bytes) && bytes == c.written) << c.name << ": " << bytes;
    }
}
