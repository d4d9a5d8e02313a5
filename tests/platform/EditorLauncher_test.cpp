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
