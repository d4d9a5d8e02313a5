#include "app/NotebookSettings.h"
#include "platform/TextCodec.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"
#include "support/NotebookFixture.h"
#include "support/RequireWritten.h"

#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class AnsweringBrowser : public FolderBrowser {
public:
    std::optional<std::string> BrowseForFolder(const std::string& initial, const std::string& title,
                                               bool) override
    {
        seenInitial = initial;
        seenTitle = title;
        if (answer.empty())
            return std::nullopt;
        return answer;
    }
    std::string answer, seenInitial, seenTitle;
};

NotebookSettingsFields fieldsNamed(const std::string& name)
{
    NotebookSettingsFields f;
    f.DataName = name;
    f.KindName = "ミニトマト";
    f.SchoolName = "第一小学校";
    f.StartDate = QDate(2013, 5, 10);
    f.Option1 = "茎の太さ(mm)";
    f.Option2 = "フリー項目2";
    return f;
}

// The settings dialog's OK with `fields` typed in.
bool applySettings(NotebookFixture& f, SettingsMode mode, const NotebookSettingsFields& fields)
{
    return f.editSettings(mode, [&](NotebookSettingsFields& typed) { typed = fields; });
}

std::string settings(const NotebookFixture& f, const char* key)
{
    return IniFile::ReadString(JoinPath(f.program, "Kelto.ini"), "Data", key, "<absent>");
}

}  // namespace

TEST(NotebookSelection, ListSelectsTheRememberedNotebookAndOkNeedsARow)
{
    NotebookFixture f;
    CNotebook& nb = f.open();
    std::string other = f.temp.mkdir("program/data/ひまわり");
    EXPECT_TRUE(WriteNotebookKey(other, "KindName", "ひまわり"));
    f.temp.mkdir("program/data/not-a-notebook");

    // The selection dialog works on the controller's place.
    NotebookPlace place = nb.place();
    NotebookList list = FillNotebookList(place);
    ASSERT_EQ(list.rows.size(), 2u);
    ASSERT_GE(list.selected, 0);
    EXPECT_EQ(list.rows[list.selected].name, "観察");
    EXPECT_EQ(list.rows[list.selected].kindName, "トマト");
    EXPECT_EQ(list.rows[list.selected].startDate, "2013/04/01");

    f.prompt.clear();
    EXPECT_FALSE(SelectNotebook(place, f.prompt, nullptr));
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{157});
    EXPECT_EQ(settings(f, "DataName"), "<absent>");

    std::string name = "ひまわり";
    EXPECT_TRUE(SelectNotebook(place, f.prompt, &name));
    EXPECT_EQ(place.notebookFolder, other);
    EXPECT_EQ(settings(f, "DataName"), "ひまわり");
    EXPECT_EQ(settings(f, "FolderPath"), "data");  // relative: the data lies in the program folder
}

TEST(NotebookSettings, NewNotebookStartsFromThePreviousPupilDataAndToday)
{
    NotebookFixture f;
    f.open();
    EXPECT_TRUE(WriteNotebookKey(f.notebook, "SchoolName", "第一小学校"));
    EXPECT_TRUE(WriteNotebookKey(f.notebook, "Option2", ""));
    std::optional<Clock::FixedToday> today(std::in_place, QDate(2014, 6, 3));
    NotebookSettingsFields created, edited;
    f.editSettings(SettingsMode::New, nullptr, &created);
    f.editSettings(SettingsMode::Edit, nullptr, &edited);
    today.reset();
    EXPECT_EQ(created.SchoolName, "第一小学校");
    EXPECT_EQ(created.DataName, "");
    EXPECT_EQ(created.StartDate, QDate(2014, 6, 3));
    EXPECT_EQ(created.Option1, "フリー項目1");  // absent key: the default name is offered
    EXPECT_EQ(created.Option2, "");             // present but empty: kept
    EXPECT_EQ(edited.DataName, "観察");
    EXPECT_EQ(edited.StartDate, QDate(2013, 4, 1));
}

TEST(NotebookSettings, NewNotebookCreatesTheFolderAndRemembersIt)
{
    NotebookFixture f;
    CNotebook& nb = f.open();
    // A value written on Windows that names the data root already is kept as it is.
    RequireWritten(IniFile::WriteString(JoinPath(f.program, "Kelto.ini"), "Data", "FolderPath", "data\\"));
    NotebookSettingsFields fields = fieldsNamed("トマト2組");
    // Fields are cut at 259 bytes in Shift-JIS, never inside a character.
    const std::string a129 = "a" + QString("あ").repeated(129).toStdString();
    fields.Option2 = a129 + "ああ";
    ASSERT_TRUE(applySettings(f, SettingsMode::New, fields));
    std::string folder = JoinPath(nb.place().dataRoot, "トマト2組");
    EXPECT_EQ(nb.place().notebookFolder, folder);
    NotebookInfo info = ReadNotebookInfo(folder);
    EXPECT_EQ(info.StartDate, "2013/05/10");
    EXPECT_EQ(info.KindName, "ミニトマト");
    EXPECT_EQ(info.SchoolName, "第一小学校");
    EXPECT_EQ(info.Option1, "茎の太さ(mm)");
    EXPECT_EQ(info.Option2, a129);
    EXPECT_EQ(settings(f, "DataName"), "トマト2組");
    EXPECT_EQ(settings(f, "FolderPath"), "data\\");
    EXPECT_EQ(nb.store().StartDate, QDate(2013, 5, 10));
    // Kelto.dat is Shift-JIS on disk.
    std::string bytes;
    ReadFileBytes(JoinPath(folder, "Kelto.dat"), bytes);
    EXPECT_NE(bytes.find("\x83\x7E\x83\x6A\x83\x67\x83\x7D\x83\x67"), std::string::npos);  // ミニトマト
}

TEST(NotebookSettings, RefusedNamesChangeNothing)
{
    struct Case {
        const char* name;
        SettingsMode mode;
        int message;
    } cases[] = {
        {"", SettingsMode::New, 158},          {"", SettingsMode::Edit, 158},
        {"/tmp/evil", SettingsMode::New, 159}, {"\\evil", SettingsMode::New, 159},
        {"../escape", SettingsMode::New, 159}, {"a/b", SettingsMode::Edit, 159},
        {"..", SettingsMode::New, 159},        {".", SettingsMode::Edit, 159},
        {"観察", SettingsMode::New, 163},  // an existing notebook is never merged into
        {"sub\\dir", SettingsMode::Edit, 159},
    };
    for (const Case& c : cases) {
        NotebookFixture f;
        CNotebook& nb = f.open();
        std::string existing = f.temp.mkdir("program/data/other");
        f.prompt.clear();
        EXPECT_FALSE(applySettings(f, c.mode, fieldsNamed(c.name))) << c.name;
        EXPECT_EQ(f.prompt.asked(), std::vector<int>{c.message}) << c.name;
        EXPECT_EQ(nb.place().notebookFolder, f.notebook) << c.name;
        EXPECT_EQ(ListSubfolders(nb.place().dataRoot).size(), 2u) << c.name;
        EXPECT_FALSE(FolderExists(JoinPath(f.program, "escape"))) << c.name;
        EXPECT_EQ(ReadNotebookKey(f.notebook, "KindName"), "トマト") << c.name;
        EXPECT_EQ(settings(f, "DataName"), "<absent>") << c.name;
    }
}

TEST(NotebookSettings, RenamingOntoAnotherFolderNeverMergesIt)
{
    NotebookFixture f;
    f.open();
    std::string other = f.temp.mkdir("program/data/other");  // empty: a plain rename would replace it
    f.prompt.clear();
    EXPECT_FALSE(applySettings(f, SettingsMode::Edit, fieldsNamed("other")));
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{163});
    EXPECT_TRUE(IsNotebookFolder(f.notebook));
    EXPECT_FALSE(IsNotebookFolder(other));
}

TEST(NotebookSettings, TextShiftJisCannotHoldIsRefusedBeforeAnythingIsWritten)
{
    for (int field = 0; field < 3; ++field) {
        NotebookFixture f;
        CNotebook& nb = f.open();
        NotebookSettingsFields fields = fieldsNamed("新しい");
        if (field == 0)
            fields.DataName = "トマト🍅";
        else if (field == 1)
            fields.KindName = "한국어";
        else
            fields.Option1 = "高さ(㎝)🌱";
        f.prompt.clear();
        EXPECT_FALSE(applySettings(f, SettingsMode::New, fields));
        EXPECT_EQ(f.prompt.asked(), std::vector<int>{0});
        EXPECT_EQ(f.prompt.texts().at(0), kNotCp932Message);
        EXPECT_EQ(ListSubfolders(nb.place().dataRoot).size(), 1u);
    }
}

TEST(NotebookSettings, RenameMovesTheFolderAndRetitlesAndEveryOkWritesTheStartDate)
{
    NotebookFixture f;
    CNotebook& nb = f.open();
    f.addDay(20130405);
    // Same name in other letter case: nothing is renamed, the start date is still written.
    EXPECT_TRUE(WriteNotebookKey(f.notebook, "StartDate", "2013/4/1"));
    ASSERT_TRUE(f.editSettings(SettingsMode::Edit, [](NotebookSettingsFields& same) { same.DataName = "観察"; }));
    EXPECT_EQ(ReadNotebookKey(f.notebook, "StartDate"), "2013/04/01");
    EXPECT_EQ(settings(f, "DataName"), "<absent>");

    NotebookFixture g;
    std::string upper = g.temp.mkdir("program/data/Tomato");
    EXPECT_TRUE(WriteNotebookKey(upper, "StartDate", "2013/04/01"));
    g.nb = std::make_unique<CNotebook>(g.program, g.prompt, "KeltoTest-rename");
    g.nb->SetCommandLineNotebook(upper);
    g.nb->Initialize(&g.host);
    ASSERT_TRUE(g.editSettings(SettingsMode::Edit, [](NotebookSettingsFields& lower) { lower.DataName = "tomato"; }));
    EXPECT_TRUE(FolderExists(upper));
    EXPECT_FALSE(FolderExists(JoinPath(g.nb->place().dataRoot, "tomato")));

    // A real rename through the command: the folder, Kelto.ini and the window title follow.
    f.host.settingsDialog = [&](const NotebookSettingsFields& fields, SettingsMode mode,
                                const DialogApply<NotebookSettingsFields>& apply) {
        EXPECT_EQ(mode, SettingsMode::Edit);
        NotebookSettingsFields r = fields;
        r.DataName = "観察2013";
        return apply(r) == 0;
    };
    ASSERT_EQ(nb.EditNotebookSettings(SettingsMode::Edit), 1);
    std::string renamed = JoinPath(nb.place().dataRoot, "観察2013");
    EXPECT_EQ(nb.place().notebookFolder, renamed);
    EXPECT_FALSE(FolderExists(f.notebook));
    EXPECT_TRUE(FileExists(JoinPath(renamed, "20130405.dat")));
    EXPECT_EQ(settings(f, "DataName"), "観察2013");
    EXPECT_EQ(f.host.title, "Kelto[観察2013]");
    EXPECT_EQ(nb.viewMode(), ViewMode::Calendar);
}

TEST(NotebookSettings, NewNotebookNeedsAnExistingDataRoot)
{
    NotebookFixture f;
    CNotebook& nb = f.open();
    NotebookPlace missing = nb.place();
    missing.dataRoot = JoinPath(f.program, "missing");
    std::optional<QDate> startDate;
    f.prompt.clear();
    EXPECT_FALSE(ApplySettingsDialog(missing, startDate, f.prompt, SettingsMode::New, fieldsNamed("x")));
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{159});
    EXPECT_FALSE(FolderExists(missing.dataRoot));
}

TEST(NotebookSelection, ChangingTheDataRootWarnsAboutFoldersOutsideTheProgram)
{
    struct Case {
        const char* chosen;            // relative to the temp folder; "" cancels
        std::optional<Answer> answer;  // none: the default button (Enter)
        bool changes;
        std::vector<int> asked;
    } cases[] = {
        {"", Answer::Yes, false, {}},
        {"program/data2", Answer::Yes, true, {}},
        {"elsewhere", Answer::No, false, {179}},
        {"elsewhere", Answer::Yes, true, {179}},
        {"elsewhere", std::nullopt, false, {179}},  // No is the default button
    };
    for (const Case& c : cases) {
        NotebookFixture f;
        CNotebook& nb = f.open();
        f.prompt.clear();
        if (c.answer)
            f.prompt.queue(*c.answer);
        AnsweringBrowser browser;
        if (*c.chosen)
            browser.answer = f.temp.mkdir(c.chosen);
        NotebookPlace place = nb.place();
        const std::string before = place.dataRoot;
        EXPECT_EQ(ChangeDataRoot(place, f.prompt, browser), c.changes) << c.chosen;
        EXPECT_EQ(browser.seenInitial, before);
        EXPECT_EQ(browser.seenTitle, "データフォルダーの選択");
        EXPECT_EQ(place.dataRoot, c.changes ? browser.answer : before) << c.chosen;
        EXPECT_EQ(f.prompt.asked(), c.asked) << c.chosen;
        EXPECT_EQ(settings(f, "FolderPath"), "<absent>");  // written only once a notebook is chosen
    }
}

TEST(NotebookSettings, NamesAreStoredAsTheyReadBackAndDotNamesRefused)
{
    struct Case {
        const char* typed;
        SettingsMode mode;
        const char* folder;  // "": refused
        int message;         // 0 with text 211 for a dot name
    } cases[] = {
        {"トマト〜1", SettingsMode::New, "トマト～1", -1},  // the wave dash Japanese input gives here
        {"なす−2", SettingsMode::Edit, "なす－2", -1},
        {"¥組", SettingsMode::New, "￥組", -1},
        {".hidden", SettingsMode::New, "", 0},
        {".観察", SettingsMode::Edit, "", 0},
        {"トマト\n[Data]\nDataName=x", SettingsMode::New, "トマト [Data] DataName=x",
         -1},  // a pasted line break
    };
    for (const Case& c : cases) {
        NotebookFixture f;
        CNotebook& nb = f.open();
        f.prompt.clear();
        const bool result = applySettings(f, c.mode, fieldsNamed(c.typed));
        if (!*c.folder) {
            EXPECT_FALSE(result) << c.typed;
            EXPECT_EQ(f.prompt.asked(), std::vector<int>{0}) << c.typed;
            EXPECT_EQ(f.prompt.texts().at(0), LoadString(Msg::DataNameLeadingPeriod)) << c.typed;
            EXPECT_EQ(ListSubfolders(nb.place().dataRoot), std::vector<std::string>{"観察"}) << c.typed;
            continue;
        }
        ASSERT_TRUE(result) << c.typed;
        EXPECT_TRUE(f.prompt.asked().empty()) << c.typed;
        EXPECT_EQ(nb.place().notebookFolder, JoinPath(nb.place().dataRoot, c.folder)) << c.typed;
        EXPECT_TRUE(IsNotebookFolder(nb.place().notebookFolder)) << c.typed;
        // What Kelto.ini remembers is exactly the folder's name.
        EXPECT_EQ(settings(f, "DataName"), c.folder) << c.typed;
        EXPECT_EQ(FindNotebookFolderName(nb.place().dataRoot, settings(f, "DataName")), c.folder) << c.typed;
    }
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

TEST(NotebookSelection, AWindowsFolderNameIsListedDecodedAndOpened)
{
    NotebookFixture f;
    CNotebook& nb = f.open();
    std::string raw = ToCp932("ひまわり");
    std::string folder = JoinPath(nb.place().dataRoot, raw);
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    RawFolderGuard guard{folder};
    EXPECT_TRUE(WriteNotebookKey(folder, "StartDate", "2013/05/01"));
    RequireWritten(IniFile::WriteString(JoinPath(folder, "20130502.dat"), "Growth", "DataHeight", "3.0"));

    NotebookPlace place = nb.place();
    NotebookList list = FillNotebookList(place);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0].name, "ひまわり");
    ASSERT_EQ(list.rows[0].folderName, raw);
    f.prompt.clear();
    ASSERT_TRUE(SelectNotebook(place, f.prompt, &list.rows[0].folderName));
    EXPECT_TRUE(f.prompt.asked().empty());
    EXPECT_EQ(place.notebookFolder, folder);
    EXPECT_EQ(settings(f, "DataName"), "ひまわり");

    // The next start finds the folder again from what Kelto.ini remembers, and opens its days.
    f.nb = std::make_unique<CNotebook>(f.program, f.prompt, "KeltoTest-next-start");
    f.nb->Initialize(&f.host);
    EXPECT_EQ(f.nb->place().notebookFolder, folder);
    EXPECT_EQ(f.host.title, "Kelto[ひまわり]");
    EXPECT_EQ(f.nb->store().StartDate, QDate(2013, 5, 1));

    // Saving the settings unchanged keeps the folder as it is.
    NotebookSettingsFields opened;
    ASSERT_TRUE(f.editSettings(SettingsMode::Edit, [](NotebookSettingsFields&) {}, &opened));
    EXPECT_EQ(opened.DataName, "ひまわり");
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_EQ(f.nb->place().notebookFolder, folder);
}

TEST(NotebookSelection, ANameKeltoIniCannotHoldIsToldNotDropped)
{
    NotebookFixture f;
    std::string odd = f.temp.mkdir("program/data/トマト🍅");
    EXPECT_TRUE(WriteNotebookKey(odd, "StartDate", "2013/04/01"));
    std::string expected = LoadString(Msg::DataNameNotRemembered);
    expected.replace(expected.find("%s"), 2, "トマト🍅");

    // Opened from the command line.
    CNotebook nb(f.program, f.prompt, "KeltoTest-odd-name");
    nb.SetCommandLineNotebook(odd);
    nb.Initialize(&f.host);
    EXPECT_EQ(nb.place().notebookFolder, odd);
    ASSERT_EQ(f.prompt.texts().size(), 1u);
    EXPECT_EQ(f.prompt.texts().at(0), expected);

    // Chosen in the list: opened, and the user hears that it will not be remembered.
    f.prompt.clear();
    std::string name = "トマト🍅";
    NotebookPlace place = nb.place();
    EXPECT_TRUE(SelectNotebook(place, f.prompt, &name));
    EXPECT_EQ(place.notebookFolder, odd);
    ASSERT_EQ(f.prompt.texts().size(), 1u);
    EXPECT_EQ(f.prompt.texts().at(0), expected);
}

TEST(NotebookSelection, AChoiceKeltoIniCannotKeepIsReported)
{
    // Either key lost means the next start does not find the notebook: the user hears it, and
    // the notebook is opened all the same.
    for (const char* lost : {"FolderPath", "DataName"}) {
        NotebookFixture f;
        CNotebook& nb = f.open();
        std::string ini = JoinPath(f.program, "Kelto.ini");
        std::string other = f.temp.mkdir("program/data/ひまわり");
        EXPECT_TRUE(WriteNotebookKey(other, "KindName", "ひまわり"));
        f.prompt.clear();
        bool failFolderPath = std::string(lost) == "FolderPath";
        int writes = 0;
        SetWriteFaultHook(
            [&](const std::string& p) { return p == ini && (++writes == 1) == failFolderPath; });
        std::string name = "ひまわり";
        NotebookPlace place = nb.place();
        EXPECT_TRUE(SelectNotebook(place, f.prompt, &name)) << lost;
        SetWriteFaultHook(nullptr);
        EXPECT_EQ(place.notebookFolder, other) << lost;
        ASSERT_EQ(f.prompt.texts().size(), 1u) << lost;
        EXPECT_NE(f.prompt.texts()[0].find("ひまわり"), std::string::npos) << lost;
    }
}
