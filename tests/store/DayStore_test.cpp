#include "photos/PictureFile.h"
#include "store/DayRecord.h"
#include "support/NotebookFixture.h"

#include <gtest/gtest.h>

namespace {
std::string key(const std::string& path, const char* section, const char* k)
{
    return IniFile::ReadString(path, section, k, "<absent>");
}
} // namespace

TEST(DayRecordFormat, NumbersAndSentinels)
{
    struct Case {
        float value;
        const char* text;
    } cases[] = {{0.0f, "0.0"}, {12.345f, "12.3"}, {-99.5f, "-99.5"}, {28.0f, "28.0"}, {0.05f, "0.1"}, {1e6f, "1000000.0"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatMeasure(c.value), c.text) << c.value;
    EXPECT_FLOAT_EQ(ParseMeasure("28.0"), 28.0f);
    EXPECT_FLOAT_EQ(ParseMeasure(" -3.5abc"), -3.5f);
    EXPECT_FLOAT_EQ(ParseMeasure("abc"), 0.0f);
    EXPECT_FLOAT_EQ(ParseMeasure("1e999"), 0.0f);  // no infinity from a hand-edited file
}

TEST(DayRecordFiles, LoadAndSaveKeepTheSentinels)
{
    TempDir dir;
    std::string dat = JoinPath(dir.path(), "20130420.dat");
    IniFile::WriteKeys(dat, "Weather", {{"Weather", "晴れ"}, {"LowTemp", ""}, {"HighTemp", "28.0"}});
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
    ASSERT_TRUE(WriteDayFiles(dir.path(), day, PictureSettings{}, nullptr));
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
    ASSERT_TRUE(WriteDayFiles(dir.path(), day, PictureSettings{}, nullptr));
    EXPECT_TRUE(FindFiles(dir.path(), "*").empty());

    day.measurements = Measurements{};
    ASSERT_TRUE(WriteDayFiles(dir.path(), day, PictureSettings{}, nullptr));
    std::string dat = JoinPath(dir.path(), "20130501.dat");
    for (const char* k : {"DataHeight", "DataWidth", "DataCount", "DataFuel", "Temperature", "Option1", "Option2"})
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
    IniFile::WriteString(JoinPath(f.notebook, "19991231.dat"), "Growth", "DataHeight", "1");  // not above 20000000
    IniFile::WriteString(JoinPath(f.notebook, "20131345.dat"), "Growth", "DataHeight", "1");  // no such date
    IniFile::WriteString(JoinPath(f.notebook, "notes.dat"), "Growth", "DataHeight", "1");
    CNotebook& nb = f.open();
    DayStore& s = nb.store();
    ASSERT_EQ(s.DayCount, 3);
    EXPECT_EQ(s.DayTable[0].date, 20130415);
    EXPECT_EQ(s.DayTable[1].date, 20130420);
    EXPECT_EQ(s.DayTable[2].date, 20130501);
    EXPECT_EQ(s.FirstDayDate, 20130415);
    EXPECT_EQ(nb.ViewMode, ViewCalendar);
    EXPECT_EQ(f.host.title, "Kelto[観察]");

    nb.CurrentYear = 2013;
    nb.CurrentMonth = 4;
    s.ScanDays(false, true);
    EXPECT_EQ(s.DayCount, 2);
    s.ScanDays(true, false);
    EXPECT_EQ(s.DayCount, 0);
    EXPECT_EQ(s.FirstDayDate, 0);
}

TEST(DayStore, At256DaysTheTableIsFull)
{
    NotebookFixture f("2012/01/01");
    QDate d(2012, 1, 1);
    for (int i = 0; i < 300; ++i)
        f.addDay(DateToInt(d.addDays(i)));
    CNotebook& nb = f.open();
    EXPECT_EQ(nb.store().DayCount, 256);
    for (int i = 1; i < 256; ++i)
        ASSERT_LT(nb.store().DayTable[i - 1].date, nb.store().DayTable[i].date);
}

TEST(DayStore, StartDateMovesBackOnlyOnYes)
{
    NotebookFixture f("2013/04/04");
    f.addDay(20130401);
    f.prompt.queue(Answer::No);
    CNotebook& nb = f.open();
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{162});
    EXPECT_EQ(ReadNotebookKey(f.notebook, "StartDate"), "2013/04/04");
    f.prompt.queue(Answer::Yes);
    nb.store().ScanDays(false, false);
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{162, 162}));
    EXPECT_EQ(ReadNotebookKey(f.notebook, "StartDate"), "2013/04/01");
    EXPECT_EQ(*nb.store().StartDate, QDate(2013, 4, 1));
    nb.store().ScanDays(false, false);
    EXPECT_EQ(f.prompt.asked().size(), 2u);  // settled: no more questions
}

TEST(DayStore, DayNumbers)
{
    NotebookFixture f("2013/04/01");
    CNotebook& nb = f.open();
    EXPECT_EQ(nb.store().DayNumber(QDate(2013, 4, 1)), 1);
    EXPECT_EQ(nb.store().DayNumber(QDate(2013, 4, 2)), 2);
    EXPECT_EQ(nb.store().DayNumber(QDate(2013, 3, 31)), 0);
    EXPECT_EQ(nb.store().DayNumber(QDate(2014, 4, 1)), 366);
    nb.store().StartDate.reset();
    EXPECT_FALSE(nb.store().DayNumber(QDate(2013, 4, 2)).has_value());
}

TEST(DayStore, StepDayWalksAndReportsEnds)
{
    NotebookFixture f;
    f.addDay(20130402, "1.0");
    f.addDay(20130405, "2.0");
    CNotebook& nb = f.open();
    DayStore& s = nb.store();
    s.LoadDayRecord(2013, 4, 2);
    s.StepDay(-1);
    EXPECT_EQ(f.prompt.asked(), std::vector<int>{145});
    s.StepDay(+1);
    EXPECT_EQ(s.Day.date, QDate(2013, 4, 5));
    EXPECT_EQ(nb.ViewMode, ViewDetail);
    EXPECT_FLOAT_EQ(s.Day.measurements->height, 2.0f);
    s.StepDay(+1);
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{145, 146}));

    // From a new day not yet written, back goes to the latest day and forward reports 146.
    nb.CurrentYear = 2013, nb.CurrentMonth = 4, nb.CurrentDay = 20;
    s.NewDayRecord();
    s.StepDay(+1);
    EXPECT_EQ(f.prompt.asked().back(), 146);
    s.StepDay(-1);
    EXPECT_EQ(s.Day.date, QDate(2013, 4, 5));
}

TEST(DayStore, ChangesAreWrittenAtFlushPointsOnly)
{
    NotebookFixture f;
    f.addDay(20130402, "1.0");
    CNotebook& nb = f.open();
    DayStore& s = nb.store();
    s.LoadDayRecord(2013, 4, 2);
    s.Day.measurements->height = 3.25f;
    s.Day.dirty = true;
    EXPECT_EQ(key(f.dayPath(20130402, "dat"), "Growth", "DataHeight"), "1.0");
    nb.SetViewMode(ViewCalendar);  // a change of view mode is a flush point
    EXPECT_EQ(key(f.dayPath(20130402, "dat"), "Growth", "DataHeight"), "3.2");
    EXPECT_FALSE(s.Day.dirty);

    // A new day left empty creates no file.
    nb.CurrentYear = 2013, nb.CurrentMonth = 4, nb.CurrentDay = 9;
    s.NewDayRecord();
    EXPECT_EQ(nb.ViewMode, ViewDetail);
    nb.SetViewMode(ViewCalendar);
    EXPECT_FALSE(FileExists(f.dayPath(20130409, "dat")));
}

TEST(DayStore, FailedPhotoWriteKeepsTheDayDirtyAndTheOldFiles)
{
    NotebookFixture f;
    f.addDay(20130402);
    CNotebook& nb = f.open();
    DayStore& s = nb.store();
    s.LoadDayRecord(2013, 4, 2);
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::green);
    s.Day.picture = photo;
    s.Day.measurements->height = 5.0f;
    s.Day.dirty = true;
    std::string jpg = f.dayPath(20130402, "jpg");
    SetWriteFaultHook([&](const std::string& p) { return p == jpg; });
    EXPECT_FALSE(s.FlushDayRecord());
    // Opening or starting another day must not drop the unsaved one either.
    EXPECT_FALSE(s.LoadDayRecord(2013, 4, 5));
    nb.CurrentDay = 6;
    EXPECT_FALSE(s.NewDayRecord());
    EXPECT_EQ(s.Day.date, QDate(2013, 4, 2));
    SetWriteFaultHook(nullptr);
    EXPECT_EQ(f.prompt.asked(), (std::vector<int>{133, 133, 133}));
    EXPECT_TRUE(s.Day.dirty);  // nothing lost: the next flush tries again
    EXPECT_EQ(key(f.dayPath(20130402, "dat"), "Growth", "DataHeight"), "10.0");
    EXPECT_FALSE(FileExists(jpg));
    EXPECT_TRUE(s.FlushDayRecord());
    EXPECT_TRUE(FileExists(jpg));
    EXPECT_EQ(key(f.dayPath(20130402, "dat"), "Growth", "DataHeight"), "5.0");
}

TEST(DayStore, ShutdownWritesTheDirtyDay)
{
    NotebookFixture f;
    CNotebook& nb = f.open();
    nb.CurrentYear = 2013, nb.CurrentMonth = 4, nb.CurrentDay = 3;
    nb.store().NewDayRecord();
    nb.store().Day.weather = DayWeather{};
    nb.store().Day.weather->Weather = "くもり";
    nb.store().Day.dirty = true;
    nb.Shutdown();
    EXPECT_EQ(key(f.dayPath(20130403, "dat"), "Weather", "Weather"), "くもり");
}
