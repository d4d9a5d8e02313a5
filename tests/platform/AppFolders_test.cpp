#include "platform/AppFolders.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "store/KeltoIni.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

namespace {
// Sets an environment variable for the scope, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A program folder holding the shipped files, read-only for the test's scope.
struct ReadOnlyProgram {
    explicit ReadOnlyProgram(const std::string& folder) : path(folder)
    {
        QDir().mkpath(QString::fromStdString(folder + "/doc"));
        RequireWritten(IniFile::WriteString(folder + "/Layout.ini", "Data", "X", "1"));
        RequireWritten(IniFile::WriteString(folder + "/doc/index.html", "x", "y", "z"));
        chmod(folder.c_str(), 0555);
    }
    ~ReadOnlyProgram() { chmod(path.c_str(), 0755); }
    std::string path;
};
}  // namespace

TEST(AppFolders, WritableProgramFolderKeepsEverythingBesideTheProgram)
{
    TempDir home;
    ScopedEnv h("HOME", home.path()), c("XDG_CONFIG_HOME", home.file(".config"));
    const std::string prog = home.mkdir("prog");
    // A user's copy must not be taken while the program runs from a writable folder.
    RequireWritten(IniFile::WriteString(home.mkdir(".config/kelto") + "/Layout.ini", "Data", "X", "2"));

    AppFolders f = AppFolders::ForProgram(prog + "/");
    EXPECT_EQ(f.mode(), FolderMode::Portable);
    EXPECT_EQ(f.programFolder(), prog);
    EXPECT_EQ(f.settingsFile(), prog + "/Kelto.ini");
    EXPECT_EQ(f.kitFile("Layout.ini"), prog + "/Layout.ini");
    EXPECT_EQ(ReadDataRoot(f), prog + "/data");
    // An unpacked copy without its data folder gets it at the first start, and nothing else.
    EXPECT_TRUE(f.MakeFolders());
    EXPECT_TRUE(FolderExists(prog + "/data"));
    EXPECT_FALSE(FolderExists(home.file("Documents")));
}

TEST(AppFolders, ReadOnlyProgramFolderUsesTheUsersFolders)
{
    TempDir home;
    ScopedEnv h("HOME", home.path()), c("XDG_CONFIG_HOME", home.file("conf"));
    ReadOnlyProgram prog(home.file("prog"));

    AppFolders f = AppFolders::ForProgram(prog.path);
    ASSERT_EQ(f.mode(), FolderMode::Installed);
    EXPECT_EQ(f.settingsFile(), home.file("conf/kelto/Kelto.ini"));
    EXPECT_EQ(f.dataAnchor(), home.file("Documents/Kelto"));
    EXPECT_EQ(ReadDataRoot(f), home.file("Documents/Kelto"));
    ASSERT_TRUE(f.MakeFolders());
    EXPECT_TRUE(FolderExists(home.file("conf/kelto")));
    EXPECT_TRUE(FolderExists(home.file("Documents/Kelto")));

    // Read-only files: the user's copy first, the shipped one otherwise, sub-folders included.
    struct {
        const char* name;
        bool userCopy;
    } kit[] = {{"Layout.ini", true}, {"doc/index.html", false}, {"Print.ini", false}};
    RequireWritten(IniFile::WriteString(home.file("conf/kelto/Layout.ini"), "Data", "X", "2"));
    for (const auto& k : kit)
        EXPECT_EQ(f.kitFile(k.name), (k.userCopy ? home.file("conf/kelto/") : prog.path + "/") + k.name)
            << k.name;

    // FolderPath values of the user's Kelto.ini lie in the documents' Kelto folder.
    struct {
        const char* stored;
        std::string root;
    } roots[] = {{"", home.file("Documents/Kelto")},
                 {"class2", home.file("Documents/Kelto/class2")},
                 {"/srv/notes", "/srv/notes"}};
    for (const auto& r : roots) {
        RequireWritten(IniFile::WriteString(f.settingsFile(), "Data", "FolderPath", r.stored));
        EXPECT_EQ(ReadDataRoot(f), r.root) << r.stored;
    }
}

TEST(AppFolders, DocumentsFolderComesFromTheUsersDirectoryNames)
{
    TempDir home;
    ScopedEnv h("HOME", home.path()), c("XDG_CONFIG_HOME", home.file("conf"));
    ReadOnlyProgram prog(home.file("prog"));
    home.mkdir("conf");
    std::string dirs = "XDG_DOCUMENTS_DIR=\"$HOME/書類\"\n";
    ASSERT_TRUE(WriteFileAtomic(home.file("conf/user-dirs.dirs"), dirs));
    EXPECT_EQ(AppFolders::ForProgram(prog.path).dataAnchor(), home.file("書類/Kelto"));
}

TEST(AppFolders, FolderWritability)
{
    TempDir dir;
    const std::string open = dir.mkdir("open");
    ReadOnlyProgram closed(dir.file("closed"));
    EXPECT_TRUE(ProgramFolderWritable(open));
    // Read-only by its bits even for root, who could write into it.
    EXPECT_FALSE(ProgramFolderWritable(closed.path));
    EXPECT_FALSE(ProgramFolderWritable(dir.file("missing")));
    // The package manager's folders are never the program's to write, even for root.
    EXPECT_FALSE(ProgramFolderWritable("/usr/lib"));
}

// A relative or empty folder variable is ignored; HOME then comes from the password database.
TEST(AppFolders, EnvironmentFoldersFollowTheBaseDirectoryRules)
{
    TempDir dir;
    ReadOnlyProgram prog(dir.file("prog"));
    const std::string home = dir.path(), own = getpwuid(getuid())->pw_dir;
    const std::string forged = home + "/c\nmode\tportable";
    struct Case {
        std::string home, config, runtime, settings, runtimeFolder;
    } cases[] = {
        {home, "conf", "run\nx", home + "/.config/kelto/Kelto.ini", "/tmp"},
        {"", "", "", own + "/.config/kelto/Kelto.ini", "/tmp"},
        {"rel/home", "", "/run/user/7/", own + "/.config/kelto/Kelto.ini", "/run/user/7"},
        {home, forged, "/r", forged + "/kelto/Kelto.ini", "/r"},
    };
    for (const Case& c : cases) {
        ScopedEnv h("HOME", c.home), x("XDG_CONFIG_HOME", c.config), r("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(AppFolders::ForProgram(prog.path).settingsFile(), c.settings) << c.home << " " << c.config;
        EXPECT_EQ(AppFolders::RuntimeFolder(), c.runtimeFolder) << c.runtime;
        AppFolders::IgnoreRelativeEnvironment();
        EXPECT_EQ(std::getenv("XDG_RUNTIME_DIR") != nullptr, c.runtimeFolder != "/tmp") << c.runtime;
    }
    const std::pair<const char*, const char*> lines[] = {
        {"/a b/ノート", "/a b/ノート"},
        {"/c\nmode\tportable\\n\r\x1b\x7f", "/c\\nmode\\tportable\\\\n\\r\\x1b\\x7f"}};
    for (const auto& l : lines)
        EXPECT_EQ(EscapedLine(l.first), l.second) << l.first;
}
