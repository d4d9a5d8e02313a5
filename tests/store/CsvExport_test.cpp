#include "store/CsvExport.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "store/NotebookFile.h"
#include "support/LeftFiles.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(CsvExport, OneRowPerDayInDateOrder)
{
    TempDir dir;
    std::string nb = dir.mkdir("nb");
    EXPECT_TRUE(WriteNotebookKey(nb, "StartDate", "2013/04/01"));
    EXPECT_TRUE(WriteNotebookKey(nb, "Option1", "茎の太さ(mm)"));
    RequireWritten(IniFile::WriteKeys(
        JoinPath(nb, "20130405.dat"), "Weather",
        {{"Weather", "晴れ, のち\"くもり\""}, {"LowTemp", "8.5"}, {"HighTemp", "20.0"}, {"Daylight", ""}}));
    RequireWritten(IniFile::WriteKeys(
        JoinPath(nb, "20130405.dat"), "Growth",
        {{"DataHeight", "12.3"}, {"DataCount", "4"}, {"DataGraph", "0"}, {"Option1", "-1.5"}}));
    RequireWritten(IniFile::WriteKeys(JoinPath(nb, "20130402.dat"), "Growth", {{"DataHeight", "10.0"}}));
    RequireWritten(WriteFileAtomic(JoinPath(nb, "20130403.jpg"), "not a day record"));
    std::string out = dir.file("out.csv");
    RequireWritten(ExportNotebookCsv(nb, out));
    std::string csv;
    ReadFileBytes(out, csv);
    EXPECT_EQ(csv, "\xEF\xBB\xBF"
                   "日付,日数,天気,最低気温,最高気温,日照時間,草たけ,葉の枚数,葉の大きさ,養液面,室温,"
                   "茎の太さ(mm),フリー項目2,グラフ表示\r\n"
                   "2013-04-02,2,,,,,10.0,,,,,,,1\r\n"
                   "2013-04-05,5,\"晴れ, のち\"\"くもり\"\"\",8.5,20.0,,12.3,4,,,,-1.5,,0\r\n");
}

TEST(CsvExport, BadFolderOrFileIsAnErrorAndWritesNothing)
{
    TempDir dir;
    const Result missing = ExportNotebookCsv(dir.file("missing"), dir.file("a.csv"));
    EXPECT_EQ(missing.message, Msg::NotNotebookFolder);
    EXPECT_EQ(missing.path, dir.file("missing"));
    EXPECT_FALSE(FileExists(dir.file("a.csv")));

    std::string nb = dir.mkdir("nb");
    EXPECT_TRUE(WriteNotebookKey(nb, "KindName", "x"));
    const Result unwritable = ExportNotebookCsv(nb, dir.file("no/such/folder/a.csv"));
    EXPECT_EQ(unwritable.message, Msg::FileWriteFailed);
    EXPECT_EQ(unwritable.path, dir.file("no/such/folder/a.csv"));
}

TEST(CsvExport, WhatAKilledExportLeftBesideItsTargetGoes)
{
    TempDir dir;
    std::string nb = dir.mkdir("nb");
    ASSERT_TRUE(WriteNotebookKey(nb, "KindName", "x"));
    // A killed export's file, one of another target and one a writer holds right now.
    WriteLeftFile(dir.file("a.csv.tmpAb3xYz"));
    WriteLeftFile(dir.file("b.csv.tmpAb3xYz"));
    std::string busy;
    int fd = OpenTemporaryBeside(dir.file("a.csv"), {}, busy);
    ASSERT_GE(fd, 0);
    AgeFile(busy, fd);
    RequireWritten(ExportNotebookCsv(nb, dir.file("a.csv")));
    ::close(fd);
    EXPECT_FALSE(FileExists(dir.file("a.csv.tmpAb3xYz")));
    EXPECT_TRUE(FileExists(dir.file("b.csv.tmpAb3xYz")));
    EXPECT_TRUE(FileExists(busy));
}

TEST(CsvExport, DamagedValuesAndCopiesStayOutOfTheSheet)
{
    TempDir dir;
    std::string nb = dir.mkdir("nb");
    EXPECT_TRUE(WriteNotebookKey(nb, "StartDate", "2026/11/01"));
    struct Case {
        const char* text;
        const char* temperature;
        const char* length;  // a negative length is a length not set
    } cases[] = {
        {"1e39", "", ""},     {"3.5e38", "", ""},     {"1e308", "", ""},    {"-1e39", "", ""},
        {"-0", "0.0", "0.0"}, {"-0.0", "0.0", "0.0"}, {"-0.04", "0.0", ""}, {"12.3", "12.3", "12.3"},
        {"<b>1</b>", "", ""}, {"@SUM(1+1)", "", ""},  // no number: empty, never 0.0
    };
    std::string expected;
    int day = 1;
    for (const Case& c : cases) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "202611%02d", day);
        RequireWritten(
            IniFile::WriteKeys(JoinPath(nb, std::string(stem) + ".dat"), "Weather", {{"LowTemp", c.text}}));
        RequireWritten(
            IniFile::WriteKeys(JoinPath(nb, std::string(stem) + ".dat"), "Growth", {{"DataHeight", c.text}}));
        expected += "2026-11-" + std::string(stem + 6) + "," + std::to_string(day) + ",," + c.temperature
                    + ",,," + c.length + ",,,,,,,1\r\n";
        ++day;
    }
    // A count that is no number is not 0 leaves.
    RequireWritten(WriteFileAtomic(JoinPath(nb, "20261119.dat"), "[Growth]\r\nDataCount=<b>3</b>\r\n"));
    expected += "2026-11-19,19,,,,,,,,,,,,1\r\n";
    // A UTF-8 byte-order mark in front of a Shift-JIS file, and a NUL in a value.
    RequireWritten(
        WriteFileAtomic(JoinPath(nb, "20261120.dat"), "\xEF\xBB\xBF[Weather]\r\nWeather=" + ToCp932("晴れ")
                                                          + std::string("\0!", 2) + "\r\n"));
    expected += "2026-11-20,20,晴れ!,,,,,,,,,,,1\r\n";
    // Copies are not days.
    RequireWritten(WriteFileAtomic(JoinPath(nb, "20261101 copy.dat"), "[Growth]\r\nDataHeight=1.0\r\n"));
    RequireWritten(WriteFileAtomic(JoinPath(nb, "20261121 - コピー.dat"), "[Growth]\r\nDataHeight=1.0\r\n"));

    std::string out = dir.file("out.csv");
    RequireWritten(ExportNotebookCsv(nb, out));
    std::string csv;
    ReadFileBytes(out, csv);
    csv = csv.substr(csv.find("\r\n") + 2);
    EXPECT_EQ(csv, expected);
    EXPECT_TRUE(IsValidUtf8(csv));
}

TEST(CsvExport, TextASpreadsheetWouldRunStaysText)
{
    TempDir dir;
    std::string nb = dir.mkdir("nb");
    EXPECT_TRUE(WriteNotebookKey(nb, "StartDate", "2026/11/01"));
    EXPECT_TRUE(WriteNotebookKey(nb, "Option1", "=1+1"));
    struct Case {
        const char* weather;
        const char* cell;
    } cases[] = {
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"+81 晴れ", "'+81 晴れ"},
        {"-晴れ", "'-晴れ"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"-12.5", "-12.5"},  // a number stays a number
        {"晴れ=くもり", "晴れ=くもり"},
    };
    std::string expected;
    int day = 1;
    for (const Case& c : cases) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "202611%02d", day);
        RequireWritten(IniFile::WriteKeys(JoinPath(nb, std::string(stem) + ".dat"), "Weather",
                                          {{"Weather", c.weather}, {"LowTemp", "-3.5"}}));
        expected += "2026-11-" + std::string(stem + 6) + "," + std::to_string(day) + "," + c.cell
                    + ",-3.5,,,,,,,,,,1\r\n";
        ++day;
    }
    std::string out = dir.file("out.csv");
    RequireWritten(ExportNotebookCsv(nb, out));
    std::string csv;
    ReadFileBytes(out, csv);
    EXPECT_NE(csv.find(",室温,'=1+1,フリー項目2,"), std::string::npos);
    EXPECT_EQ(csv.substr(csv.find("\r\n") + 2), expected);
}
