#include "photos/PictureFile.h"
#include "res/Strings.h"
#include "store/DayRecord.h"
#include "support/FakeFileChooser.h"
#include "support/NotebookFixture.h"
#include "support/PhotoFiles.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"
#include "support/LeftFiles.h"
#include "support/RequireWritten.h"

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>
#include <limits>

namespace {
std::string key(const std::string& path, const char* section, const char* k)
{
    return IniFile::ReadString(path, section, k, "<absent>");
}
// A typed-in height, as the entry dialog hands it on.
void enterHeight(NotebookFixture& f, const char* height)
{
    ASSERT_EQ(f.enterMeasurements([&](EntryFields& e) { e.height = height; }), 0);
}
// The photo command on the detail page with an 800 x 600 photo that carries no date.
void importPhoto(NotebookFixture& f)
{
    FakeFileChooser chooser;
    chooser.answer = WritePhoto(f.temp, "photo.jpg", {800, 600}, "");
    f.nb->SetViewMode(ViewMode::Detail);
    ASSERT_TRUE(f.nb->ImportPhoto(false, chooser));
}
}  // namespace

TEST(DayRecordFormat, NumbersAndSentinels)
{
    struct Case {
        float value;
        const char* text;
    } cases[] = {{0.0f, "0.0"},   {12.345f, "12.3"}, {-99.5f, "-99.5"},
                 {28.0f, "28.0"}, {0.05f, "0.1"},    {1e6f, "1000000.0"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatMeasure(c.value), c.text) << c.value;
    EXPECT_FLOAT_EQ(ParseMeasure("28.0"), 28.0f);
    EXPECT_FLOAT_EQ(ParseMeasure(" -3.5abc"), -3.5f);
    EXPECT_FLOAT_EQ(ParseMeasure("abc"), 0.0f);
    EXPECT_FLOAT_EQ(ParseMeasure("1e999"), 0.0f);  // no infinity from a hand-edited file
}

TEST(DayRecordFormat, HandEditedValuesNeverShowAsInfinityOrMinusZero)
{
    struct Case {
        const char* text;   // as found in a day file
        const char* shown;  // TemperatureText of what was read
    } cases[] = {{"1e39", ""},      {"3.5e38", ""},    {"1e308", ""},     {"inf", ""},
                 {"nan", ""},       {"-0", "0.0"},     {"-0.04", "0.0"},  {"", ""},
                 {"abc", ""},       {"<b>1</b>", ""},  {"@SUM(1+1)", ""}, {" +2.5cm", "2.5"},
                 {"12.34", "12.3"}, {"-99.5", "-99.5"}};
    for (const Case& c : cases)
        EXPECT_EQ(TemperatureText(ParseDayValue(c.text, kUnsetTemperature)), c.shown) << c.text;
    EXPECT_EQ(FormatMeasure(std::numeric_limits<float>::infinity()), "");
    EXPECT_EQ(FormatMeasure(std::nanf("")), "");
    EXPECT_EQ(LengthText(-0.0f), "0.0");
}

TEST(DayRecordFiles, LoadAndSaveKeepTheSentinels)
{
    TempDir dir;
    std::string dat = JoinPath(dir.path(), "20130420.dat");
    RequireWritten(
        IniFile::WriteKeys(dat, "Weather", {{"Weather", "晴れ"}, {"LowTemp", ""}, {"HighTemp", "28.0"}}));
    DayRecord day;
    ReadDayFiles(dir.path(), QDate(2013, 4, 20), day);
    ASSERT_TRUE(day.weather && day.measurements);
    EXPECT_EQ(day.weather->LowTemp, kUnsetTemperature);
    EXPECT_EQ(day.weather->HighTemp, 28.0f);
    EXPECT_EQ(day.weather->Daylight, kUnsetLength);
    EXPECT_EQ(day.weather->Weather, "晴れ");
    EXPECT_TRUE(day.measurements->showInGraph());  // DataGraph absent reads as 1
    EXPECT_TRUE(day.picture.isNull());

    day.weather->Daylight = 0.0f;
    day.measurements->roomTemp = -99.5f;
    day.measurements->leaves = 0;
    ASSERT_TRUE(WriteDayFiles(dir.path(), day, PictureSettings{}));
    EXPECT_EQ(key(dat, "Weather", "LowTemp"), "");
    EXPECT_EQ(key(dat, "Weather", "HighTemp"), "28.0");
    EXPECT_EQ(key(dat, "Weather", "Daylight"), "0.0");
    EXPECT_EQ(key(dat, "Growth", "Temperature"), "-99.5");
    EXPECT_EQ(key(dat, "Growth", "DataCount"), "0");
    EXPECT_EQ(key(dat, "Growth", "DataHeight"), "");
    EXPECT_EQ(key(dat, "Growth", "DataGraph"), "1");
    EXPECT_EQ(key(dat, "Picture", "SourcePath"), "<absent>");
}

TEST(DayRecordFiles, EmptyDayWritesNothingAndEmptyMeasurementsWriteEmptyKeys)
{
    TempDir dir;
    DayRecord day;
    day.date = QDate(2013, 5, 1);
    ASSERT_TRUE(WriteDayFiles(dir.path(), day, PictureSettings{}));
    EXPECT_TRUE(FindFiles(dir.path(), "*").empty());

    day.measurements = Measurements{};
    ASSERT_TRUE(WriteDayFiles(dir.path(), day, PictureSettings{}));
    std::string dat = JoinPath(dir.path(), "20130501.dat");
    for (const char* k :
         {"DataHeight", "DataWidth", "DataCount", "DataFuel", "Temperature", "Option1", "Option2"})
        EXPECT_EQ(key(dat, "Growth", k), "") << k;
    EXPECT_EQ(key(dat, "Growth", "DataGraph"), "1");
    EXPECT_EQ(key(dat, "Weather", "Weather"), "<absent>");
}

TEST(DayStore, ScanOrdersLimitsAndSkipsNonDays)
{
    NotebookFixture f;
    f.addDay(20130501);
    f.addDay(20130415);
    f.addDay(20130420);
    // Copies and near misses are not days: only "YYYYMMDD.dat" of a real date is one.
    RequireWritten(
        IniFile::WriteString(JoinPath(f.notebook, "20130415 - コピー.dat"), "Growth", "DataHeight", "1"));
    RequireWritten(IniFile::WriteString(JoinPath(f.notebook, "2013041.dat"), "Growth", "DataHeight", "1"));
    RequireWritten(IniFile::WriteString(JoinPath(f.notebook, "20131345.dat"), "Growth", "DataHeight",
                                        "1"));  // no such date
    RequireWritten(IniFile::WriteString(JoinPath(f.notebook, "notes.dat"), "Growth", "DataHeight", "1"));
    RequireWritten(IniFile::WriteString(JoinPath(f.notebook, "19991231.dat"), "Growth", "DataHeight",
                                        "1"));  // before 2000
    // What writes killed midway left is removed when the notebook opens; nothing else is.
    const std::string stale[] = {"20130415.jpg.tmpAbC123", "20130415.dat.tmpxYz789", "Kelto.dat.tmpQQQQQQ"};
    const std::string others[] = {"20130415.jpg.tmp", "photo.jpg.tmpAbC123", "20130415.mp4.tmpAbC123.mp4"};
    for (const std::string* names : {stale, others})
        for (size_t i = 0; i < 3; ++i)
            WriteLeftFile(JoinPath(f.notebook, names[i]));
    CNotebook& nb = f.open();
    for (const std::string& name : stale)
        EXPECT_FALSE(FileExists(JoinPath(f.notebook, name))) << name;
    for (const std::string& name : others)
        EXPECT_TRUE(FileExists(JoinPath(f.notebook, name))) << name;
    ASSERT_EQ(nb.dayCount(), 3);
    EXPECT_EQ(nb.days().dates, (std::vector<QDate>{{2013, 4, 15}, {2013, 4, 20}, {2013, 5, 1}}));
    EXPECT_EQ(nb.days().first, QDate(2013, 4, 15));
    EXPECT_EQ(nb.viewMode(), ViewMode::Calendar);
    EXPECT_EQ(f.host.title, "Kelto[観察]");

    EXPECT_EQ(ScanDayList(f.notebook, {"dat", 2013, 4}).count(), 2);
    DayList photos = ScanDayList(f.notebook, {"jpg"});
    EXPECT_EQ(photos.count(), 0);
    EXPECT_FALSE(photos.first.isValid());
}

TEST(DayStore, ScanCountsRegularFilesOnly)
{
    TempDir dir;
    const std::string target = JoinPath(dir.path(), "elsewhere.txt");
    WriteLeftFile(target);
    WriteLeftFile(JoinPath(dir.path(), "20130401.dat"));
    WriteLeftFile(JoinPath(dir.path(), "20130402.DAT"));  // the extension in any case
    // Every other kind of entry named like a day; a link is none of the notebook's files.
    ASSERT_EQ(symlink(target.c_str(), JoinPath(dir.path(), "20130403.dat").c_str()), 0);
    ASSERT_EQ(symlink(dir.path().c_str(), JoinPath(dir.path(), "20130404.dat").c_str()), 0);
    ASSERT_EQ(symlink("missing", JoinPath(dir.path(), "20130405.dat").c_str()), 0);
    ASSERT_EQ(mkdir(JoinPath(dir.path(), "20130406.dat").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(JoinPath(dir.path(), "20130407.dat").c_str(), 0600), 0);
    std::vector<int> found;
    for (const QDate& d : ListDayFileDates(dir.path(), "dat"))
        found.push_back(DateToInt(d));
    EXPECT_EQ(found, (std::vector<int>{20130401, 20130402}));
    EXPECT_TRUE(ListDayFileDates(JoinPath(dir.path(), "none"), "dat").empty());
}

TEST(DayRecordFiles, HostileTextsStayOnOneLineAndADayIsWrittenWhole)
{
    struct Case {
        std::string source, weather;  // as they come in
        const char* keptSource;
        const char* keptWeather;
    } cases[] = {
        {"/p/a\n[Growth]\nDataHeight=777\n[Triming]\nSize=1,1\n.jpg", "x\r\n[Growth]\nDataHeight=999",
         "/p/a [Growth] DataHeight=777 [Triming] Size=1,1 .jpg", "x [Growth] DataHeight=999"},
        {"/p/🌱.jpg", "晴\xEF\xBF\xBD", "/p/?.jpg", "晴?"},
        {"/p/" + ToCp932("観察") + ".jpg", "くもり", "/p/観察.jpg", "くもり"},  // a Windows name
    };
    for (const Case& c : cases) {
        TempDir dir;
        DayRecord day;
        day.date = QDate(2024, 5, 1);
        day.picture = QImage(64, 48, QImage::Format_RGB32);
        day.picture.fill(Qt::green);
        day.pictureChanged = true;
        day.sourcePath = c.source;
        day.weather = DayWeather{};
        day.weather->Weather = c.weather;
        day.measurements = Measurements{};
        day.measurements->height = 12.0f;
        const std::string dat = dir.file("20240501.dat"), jpg = dir.file("20240501.jpg");
        // Either file failing leaves neither written.
        for (const std::string& failing : {dat, jpg}) {
            SetWriteFaultHook([&](const std::string& p) { return p == failing; });
            Result r = WriteDayFiles(dir.path(), day, PictureSettings{});
            SetWriteFaultHook(nullptr);
            EXPECT_FALSE(r);
            EXPECT_NE(ResultText(r).find(LoadString(failing == jpg ? 133 : 200)), std::string::npos);
            EXPECT_FALSE(FileExists(dat) || FileExists(jpg));
        }
        ASSERT_TRUE(WriteDayFiles(dir.path(), day, PictureSettings{})) << c.keptSource;
        EXPECT_TRUE(FileExists(jpg));
        EXPECT_EQ(key(dat, "Picture", "SourcePath"), c.keptSource);
        EXPECT_EQ(key(dat, "Weather", "Weather"), c.keptWeather);
        EXPECT_EQ(key(dat, "Growth", "DataHeight"), "12.0");
        EXPECT_EQ(key(dat, "Triming", "Size"), "<absent>");
    }
    // A text longer than any page shows reads back cut at a character.
    TempDir dir;
    std::string longText;
    for (int i = 0; i < 2000; ++i)
        longText += "晴";
    ASSERT_TRUE(IniFile::WriteString(dir.file("20240502.dat"), "Weather", "Weather", longText));
    std::optional<DayWeather> w;
    ReadDayValues(dir.path(), QDate(2024, 5, 2), &w, nullptr);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Weather, longText.substr(0, kNotebookTextBytes / 3 * 3));
}

TEST(DayStore, MoreThan256DaysListTheNewestWithoutGaps)
{
    NotebookFixture f("2012/01/01");
    QDate d(2012, 1, 1);
    for (int i = 0; i < 300; ++i)
        f.addDay(DateToInt(d.addDays(i)));
    CNotebook& nb = f.open();
    const DayStore& s = nb.store();
    ASSERT_EQ(nb.dayCount(), 256);
    // The newest 256, one after another: the first listed is day 45 of the 300.
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(DateToInt(nb.days().dates[i]), DateToInt(d.addDays(44 + i)));
    EXPECT_EQ(DateToInt(nb.days().first), 20120101);  // the notebook's earliest record
    ASSERT_EQ(f.prompt.asked(), std::vector<int>{206});
    EXPECT_NE(f.prompt.texts()[0].find("2012年2月14日"), std::string::npos) << f.prompt.texts()[0];
    // Told once; stepping back from the first listed day reports the end instead of jumping.
    QDate first = d.addDays(44);
    EXPECT_TRUE(nb.LoadDay(first));
    nb.StepDay(-1);
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{206, 145}));
    nb.StepDay(+1);
    EXPECT_EQ(s.Day.date, first.addDays(1));
}

TEST(DayStore, StartDateQuestionOncePerDayAndNeverWhileEnding)
{
    NotebookFixture f("2013/04/04");
    f.addDay(20130402);
    f.prompt.queue(Answer::No);
    CNotebook& nb = f.open();
    const DayStore& s = nb.store();
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{162});
    nb.RescanDays();
    nb.StepDay(+1);
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{162, 146}));  // not asked again for that day
    EXPECT_EQ(ReadNotebookKey(f.notebook, "StartDate"), "2013/04/04");

    // A day that was not there when the user said No is asked about; Yes moves the start.
    f.addDay(20130401);
    f.prompt.queue(Answer::Yes);
    nb.RescanDays();
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{162, 146, 162}));
    EXPECT_EQ(ReadNotebookKey(f.notebook, "StartDate"), "2013/04/01");
    EXPECT_EQ(*s.StartDate, QDate(2013, 4, 1));

    // A termination signal, closing, and shutdown ask nothing.
    f.addDay(20130330);
    TerminationRequested = true;
    nb.RescanDays();
    TerminationRequested = false;
    EXPECT_TRUE(nb.LoadDay(QDate(2013, 4, 2)));
    importPhoto(f);  // held until the day is left
    EXPECT_TRUE(nb.PrepareToClose());
    importPhoto(f);
    nb.Shutdown();
    EXPECT_EQ(f.prompt.asked().size(), 3u);
    EXPECT_FALSE(nb.store().Day.dirty);
}

TEST(DayStore, DayNumbers)
{
    NotebookFixture f("2013/04/01");
    CNotebook& nb = f.open();
    EXPECT_EQ(nb.store().DayNumber(QDate(2013, 4, 1)), 1);
    EXPECT_EQ(nb.store().DayNumber(QDate(2013, 4, 2)), 2);
    EXPECT_EQ(nb.store().DayNumber(QDate(2013, 3, 31)), 0);
    EXPECT_EQ(nb.store().DayNumber(QDate(2014, 4, 1)), 366);
    DayStore withoutStart = nb.store();
    withoutStart.StartDate.reset();
    EXPECT_FALSE(withoutStart.DayNumber(QDate(2013, 4, 2)).has_value());
}

TEST(DayStore, StepDayWalksAndReportsEnds)
{
    NotebookFixture f;
    f.addDay(20130402, "1.0");
    f.addDay(20130405, "2.0");
    CNotebook& nb = f.open();
    const DayStore& s = nb.store();
    EXPECT_TRUE(nb.LoadDay(QDate(2013, 4, 2)));
    nb.StepDay(-1);
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{145});
    nb.StepDay(+1);
    EXPECT_EQ(s.Day.date, QDate(2013, 4, 5));
    EXPECT_EQ(nb.viewMode(), ViewMode::Detail);
    EXPECT_FLOAT_EQ(s.Day.measurements->height, 2.0f);
    nb.StepDay(+1);
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{145, 146}));

    // From a new day not yet written, back goes to the latest day and forward reports 146.
    nb.SetCurrentDate(QDate(2013, 4, 20));
    EXPECT_TRUE(nb.NewDay(nb.currentDate()));
    nb.StepDay(+1);
    EXPECT_EQ(f.prompt.asked().back(), 146);
    nb.StepDay(-1);
    EXPECT_EQ(s.Day.date, QDate(2013, 4, 5));

    // A new day between two records steps to its neighbours, not to the ends of the list.
    EXPECT_TRUE(nb.NewDay(QDate(2013, 4, 3)));
    nb.StepDay(+1);
    EXPECT_EQ(s.Day.date, QDate(2013, 4, 5));
    EXPECT_TRUE(nb.NewDay(QDate(2013, 4, 3)));
    nb.StepDay(-1);
    EXPECT_EQ(s.Day.date, QDate(2013, 4, 2));
}

TEST(DayStore, EntriesAreWrittenAtOnceAndAnEmptyDayNever)
{
    NotebookFixture f;
    f.addDay(20130402, "1.0");
    CNotebook& nb = f.open();
    const DayStore& s = nb.store();
    EXPECT_TRUE(nb.LoadDay(QDate(2013, 4, 2)));
    enterHeight(f, "3.25");
    EXPECT_EQ(key(f.dayPath(20130402, "dat"), "Growth", "DataHeight"), "3.2");
    EXPECT_FALSE(s.Day.dirty);

    // A new day left empty creates no file.
    nb.SetCurrentDate(QDate(2013, 4, 9));
    EXPECT_TRUE(nb.NewDay(nb.currentDate()));
    EXPECT_EQ(nb.viewMode(), ViewMode::Detail);
    nb.SetViewMode(ViewMode::Calendar);
    EXPECT_FALSE(FileExists(f.dayPath(20130409, "dat")));
}

TEST(DayStore, SavingValuesLeavesThePhotoFileAsItWas)
{
    NotebookFixture f;
    f.addDay(20130402);
    // A photo bigger than the picture size, copied in by hand.
    QImage big(800, 600, QImage::Format_RGB32);
    big.fill(Qt::blue);
    std::string jpg = f.dayPath(20130402, "jpg");
    ASSERT_TRUE(SavePictureFile(jpg, big, 800, 600, 95));
    std::string before, after;
    ReadFileBytes(jpg, before);
    CNotebook& nb = f.open();
    const DayStore& s = nb.store();
    EXPECT_TRUE(nb.LoadDay(QDate(2013, 4, 2)));
    ASSERT_EQ(f.enterMeasurements([](EntryFields& e) { e.leaves = "4"; }), 0);
    nb.SetViewMode(ViewMode::Calendar);  // a flush point
    ReadFileBytes(jpg, after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(key(f.dayPath(20130402, "dat"), "Growth", "DataCount"), "4");

    // A replaced picture is written, whole, and only once.
    importPhoto(f);
    nb.SetViewMode(ViewMode::Calendar);
    EXPECT_FALSE(s.Day.pictureChanged);
    QImage back;
    ASSERT_TRUE(LoadPictureFile(jpg, back));
    EXPECT_EQ(back.size(), QSize(640, 480));
}

TEST(DayStore, AnUnwritableDaySaysWhatAndWhereAndLetsTheUserChoose)
{
    struct Case {
        bool photo;  // the picture changed (else only a number)
        std::vector<Answer> answers;
        bool loaded;         // the other day was opened
        const char* height;  // what the day file holds afterwards
    } cases[] = {
        {false, {Answer::Cancel}, false, "10.0"},  // stay: the edit is kept
        {true, {Answer::Cancel}, false, "10.0"},
        {false, {Answer::No}, true, "10.0"},                    // discard knowingly
        {false, {Answer::Yes, Answer::Cancel}, false, "10.0"},  // retry fails again, then stay
    };
    for (const Case& c : cases) {
        NotebookFixture f;
        f.addDay(20130402);
        f.addDay(20130405);
        CNotebook& nb = f.open();
        const DayStore& s = nb.store();
        EXPECT_TRUE(nb.LoadDay(QDate(2013, 4, 2)));
        if (c.photo)
            importPhoto(f);
        std::string failing = f.dayPath(20130402, c.photo ? "jpg" : "dat");
        SetWriteFaultHook([&](const std::string& p) { return p == failing; });
        enterHeight(f, "5.0");  // told at once, and held
        f.prompt.clear();
        for (Answer a : c.answers)
            f.prompt.queue(a);
        Result r = nb.LoadDay(QDate(2013, 4, 5));
        SetWriteFaultHook(nullptr);
        EXPECT_EQ(r.ok(), c.loaded);
        EXPECT_EQ(f.prompt.asked(), std::vector<int>(c.answers.size(), 201));
        // The message names the file: 133 only for the photo itself.
        std::string text = f.prompt.texts()[0];
        EXPECT_NE(text.find(failing), std::string::npos) << text;
        EXPECT_NE(text.find(LoadString(c.photo ? 133 : 200)), std::string::npos) << text;
        EXPECT_EQ(s.Day.date, c.loaded ? QDate(2013, 4, 5) : QDate(2013, 4, 2));
        EXPECT_EQ(key(f.dayPath(20130402, "dat"), "Growth", "DataHeight"), c.height);
        if (!c.loaded) {
            // Kept in memory: once the folder takes it again the next flush writes it.
            EXPECT_TRUE(s.Day.dirty);
            ASSERT_TRUE(nb.LoadDay(QDate(2013, 4, 5)));
            EXPECT_EQ(key(f.dayPath(20130402, "dat"), "Growth", "DataHeight"), "5.0");
        }
    }
}

TEST(DayStore, QuittingWithAnUnwritableDayAsksFirst)
{
    for (Answer a : {Answer::Cancel, Answer::No}) {
        NotebookFixture f;
        f.addDay(20130402);
        CNotebook& nb = f.open();
        EXPECT_TRUE(nb.LoadDay(QDate(2013, 4, 2)));
        std::string dat = f.dayPath(20130402, "dat");
        SetWriteFaultHook([&](const std::string& p) { return p == dat; });
        enterHeight(f, "5.0");  // told at once, and held
        f.prompt.clear();
        f.prompt.queue(a);
        EXPECT_EQ(nb.PrepareToClose(), a == Answer::No);
        EXPECT_EQ(f.prompt.asked(), std::vector<int>{202});
        // Shutdown itself never waits for an answer.
        nb.Shutdown();
        SetWriteFaultHook(nullptr);
        EXPECT_EQ(f.prompt.asked(), std::vector<int>{202});
        EXPECT_EQ(key(dat, "Growth", "DataHeight"), "10.0");
    }
}

TEST(DayStore, ShutdownWritesTheDirtyDay)
{
    NotebookFixture f;
    CNotebook& nb = f.open();
    EXPECT_TRUE(nb.LoadDay(QDate(2013, 4, 3)));
    ASSERT_EQ(f.changeDayData([](DayDataFields& d) { d.weather = "くもり"; }), 0);
    nb.Shutdown();
    EXPECT_EQ(key(f.dayPath(20130403, "dat"), "Weather", "Weather"), "くもり");
}
