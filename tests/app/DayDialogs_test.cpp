#include "app/DayDialogs.h"
#include "app/NotebookSettings.h"
#include "platform/TextCodec.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"
#include "support/NotebookFixture.h"
#include "support/RequireWritten.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace {

std::string key(const std::string& path, const char* section, const char* k)
{
    return IniFile::ReadString(path, section, k, "<absent>");
}

// A notebook opened on the detail page of an empty day 2013/04/20 (`internet`: weather may be
// fetched). Values go in through the dialogs' OK as the windows hand it on.
struct DayFixture : NotebookFixture {
    explicit DayFixture(bool internet = false)
    {
        if (internet)
            RequireWritten(WriteSettingInt(JoinPath(program, "Kelto.ini"), KeltoIni::EnableInternet, 1));
        open();
        EXPECT_TRUE(nb->LoadDay(QDate(2013, 4, 20)));
        nb->SetViewMode(ViewMode::Detail);
        prompt.clear();
    }
    const DayRecord& day() const { return nb->store().Day; }
    // The entry dialog's OK with `e` typed in.
    int enter(const EntryFields& e)
    {
        return enterMeasurements([&](EntryFields& typed) { typed = e; });
    }
};

}  // namespace

TEST(EntryDialog, FieldRules)
{
    struct Case {
        const char* field;  // which field gets the text
        const char* text;
        std::vector<int> asked;
        int focus;  // 0: accepted
        float value;
        const char* said = nullptr;  // a range is told with the field's name and bounds
    } cases[] = {
        {"leaves", "99", {}, 0, 99},
        {"leaves", "0", {}, 0, 0},
        {"leaves", "5x", {174}, 1002, 0},
        {"leaves", "100", {660}, 1002, 0, "葉の枚数は 0 から 99 の範囲で入力してください。"},
        {"leaves", "150", {660}, 1002, 0},
        {"leaves", "-5", {660}, 1002, 0},
        {"leaves", "abc", {174}, 1002, 0},
        {"leaves", "1.5", {174}, 1002, 0},
        {"leaves", "-0", {}, 0, 0},
        {"height", "-3", {660}, 1000, 0},
        {"height", "12.5cm", {174}, 1000, 0},
        {"height", ".5", {}, 0, 0.5f},
        {"height", "x", {174}, 1000, 0},
        {"height", "9e99", {174}, 1000, 0},
        {"roomTemp", "-3.5", {}, 0, -3.5f},
        {"roomTemp", "+3", {174}, 1005, 0},
        {"free2", "-12", {}, 0, -12},
        {"solution", "-1", {660}, 1003, 0},
        {"free1", "abc", {174}, 1004, 0},
        // Only plain decimal numbers within what the value can be, never a "not set" value.
        {"height", "1e38", {174}, 1000, 0},
        {"height", ".", {174}, 1000, 0},
        {"roomTemp", "-", {174}, 1005, 0},
        {"roomTemp", "-.e", {174}, 1005, 0},
        {"free1", "-99.96", {660}, 1004, 0, "茎の太さは -99.9 から 99999 の範囲で入力してください。"},
        {"free1", "-99.9", {}, 0, -99.9f},
        {"roomTemp", "100", {660}, 1005, 0, "室温は -99.9 から 99.9 の範囲で入力してください。"},
        {"roomTemp", "-0", {}, 0, 0},
        {"height", "99999", {}, 0, 99999},
        {"height", "100000", {660}, 1000, 0},
        {"height", "1.2.3", {174}, 1000, 0},
        {"free2", "5000", {}, 0, 5000},
    };
    for (const Case& c : cases) {
        DayFixture f;
        EntryFields e;
        e.free1Caption = "茎の太さ";  // as the dialog shows the notebook's first free field
        std::string field = c.field;
        (field == "leaves"     ? e.leaves
         : field == "height"   ? e.height
         : field == "roomTemp" ? e.roomTemp
         : field == "solution" ? e.solution
         : field == "free1"    ? e.free1
                               : e.free2) = c.text;
        EXPECT_EQ(f.enter(e), c.focus) << c.field << " " << c.text;
        EXPECT_EQ(f.prompt.asked(), c.asked) << c.field << " " << c.text;
        if (c.said) {
            EXPECT_EQ(f.prompt.texts(), std::vector<std::string>{c.said});
        }
        if (c.focus)
            EXPECT_FALSE(f.day().measurements) << "a refused entry stores nothing";
        else {
            const Measurements& m = *f.day().measurements;
            float got = field == "leaves"     ? m.leaves
                        : field == "height"   ? m.height
                        : field == "roomTemp" ? m.roomTemp
                        : field == "free2"    ? m.free2
                                              : m.free1;
            EXPECT_FLOAT_EQ(got, c.value) << c.field << " " << c.text;
        }
    }
}

TEST(EntryDialog, FirstBadFieldInDialogOrderWins)
{
    DayFixture f;
    EntryFields e;
    e.leafSize = "x";  // 1001 is checked after 1002
    e.leaves = "200";
    EXPECT_EQ(f.enter(e), 1002);
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{660});
}

TEST(EntryDialog, OKWritesTheDayWithOneDecimal)
{
    DayFixture f;
    EntryFields e;
    e.height = "12.34";
    e.leafSize = "3.456";
    e.roomTemp = "21.5";
    e.showInGraph = false;
    ASSERT_EQ(f.enter(e), 0);
    EXPECT_EQ(f.host.dialogs.back().first, DialogId::Entry);
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{184});
    EXPECT_FLOAT_EQ(f.day().measurements->height, 12.34f);  // in memory as typed
    // On the disk already, without leaving the day.
    EXPECT_FALSE(f.day().dirty);
    std::string dat = f.dayPath(20130420, "dat");
    EXPECT_EQ(key(dat, "Growth", "DataHeight"), "12.3");
    EXPECT_EQ(key(dat, "Growth", "DataWidth"), "3.5");
    EXPECT_EQ(key(dat, "Growth", "Temperature"), "21.5");
    EXPECT_EQ(key(dat, "Growth", "DataCount"), "");  // empty fields: empty keys
    EXPECT_EQ(key(dat, "Growth", "Option1"), "");
    EXPECT_EQ(key(dat, "Growth", "DataGraph"), "0");
}

TEST(EntryDialog, CaptionsComeFromTheNotebookWithOrWithoutMeasurements)
{
    DayFixture f;
    EXPECT_TRUE(WriteNotebookKey(f.notebook, "Option1", "茎の太さ(mm)"));
    EXPECT_TRUE(WriteNotebookKey(f.notebook, "Option2", "花の数"));
    EntryFields empty, filled;
    f.enterMeasurements(nullptr, &empty);
    EXPECT_EQ(empty.free1Caption, "茎の太さ");
    EXPECT_EQ(empty.free1Unit, "mm");
    EXPECT_EQ(empty.free2Caption, "花の数");
    EXPECT_EQ(empty.free2Unit, "");
    EXPECT_TRUE(empty.showInGraph);
    EXPECT_EQ(empty.height, "");

    RequireWritten(IniFile::WriteKeys(f.dayPath(20130421, "dat"), "Growth",
                                      {{"DataHeight", "12.34"}, {"DataCount", "0"}, {"Option1", "-99.5"}, {"DataGraph", "0"}}));
    ASSERT_TRUE(f.nb->LoadDay(QDate(2013, 4, 21)));
    f.enterMeasurements(nullptr, &filled);
    EXPECT_EQ(filled.height, "12.3");
    EXPECT_EQ(filled.leaves, "0");
    EXPECT_EQ(filled.roomTemp, "");
    EXPECT_EQ(filled.free1, "-99.5");
    EXPECT_FALSE(filled.showInGraph);
    EXPECT_EQ(filled.free1Caption, "茎の太さ");
}

TEST(DayDataDialog, TemperaturesDaylightAndWeatherText)
{
    DayFixture f(true);
    ASSERT_EQ(f.changeDayData([](DayDataFields& d) {
        EXPECT_EQ(d.date, QDate(2013, 4, 20));
        EXPECT_TRUE(d.fetchEnabled);
        d.highTemp = "25.0";
        d.daylight = "0";
        // 16 two-byte characters: only 15 fit the 31 bytes of the day file.
        d.weather = "晴れのち曇り一時雨所により雷を伴う";
    }), 0);
    const DayWeather& w = *f.day().weather;
    EXPECT_FLOAT_EQ(w.LowTemp, 25.0f);
    EXPECT_FLOAT_EQ(w.HighTemp, 25.0f);
    EXPECT_FLOAT_EQ(w.Daylight, 0.0f);
    EXPECT_EQ(w.Weather, "晴れのち曇り一時雨所により雷を");
    EXPECT_LE(Cp932Length(w.Weather), 31u);
    EXPECT_FALSE(f.day().dirty);
    EXPECT_EQ(key(f.dayPath(20130420, "dat"), "Weather", "HighTemp"), "25.0");

    struct Bad {
        const char* low;
        const char* high;
        const char* daylight;
        const char* weather;
        int focus;
        int message;
        const char* said = nullptr;
    } bad[] = {{"x", "", "", "", 1007, 174},
               {"", "a1", "", "", 1017, 174},
               {"-100", "", "", "", 1007, 660, "最低気温は -99.9 から 99.9 の範囲で入力してください。"},
               {"", "", "-1", "", 1006, 660, "日照時間は 0 から 24 の範囲で入力してください。"},
               {"", "", "", "晴れ☀️", 1009, 0}};
    for (const Bad& b : bad) {
        DayFixture g;
        EXPECT_EQ(g.changeDayData([&](DayDataFields& e) {
            e.lowTemp = b.low, e.highTemp = b.high, e.daylight = b.daylight, e.weather = b.weather;
        }), b.focus) << b.weather;
        EXPECT_EQ(g.prompt.asked(), std::vector<int>{b.message});
        if (b.said) {
            EXPECT_EQ(g.prompt.texts(), std::vector<std::string>{b.said});
        }
        EXPECT_FALSE(g.day().weather);
    }
}

TEST(DayDataDialog, NumberRangesOfTheWeather)
{
    struct Case {
        const char* low;
        const char* high;
        const char* daylight;
        int focus;  // 0: accepted
    } cases[] = {{"-99.9", "99.9", "24", 0}, {"-100", "", "", 1007}, {"", "1e2", "", 1017},
                 {"", "", "24.1", 1006},     {"", "", ".", 1006},    {"-", "", "", 1007}};
    for (const Case& c : cases) {
        DayFixture f;
        EXPECT_EQ(f.changeDayData([&](DayDataFields& d) {
            d.lowTemp = c.low, d.highTemp = c.high, d.daylight = c.daylight;
        }), c.focus) << c.low << c.high << c.daylight;
    }
}

namespace {
// A written day 2013/04/20 with measurements, a photo file that is no JPEG at all (it cannot
// be decoded, so it must travel untouched), a memo and alignment values.
struct WrittenDay : DayFixture {
    WrittenDay()
    {
        RequireWritten(IniFile::WriteKeys(dayPath(20130420, "dat"), "Growth", {{"DataHeight", "7.5"}}));
        RequireWritten(IniFile::WriteString(dayPath(20130420, "dat"), "Triming", "Position", "1,2"));
        std::ofstream(dayPath(20130420, "jpg")) << "\x89PNG not a jpeg";
        std::ofstream(dayPath(20130420, "txt")) << "memo\n";
        EXPECT_TRUE(nb->LoadDay(QDate(2013, 4, 20)));
        prompt.clear();
    }
    int redate(const QDate& to)
    {
        return changeDayData([&](DayDataFields& d) { d.date = to; });
    }
    std::string bytes(int day, const char* ext)
    {
        std::string b;
        ReadFileBytes(dayPath(day, ext), b);
        return b;
    }
};
}  // namespace

TEST(DayDataDialog, MovingADayMovesItsFilesAsTheyAre)
{
    for (Answer answer : {Answer::Yes, Answer::No}) {
        WrittenDay f;
        f.prompt.queue(answer);
        ASSERT_EQ(f.redate(QDate(2013, 4, 22)), 0);
        EXPECT_EQ(f.prompt.asked(), std::vector<int>{142});
        EXPECT_EQ(f.day().date, QDate(2013, 4, 22));
        EXPECT_EQ(f.bytes(20130422, "jpg"), "\x89PNG not a jpeg");
        EXPECT_EQ(f.bytes(20130422, "txt"), "memo\n");
        std::string moved = f.dayPath(20130422, "dat");
        EXPECT_EQ(key(moved, "Growth", "DataHeight"), "7.5");
        EXPECT_EQ(key(moved, "Triming", "Position"), "<absent>");
        if (answer == Answer::Yes) {
            EXPECT_EQ(f.nb->viewMode(), ViewMode::Calendar);
            EXPECT_TRUE(FindFiles(f.notebook, "20130420.*").empty());
        } else {
            EXPECT_EQ(f.nb->viewMode(), ViewMode::Detail);
            EXPECT_EQ(f.bytes(20130420, "jpg"), "\x89PNG not a jpeg");
            EXPECT_EQ(key(f.dayPath(20130420, "dat"), "Triming", "Position"), "1,2");
        }
    }
}

TEST(DayDataDialog, RefusedDatesChangeNothing)
{
    Clock::FixedToday today(QDate(2013, 4, 25));
    struct Case {
        const char* targetFile;  // a file the target date has already ("": none)
        QDate to;
        int message;
        bool written;  // the re-dated day has its day file
    } cases[] = {{"dat", QDate(2013, 4, 22), 203, true},
                 {"txt", QDate(2013, 4, 22), 203, true},
                 {"dat", QDate(2013, 4, 22), 203, false},
                 {"", QDate(2013, 4, 26), 204, true},
                 {"", QDate(2014, 4, 20), 204, false},
                 // More than a year before the start (2013/04/01).
                 {"", QDate(2001, 12, 8), 661, true},
                 {"", QDate(2012, 3, 31), 661, false}};
    for (const Case& c : cases) {
        WrittenDay f;
        if (!c.written) {
            std::remove(f.dayPath(20130420, "dat").c_str());
            EXPECT_TRUE(f.nb->LoadDay(QDate(2013, 4, 20)));
        }
        std::string target = c.targetFile[0] ? f.dayPath(20130422, c.targetFile) : std::string();
        if (!target.empty())
            std::ofstream(target) << "the other day\n";
        EXPECT_EQ(f.redate(c.to), DayDataId::Date);
        EXPECT_EQ(f.prompt.asked(), std::vector<int>{c.message});
        if (c.message == 203) {
            EXPECT_NE(f.prompt.texts()[0].find("2013年4月22日"), std::string::npos) << f.prompt.texts()[0];
        }
        EXPECT_EQ(f.day().date, QDate(2013, 4, 20));
        EXPECT_FALSE(f.day().dirty);
        if (!target.empty()) {
            std::string b;
            ReadFileBytes(target, b);
            EXPECT_EQ(b, "the other day\n");
        }
        EXPECT_EQ(f.bytes(20130420, "jpg"), "\x89PNG not a jpeg");
    }
}

TEST(DayDataDialog, AFailedMoveKeepsTheDayWhereItWas)
{
    WrittenDay f;
    f.prompt.queue(Answer::Yes);
    std::string target = f.dayPath(20130425, "jpg");
    SetWriteFaultHook([&](const std::string& path) { return path == target; });
    EXPECT_EQ(f.redate(QDate(2013, 4, 25)), DayDataId::Date);
    SetWriteFaultHook(nullptr);
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{142, 208}));
    EXPECT_NE(f.prompt.texts()[1].find(target), std::string::npos);
    EXPECT_EQ(FindFiles(f.notebook, "20130420.*").size(), 3u);
    EXPECT_TRUE(FindFiles(f.notebook, "20130425.*").empty());
    EXPECT_EQ(f.day().date, QDate(2013, 4, 20));
    EXPECT_FALSE(f.day().dirty);  // nothing waits to be written under another date
}

TEST(DayDelete, DeletingRemovesEveryFileOfTheDayAndForgetsIt)
{
    // Entered but never written: nothing is left behind.
    DayFixture f;
    ASSERT_EQ(f.enterMeasurements([](EntryFields& e) { e.height = "3"; }), 0);
    f.prompt.queue(Answer::Yes);
    EXPECT_TRUE(f.nb->DeleteCurrentDay());
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{141});
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Calendar);
    EXPECT_TRUE(FindFiles(f.notebook, "20130420.*").empty());

    // A written day with photo and memo; the day table no longer lists it afterwards, and a
    // stray copy of its day file is not one of its files.
    WrittenDay g;
    g.addDay(20130410);
    ASSERT_TRUE(g.nb->SaveDay());
    std::string copy = JoinPath(g.notebook, "20130420 - コピー.dat");
    {
        std::ofstream(copy) << "[Growth]\n";
    }
    ASSERT_EQ(g.nb->dayCount(), 2);
    g.prompt.queue(Answer::No);
    EXPECT_FALSE(g.nb->DeleteCurrentDay());
    EXPECT_EQ(FindFiles(g.notebook, "20130420.*").size(), 3u);
    g.prompt.queue(Answer::Yes);
    EXPECT_TRUE(g.nb->DeleteCurrentDay());
    EXPECT_TRUE(FindFiles(g.notebook, "20130420.*").empty());
    EXPECT_TRUE(FileExists(copy));
    EXPECT_EQ(g.nb->dayCount(), 1);
    g.nb->SetViewMode(ViewMode::Detail);  // a flush point
    EXPECT_TRUE(FindFiles(g.notebook, "20130420.*").empty());
}

TEST(DayDelete, ADayThatCannotBeDeletedIsSaidAndStays)
{
    WrittenDay f;
    f.nb->SetViewMode(ViewMode::Detail);
    std::string dat = f.dayPath(20130420, "dat");
    SetWriteFaultHook([&](const std::string& path) { return path == dat; });
    f.prompt.queue(Answer::Yes);
    EXPECT_FALSE(f.nb->DeleteCurrentDay());
    SetWriteFaultHook(nullptr);
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{141, 205}));
    EXPECT_NE(f.prompt.texts()[1].find(dat), std::string::npos);
    EXPECT_TRUE(FileExists(dat));
    EXPECT_EQ(f.nb->viewMode(), ViewMode::Detail);
    EXPECT_TRUE(f.day().measurements);
}

TEST(DayMemo, EditorAppendsToTheMemoMadeFromTheTemplate)
{
    DayFixture f;
    std::ofstream(JoinPath(f.program, "Kelto.txt")) << "template\n";
    std::string script = f.temp.file("editor.sh");
    std::ofstream(script) << "#!/bin/sh\necho \"added by editor\" >> \"$1\"\n";
    chmod(script.c_str(), 0755);
    setenv("KELTO_EDITOR", script.c_str(), 1);
    f.nb->EditMemo();
    std::string memo;
    ReadFileBytes(f.dayPath(20130420, "txt"), memo);
    EXPECT_EQ(memo, "template\nadded by editor\n");
    EXPECT_TRUE(f.prompt.asked().empty());

    // An existing memo is edited as it is; a missing editor shows message 132.
    f.nb->EditMemo();
    ReadFileBytes(f.dayPath(20130420, "txt"), memo);
    EXPECT_EQ(memo, "template\nadded by editor\nadded by editor\n");
    setenv("KELTO_EDITOR", f.temp.file("no-such-editor").c_str(), 1);
    f.nb->EditMemo();
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{132});
    unsetenv("KELTO_EDITOR");
}

// Where no editor is set or found, the memo is edited in the program's memo window; without one
// the failure says what to install.
TEST(DayMemo, WithoutAnEditorTheMemoWindowEditsTheMemo)
{
    DayFixture f;
    std::ofstream(JoinPath(f.program, "Kelto.txt")) << "\x83\x81\x83\x82\r\n";  // "メモ" in Shift-JIS
    const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", f.temp.file("no-programs").c_str(), 1);
    f.nb->EditMemo();
    ASSERT_EQ(f.prompt.asked(), std::vector<int>{132});
    EXPECT_NE(f.prompt.texts()[0].find(LoadString(Msg::EditorInstallAdvice)), std::string::npos);
    f.prompt.clear();

    f.host.memoWindow = [&](const std::string& text, const std::function<bool(const std::string&)>& save) {
        EXPECT_EQ(text, "メモ\n");
        EXPECT_FALSE(save(text + "\xF0\x9F\x8C\xB1"));  // refused, told; the window stays
        return save(text + "背が伸びた\n");
    };
    f.nb->EditMemo();
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{593});
    std::string memo;
    ReadFileBytes(f.dayPath(20130420, "txt"), memo);
    EXPECT_EQ(memo, "\x83\x81\x83\x82\r\n\x94\x77\x82\xAA\x90\x4C\x82\xD1\x82\xBD\r\n");
    EXPECT_TRUE(FileExists(f.dayPath(20130420, "dat")));  // written: the day is a record
}

TEST(DayMemo, AWrittenMemoMakesANewDayARecord)
{
    std::string script;
    for (bool edits : {true, false}) {
        DayFixture f;
        std::ofstream(JoinPath(f.program, "Kelto.txt")) << "template\n";
        script = f.temp.file("editor.sh");
        std::ofstream(script) << (edits ? "#!/bin/sh\necho \"tall\" >> \"$1\"\n" : "#!/bin/sh\nexit 0\n");
        chmod(script.c_str(), 0755);
        setenv("KELTO_EDITOR", script.c_str(), 1);
        f.nb->EditMemo();
        unsetenv("KELTO_EDITOR");
        // A memo left as the template made it is not a record.
        EXPECT_EQ(FileExists(f.dayPath(20130420, "dat")), edits);
        EXPECT_FALSE(f.day().dirty);
        // The window showed it was waiting, and stopped showing it.
        EXPECT_EQ(f.host.busy, (std::vector<std::string>{LoadString(Msg::EditingMemo), ""}));
        EXPECT_EQ(f.nb->dayCount(), edits ? 1 : 0);
    }
}
