#include "app/SettingsColor.h"
#include "store/KeltoIni.h"
#include "support/NotebookFixture.h"
#include "support/RequireWritten.h"
#include "views/PageTestSupport.h"

#include <gtest/gtest.h>

namespace {
std::string lockName()
{
    return "KeltoTest-" + QUuid::createUuid().toString(QUuid::Id128).toStdString();
}
}  // namespace

TEST(CNotebookStart, CommandLineNotebookOpensWithoutTouchingSettings)
{
    NotebookFixture f;
    std::string ini = JoinPath(f.program, "Kelto.ini");
    RequireWritten(IniFile::WriteString(ini, "Data", "DataName", "other"));
    CNotebook& nb = f.open();
    EXPECT_EQ(nb.place().notebookFolder, f.notebook);
    EXPECT_EQ(nb.place().dataRoot, JoinPath(f.program, "data"));
    EXPECT_EQ(f.host.startDialogs, 0);
    EXPECT_EQ(nb.viewMode(), ViewMode::Calendar);
    EXPECT_FALSE(SkipExitConfirmation);
    EXPECT_TRUE(f.host.posted.empty());  // a start date is set: no settings dialog
    EXPECT_EQ(nb.pageBuffer().size(), QSize(780, 496));
    EXPECT_EQ(IniFile::ReadString(ini, "Data", "DataName"), "other");
    EXPECT_FALSE(IniFile::HasKey(ini, "Data", "FolderPath"));
    EXPECT_GT(f.host.presents, 0);
}

TEST(CNotebookStart, MissingStartDateAsksForTheSettings)
{
    for (const char* text : {"", "someday", "2013/02/30"}) {
        NotebookFixture f(text);
        f.open();
        EXPECT_EQ(f.host.posted, std::vector<int>{32813}) << text;
    }
}

TEST(CNotebookStart, SecondInstanceIsRefusedOnceAndClosesSilently)
{
    TempDir dir;
    std::string lock = lockName();
    ScriptedPrompt p1, p2;
    FakeViewHost h1, h2;
    InstanceLock first(lock);  // another instance holds the lock
    ASSERT_TRUE(first.acquire());
    CNotebook second(dir.path(), p2, lock);
    SkipExitConfirmation = true;
    second.Initialize(&h2);
    second.Initialize(&h2);  // later paints do nothing more
    EXPECT_EQ(p2.asked(), std::vector<int>{177});
    EXPECT_EQ(h2.closeRequests, 1);
    EXPECT_EQ(second.host(), nullptr);
    EXPECT_TRUE(SkipExitConfirmation);
    first.release();
}

TEST(CNotebookStart, FirstRunUsesTheDataFolderAndEndingAtTheStartDialogClosesWithoutAsking)
{
    TempDir dir;
    ScriptedPrompt prompt;
    FakeViewHost host;
    host.startChoice = StartChoice::EndProgram;
    CNotebook nb(dir.path(), prompt, lockName());
    nb.Initialize(&host);
    EXPECT_EQ(nb.place().dataRoot, JoinPath(dir.path(), "data"));
    EXPECT_EQ(nb.place().notebookFolder, JoinPath(dir.path(), "data") + "/");
    EXPECT_EQ(host.startDialogs, 1);
    EXPECT_EQ(host.closeRequests, 1);
    EXPECT_TRUE(SkipExitConfirmation);
    EXPECT_EQ(nb.viewMode(), ViewMode::None);
}

TEST(CNotebookStart, CancellingTheNewNotebookEndsTheProgram)
{
    TempDir dir;
    ScriptedPrompt prompt;
    FakeViewHost host;
    host.startChoice = StartChoice::NewNotebook;
    host.dialogResults = {0};
    CNotebook nb(dir.path(), prompt, lockName());
    nb.Initialize(&host);
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0], std::make_pair(DialogId::Define, 1));
    EXPECT_EQ(host.closeRequests, 1);
    EXPECT_TRUE(SkipExitConfirmation);
}

TEST(CNotebookStart, RemembersTheNotebookOfKeltoIni)
{
    TempDir dir;
    std::string notebook = dir.mkdir("elsewhere/トマト");
    EXPECT_TRUE(WriteNotebookKey(notebook, "StartDate", "2013/04/01"));
    std::string ini = JoinPath(dir.path(), "Kelto.ini");
    RequireWritten(IniFile::WriteString(ini, "Data", "FolderPath", dir.file("elsewhere")));
    RequireWritten(IniFile::WriteString(ini, "Data", "DataName", "トマト"));
    ScriptedPrompt prompt;
    FakeViewHost host;
    CNotebook nb(dir.path(), prompt, lockName());
    nb.Initialize(&host);
    EXPECT_EQ(nb.place().notebookFolder, notebook);
    EXPECT_EQ(host.title, "Kelto[トマト]");
    EXPECT_EQ(nb.viewMode(), ViewMode::Calendar);
}

TEST(CNotebookSettings, ReadColor)
{
    TempDir dir;
    std::string ini = JoinPath(dir.path(), "Kelto.ini");
    ScriptedPrompt prompt;
    struct Case {
        const char* value;
        std::optional<QColor> color;
    } cases[] = {{"#00ff00", QColor(0, 255, 0)},
                 {"#00FF00", QColor(0, 255, 0)},
                 {"#FF0000", QColor(255, 0, 0)},
                 {"#0000fF", QColor(0, 0, 255)},
                 {"#12AB9c", QColor(0x12, 0xAB, 0x9C)},
                 {"00FF00", {}},
                 {"#0F0", {}},
                 {"#00GG00", {}},
                 {"#00FF000", {}}};
    for (const auto& c : cases) {
        prompt.clear();
        RequireWritten(IniFile::WriteString(ini, "Data", "CursorColor", c.value));
        EXPECT_EQ(ReadSettingsColor(ini, "Data", "CursorColor", "#00FF00", prompt), c.color) << c.value;
        EXPECT_EQ(prompt.asked(), c.color ? std::vector<int>{} : std::vector<int>{134}) << c.value;
        // The message says which file and key to correct.
        if (!c.color) {
            EXPECT_NE(prompt.texts().back().find(ini + "\n[Data] CursorColor=" + c.value), std::string::npos)
                << prompt.texts().back();
        }
    }
}

TEST(CNotebookSettings, HighlightPenAndViewSizeFromKeltoIni)
{
    PageFixture f("");
    std::string ini = JoinPath(f.program, "Kelto.ini");
    RequireWritten(IniFile::WriteKeys(ini, "Data", {{"CursorColor", "#FF8000"}, {"CursorWidth", "3"}}));
    RequireWritten(IniFile::WriteKeys(ini, "View", {{"Width", "800"}, {"Height", "abc"}}));
    f.openOn(QDate(2014, 4, 30));
    EXPECT_EQ(f.host.screen.size(), QSize(800, 496));  // an unusable height falls back to the default
    // A pressed day's frame (cell 15 at 320,130, 80 x 60) is outlined with the pen.
    f.showMonth(2014, 3);
    f.nb->HandleMouse(MouseAction::Press, QPoint(360, 160));
    auto orange = [](QColor c) { return c == QColor(255, 128, 0); };
    EXPECT_EQ(countPixels(f.host.screen, QRect(318, 145, 5, 1), orange), 3);  // 3 px of the left edge
}

TEST(CNotebookHelp, OpensTheDocumentOrSays144)
{
    // No desktop opener on PATH: the host's own opening decides (the opener is tested with
    // the real window).
    TempDir emptyBin;
    QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(emptyBin.path()));
    struct RestorePath {
        QByteArray path;
        ~RestorePath() { qputenv("PATH", path); }
    } restore{oldPath};
    NotebookFixture f;
    CNotebook& nb = f.open();
    nb.ShowHelpDocument();
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{144});  // no doc/index.html in this program folder
    QDir().mkpath(QString::fromStdString(JoinPath(f.program, "doc")));
    RequireWritten(WriteFileAtomic(JoinPath(f.program, "doc/index.html"), "<html></html>"));
    nb.ShowHelpDocument();
    EXPECT_EQ(f.host.opened, std::vector<std::string>{JoinPath(f.program, "doc/index.html")});
    f.host.openResult = false;
    nb.ShowHelpDocument();
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{144, 144}));
}
