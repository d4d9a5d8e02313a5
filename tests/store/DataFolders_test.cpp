#include "store/DataFolders.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "store/NotebookFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(DataFolders, FolderPathRule)
{
    struct Case {
        const char* program;
        const char* root;
        const char* stored;
        const char* before = "";  // the value found: one that names the root already is kept
    } cases[] = {
        {"/opt/kelto", "/opt/kelto/data", "data"},
        {"/opt/kelto", "/opt/kelto/data/class1", "data/class1"},
        {"/opt/kelto", "/opt/kelto", ""},
        {"/opt/kelto/", "/opt/kelto/data/", "data"},
        {"/opt/kelto", "/opt/kelto2/data", "/opt/kelto2/data"},  // a prefix is not a parent
        {"/opt/kelto", "/opt/Kelto/data", "/opt/Kelto/data"},    // another folder on this platform
        {"/opt/kelto", "/home/pupil/notes", "/home/pupil/notes"},
        // A new value takes the separator of the one it replaces.
        {"/opt/kelto", "/opt/kelto/data/class1", "data\\class1", "data\\class1"},
        {"/opt/kelto", "/opt/kelto/data/class2", "data\\class2", "data\\class1"},
        {"/opt/kelto", "/opt/kelto/data/x/y", "data/x/y", "data/class1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeptFolderPath(c.program, c.root, c.before), c.stored) << c.before << " " << c.root;
        if (*c.before == '\0') {
            EXPECT_EQ(StoredFolderPath(c.program, c.root), c.stored) << c.root;
        }
        // What is stored leads back to the same folder.
        std::string back = ResolveDataRoot(c.program, c.stored);
        std::string expected = c.root;
        while (expected.size() > 1 && expected.back() == '/')
            expected.pop_back();
        EXPECT_EQ(back, expected) << c.root;
    }
    EXPECT_EQ(ResolveDataRoot("/opt/kelto", "data\\class1"), "/opt/kelto/data/class1");
    EXPECT_EQ(ResolveDataRoot("/opt/kelto", "/srv/data"), "/srv/data");
}

TEST(DataFolders, SafeNames)
{
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "/x", "\\x", "../up"})
        EXPECT_FALSE(IsSafeFolderName(bad)) << bad;
    for (const char* good : {"観察1", "tomato 2013", ".hidden-ish.name"})
        EXPECT_TRUE(IsSafeFolderName(good)) << good;
}

TEST(DataFolders, ListsOnlyFoldersWithNotebookFile)
{
    TempDir root;
    std::string a = root.mkdir("トマト");
    root.mkdir("empty");
    root.mkdir(".hidden");
    ASSERT_TRUE(WriteNotebookKey(a, "KindName", "ミニトマト"));
    ASSERT_TRUE(WriteNotebookKey(a, "StartDate", "2013/04/05"));
    ASSERT_TRUE(WriteNotebookKey(root.file(".hidden"), "KindName", "x"));
    auto rows = ListNotebooks(root.path());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "トマト");
    EXPECT_EQ(rows[0].kindName, "ミニトマト");
    EXPECT_EQ(rows[0].startDate, "2013/04/05");
    EXPECT_TRUE(ListNotebooks(root.file("missing")).empty());
}

// QTemporaryDir cannot remove a folder whose name is not UTF-8: the test removes its own.
struct RawFolderGuard {
    std::string path;
    ~RawFolderGuard()
    {
        DeleteFiles(path, "*");
        ::rmdir(path.c_str());
    }
};

TEST(DataFolders, ListIsSortedAndShowsWindowsNamesDecoded)
{
    TempDir root;
    // A folder unpacked from a Windows archive: its name is Shift-JIS bytes, not UTF-8.
    std::string sjis = ToCp932("ひまわり観察");
    ASSERT_EQ(::mkdir(root.file(sjis).c_str(), 0777), 0);
    RawFolderGuard guard{root.file(sjis)};
    ASSERT_TRUE(WriteNotebookKey(root.file(sjis), "KindName", "ひまわり"));
    for (const char* name : {"cucumber", "Basil", "トマト", "apple"})
        ASSERT_TRUE(WriteNotebookKey(root.mkdir(name), "KindName", "x"));
    auto rows = ListNotebooks(root.path());
    std::vector<std::string> names, folders;
    for (const auto& r : rows) {
        names.push_back(r.name);
        folders.push_back(r.folderName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"apple", "Basil", "cucumber", "ひまわり観察", "トマト"}));
    EXPECT_EQ(folders[3], sjis);
    EXPECT_EQ(rows[3].kindName, "ひまわり");
}

TEST(DataFolders, RememberedNameFindsItsFolder)
{
    TempDir root;
    std::string sjis = ToCp932("ひまわり");
    ASSERT_EQ(::mkdir(root.file(sjis).c_str(), 0777), 0);
    RawFolderGuard guard{root.file(sjis)};
    root.mkdir("トマト");
    root.mkdir("なす〜1");  // made by hand with the wave dash Kelto.ini cannot hold
    root.mkdir("a〜b");
    root.mkdir("a～b");  // two folders that read alike: neither is guessed
    struct Case {
        const char* stored;
        std::string folder;
    } cases[] = {
        {"トマト", "トマト"}, {"ひまわり", sjis}, {"なす～1", "なす〜1"},
        {"a～b", "a～b"},     {"a-b", "a-b"},     {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindNotebookFolderName(root.path(), c.stored), c.folder) << c.stored;
    EXPECT_TRUE(CanRememberDataName("なす〜1"));
    EXPECT_FALSE(CanRememberDataName("トマト🍅"));
}

TEST(NotebookFile, StartDateParsing)
{
    struct Case {
        const char* text;
        QDate date;
    } cases[] = {
        {"2013/04/05", QDate(2013, 4, 5)},
        {"2013/4/5", QDate(2013, 4, 5)},
        {"2012/02/29", QDate(2012, 2, 29)},
        {"", QDate()},
        {"2013-04-05", QDate()},
        {"2013/04", QDate()},
        {"2013/02/30", QDate()},
        {"abc/def/ghi", QDate()},
        {"2013/13/01", QDate()},
        {"99999999999/1/1", QDate()},
    };
    for (const auto& c : cases) {
        auto d = ParseStartDate(c.text);
        EXPECT_EQ(d.has_value(), c.date.isValid()) << c.text;
        if (d) {
            EXPECT_EQ(*d, c.date) << c.text;
        }
    }
    EXPECT_EQ(FormatIniDate(QDate(2013, 4, 5)), "2013/04/05");
    EXPECT_EQ(DayFileStem(QDate(2013, 4, 5)), "20130405");
}

TEST(NotebookFile, FreeItemCaption)
{
    struct Case {
        const char* caption;
        const char* name;
        const char* unit;
    } cases[] = {{"Stem(mm)", "Stem", "mm"},
                 {"茎の太さ(mm", "茎の太さ", "mm"},
                 {"花の数", "花の数", ""},
                 {"(cm)", "", "cm"},
                 {"a(b)c(d)", "a", "b"}};
    for (const auto& c : cases) {
        auto s = SplitFreeItemCaption(c.caption);
        EXPECT_EQ(s.name, c.name) << c.caption;
        EXPECT_EQ(s.unit, c.unit) << c.caption;
    }
}

TEST(NotebookFile, WritesEveryKeyAndKeepsOthers)
{
    TempDir dir;
    ASSERT_TRUE(WriteNotebookKey(dir.path(), "Custom", "kept"));
    NotebookInfo info;
    info.StartDate = "2013/04/05";
    info.KindName = "トマト";
    info.StudentName = "山田 花子";
    info.Option1 = "茎の太さ(mm)";
    ASSERT_TRUE(WriteNotebookInfo(dir.path(), info));
    NotebookInfo back = ReadNotebookInfo(dir.path());
    EXPECT_EQ(back.KindName, "トマト");
    EXPECT_EQ(back.StudentName, "山田 花子");
    EXPECT_EQ(back.Option1, "茎の太さ(mm)");
    EXPECT_TRUE(back.hasOption2);  // written (empty) with the rest
    EXPECT_EQ(ReadNotebookKey(dir.path(), "Custom"), "kept");

    // A hand-made name of a million characters reads as much as a page could show, whole characters.
    std::string huge(1'000'000, 'a');
    huge.replace(kNotebookTextBytes - 1, 3, "観");
    ASSERT_TRUE(WriteNotebookKey(dir.path(), "KindName", huge));
    EXPECT_EQ(ReadNotebookInfo(dir.path()).KindName, std::string(kNotebookTextBytes - 1, 'a'));
    EXPECT_EQ(ReadNotebookKey(dir.path(), "KindName").size(), kNotebookTextBytes - 1);
}
