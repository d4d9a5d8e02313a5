#include "platform/IniFile.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "support/LeftFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string readAll(const std::string& path)
{
    std::string s;
    ReadFileBytes(path, s);
    return s;
}

void writeRaw(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace

TEST(IniFile, ReadsWithDefaultsAndIgnoresCase)
{
    TempDir dir;
    std::string ini = dir.file("a.ini");
    writeRaw(ini,
             "[Data]\r\nFolderPath = data\\class1 \r\nWidth=640\r\n[view]\r\nwidth=-12abc\r\nheight=x\r\n");
    EXPECT_EQ(IniFile::ReadString(ini, "DATA", "folderpath", "d"), "data\\class1");
    EXPECT_EQ(IniFile::ReadString(ini, "Data", "Missing", "dflt"), "dflt");
    EXPECT_EQ(IniFile::ReadString(dir.file("none.ini"), "Data", "X", "dflt"), "dflt");
    EXPECT_EQ(IniFile::ReadInt(ini, "View", "Width", 780), -12);  // leading digits
    EXPECT_EQ(IniFile::ReadInt(ini, "View", "Height", 496), 0);   // present but no number
    EXPECT_EQ(IniFile::ReadInt(ini, "View", "Depth", 24), 24);    // missing key
    EXPECT_EQ(IniFile::ReadInt(ini, "Nope", "Width", 7), 7);      // missing section
    EXPECT_EQ(IniFile::ReadInt(ini, "Data", "Width", 0), 640);    // key of another section
}

TEST(IniFile, ParseIntRule)
{
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"42", 42}, {"-7", -7}, {" 12 ", 12}, {"5x", 5},
                 {"abc", 0}, {"", 0},    {"-", 0},     {"99999999999", 2147483647}};
    for (const auto& c : cases)
        EXPECT_EQ(IniFile::ParseInt(c.text), c.value) << c.text;
}

TEST(IniFile, WriteCreatesFileAndSectionAndKeepsOtherLines)
{
    TempDir dir;
    std::string ini = dir.file("k.ini");
    ASSERT_TRUE(IniFile::WriteString(ini, "Data", "DataName", "観察1"));
    ASSERT_TRUE(IniFile::WriteString(ini, "View", "Width", "800"));
    ASSERT_TRUE(IniFile::WriteString(ini, "data", "FolderPath", "data"));
    ASSERT_TRUE(IniFile::WriteString(ini, "DATA", "dataname", "観察2"));
    EXPECT_EQ(IniFile::ReadString(ini, "Data", "DataName"), "観察2");
    EXPECT_EQ(IniFile::ReadString(ini, "Data", "FolderPath"), "data");
    // The new key joins its section, the replaced key keeps its place and spelling.
    std::string text = FromCp932(readAll(ini));
    EXPECT_EQ(text, "[Data]\r\nDataName=観察2\r\nFolderPath=data\r\n[View]\r\nWidth=800\r\n");
}

TEST(IniFile, KeepsCommentsUnknownKeysAndBlankLines)
{
    TempDir dir;
    std::string ini = dir.file("c.ini");
    writeRaw(ini, "; comment\n[A]\nx=1\n\n[B]\ny=2\n");
    ASSERT_TRUE(IniFile::WriteString(ini, "A", "z", "3"));
    ASSERT_TRUE(IniFile::DeleteKey(ini, "B", "y"));
    EXPECT_EQ(readAll(ini), "; comment\n[A]\nx=1\nz=3\n\n[B]\n");
}

TEST(IniFile, Cp932OnDiskUtf8Tolerated)
{
    TempDir dir;
    std::string sjis = dir.file("s.ini");
    ASSERT_TRUE(IniFile::WriteString(sjis, "Data", "KindName", "トマト"));
    EXPECT_EQ(readAll(sjis), "[Data]\r\nKindName=" + ToCp932("トマト") + "\r\n");

    // A file saved by a Linux editor in UTF-8 is read as UTF-8 and written back as UTF-8.
    std::string utf = dir.file("u.ini");
    writeRaw(utf, "[Data]\nKindName=ミニトマト\n");
    EXPECT_EQ(IniFile::ReadString(utf, "Data", "KindName"), "ミニトマト");
    ASSERT_TRUE(IniFile::WriteString(utf, "Data", "SchoolName", "北小学校"));
    EXPECT_EQ(readAll(utf), "[Data]\nKindName=ミニトマト\nSchoolName=北小学校\n");

    // A character CP932 cannot hold is refused and the file stays as it was.
    std::string before = readAll(sjis);
    EXPECT_FALSE(IniFile::WriteString(sjis, "Data", "KindName", "🍅"));
    EXPECT_EQ(readAll(sjis), before);
}

TEST(IniFile, InterruptedWriteLeavesOldFileWhole)
{
    TempDir dir;
    std::string ini = dir.file("day.dat");
    ASSERT_TRUE(IniFile::WriteKeys(ini, "Growth", {{"DataHeight", "12.0"}, {"DataCount", "4"}}));
    std::string before = readAll(ini);
    SetWriteFaultHook([&](const std::string& p) { return p == ini; });
    EXPECT_FALSE(IniFile::WriteString(ini, "Growth", "DataHeight", "13.0"));
    SetWriteFaultHook(nullptr);
    EXPECT_EQ(readAll(ini), before);
    EXPECT_EQ(IniFile::ReadString(ini, "Growth", "DataHeight"), "12.0");
    EXPECT_EQ(FindFiles(dir.path(), "*tmp*").size(), 0u);  // no temporary left behind
}

TEST(IniFile, SeesChangesMadeBehindItsBack)
{
    TempDir dir;
    std::string ini = dir.file("x.ini");
    writeRaw(ini, "[A]\nk=1\n");
    EXPECT_EQ(IniFile::ReadString(ini, "A", "k"), "1");
    writeRaw(ini, "[A]\nk=2\n");  // same size, same second
    EXPECT_EQ(IniFile::ReadString(ini, "A", "k"), "2");
    std::remove(ini.c_str());
    EXPECT_EQ(IniFile::ReadString(ini, "A", "k", "gone"), "gone");
}

TEST(IniFile, QuotedValuesAndHostileLines)
{
    TempDir dir;
    std::string ini = dir.file("h.ini");
    writeRaw(ini, std::string("[A]\nq=\"quoted text\"\n=novalue\n[\nbroken\nk") + '\0' + "=v\n[B\n");
    EXPECT_EQ(IniFile::ReadString(ini, "A", "q"), "quoted text");
    EXPECT_EQ(IniFile::ReadString(ini, "A", "", "d"), "novalue");
    EXPECT_TRUE(IniFile::WriteString(ini, "A", "new", "1"));
    EXPECT_EQ(IniFile::ReadString(ini, "A", "new"), "1");
}

TEST(IniFile, HugeFilesAreNeitherReadNorRewritten)
{
    TempDir dir;
    std::string ini = dir.file("big.ini");
    std::string text = "[A]\nk=1\n" + std::string(5 << 20, ';');
    writeRaw(ini, text);
    EXPECT_EQ(IniFile::ReadString(ini, "A", "k", "default"), "default");
    EXPECT_FALSE(IniFile::WriteString(ini, "A", "k", "2"));
    EXPECT_EQ(readAll(ini).size(), text.size());
}

TEST(IniFile, StrayLeadByteKeepsTheNextLine)
{
    for (const char* eol : {"\n", "\r\n"}) {
        TempDir dir;
        std::string path = dir.file("20261101.dat");
        ASSERT_TRUE(WriteFileAtomic(path, std::string("[Weather]") + eol + "Weather=\x81" + eol
                                              + "LowTemp=9.7" + eol));
        EXPECT_EQ(IniFile::ReadString(path, "Weather", "LowTemp"), "9.7") << eol;
        ASSERT_TRUE(IniFile::WriteString(path, "Weather", "HighTemp", "20.0"));
        EXPECT_EQ(IniFile::ReadString(path, "Weather", "LowTemp"), "9.7") << eol;
        EXPECT_EQ(IniFile::ReadString(path, "Weather", "HighTemp"), "20.0") << eol;
        // The line the save did not change keeps its bytes.
        EXPECT_NE(readAll(path).find(std::string("Weather=\x81") + eol + "LowTemp=9.7"), std::string::npos)
            << eol;
    }
}

TEST(IniFile, ByteOrderMarkInFrontOfShiftJis)
{
    TempDir dir;
    std::string path = dir.file("a.dat");
    ASSERT_TRUE(WriteFileAtomic(path, "\xEF\xBB\xBF[Weather]\r\nWeather=" + ToCp932("晴れ") + "\r\n"));
    EXPECT_EQ(IniFile::ReadString(path, "Weather", "Weather"), "晴れ");
}

TEST(Files, OnlyRegularFilesAreRead)
{
    TempDir dir;
    std::string fifo = dir.file("20261101.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes = "untouched";
    // Each of these returns at once, refused: no FIFO wait, no endless device.
    for (const std::string& path : {fifo, dir.path(), std::string("/dev/null"), std::string("/dev/zero")})
        EXPECT_FALSE(ReadFileBytes(path, bytes)) << path;
    EXPECT_EQ(IniFile::ReadString(fifo, "Memo", "x", "def"), "def");
    ASSERT_TRUE(WriteFileAtomic(dir.file("a.txt"), "memo"));
    ASSERT_TRUE(ReadFileBytes(dir.file("a.txt"), bytes));
    EXPECT_EQ(bytes, "memo");
}

TEST(IniFile, LineBreaksAndNulNeverReachTheFile)
{
    TempDir dir;
    std::string ini = dir.file("20240501.dat");
    ASSERT_TRUE(IniFile::WriteKeys(ini, "Growth", {{"DataHeight", "12.0"}}));
    const std::string before = readAll(ini);
    // Each would start a line of its own: a section and keys the caller never wrote.
    const std::string hostile[] = {"x\n[Growth]\nDataHeight=999", "a\r[Triming]", std::string("a\0b", 3),
                                   "a\n", "\r\n"};
    for (const std::string& text : hostile) {
        EXPECT_FALSE(IniFile::WriteString(ini, "Weather", "Weather", text));
        EXPECT_FALSE(IniFile::WriteString(ini, "Weather", text, "x"));
        EXPECT_FALSE(IniFile::WriteString(ini, text, "Weather", "x"));
        EXPECT_FALSE(IniFile::WriteKeys(ini, "Weather", {{"LowTemp", "1.0"}, {"Weather", text}}));
        EXPECT_FALSE(IniFile::IsOneLine(text));
        EXPECT_TRUE(IniFile::IsOneLine(IniFile::OneLine(text)));
    }
    EXPECT_EQ(readAll(ini), before);
    EXPECT_EQ(IniFile::OneLine("a\r\n[Growth]\nDataHeight=1\0"), "a [Growth] DataHeight=1");
    EXPECT_EQ(IniFile::OneLine(std::string("x\0\ny", 4)), "x y");
}

TEST(IniFile, ChangesAndCompanionFilesAreReplacedTogetherOrNotAtAll)
{
    TempDir dir;
    std::string ini = dir.file("20240501.dat");
    std::string photo = dir.file("20240501.jpg");
    ASSERT_TRUE(WriteFileAtomic(photo, "old photo"));
    ASSERT_TRUE(IniFile::WriteKeys(ini, "Growth", {{"DataHeight", "12.0"}}));
    const std::string before = readAll(ini);
    const std::vector<IniFile::KeyChange> changes = {{"Picture", "SourcePath", "/photos/a.jpg"},
                                                     {"Growth", "DataHeight", std::nullopt},
                                                     {"Weather", "LowTemp", "3.0"}};
    for (const std::string& failing : {ini, photo}) {
        SetWriteFaultHook([&](const std::string& p) { return p == failing; });
        const Result written = IniFile::WriteChanges(ini, changes, {{photo, "new photo"}});
        SetWriteFaultHook(nullptr);
        EXPECT_EQ(written.path, failing);
        EXPECT_EQ(readAll(ini), before);
        EXPECT_EQ(readAll(photo), "old photo");
        EXPECT_EQ(FindFiles(dir.path(), "*tmp*").size(), 0u);
    }
    // A value the file cannot hold stops the companion too.
    EXPECT_FALSE(IniFile::WriteChanges(ini, {{"Weather", "Weather", "a\nb"}}, {{photo, "new photo"}}));
    EXPECT_EQ(readAll(photo), "old photo");

    ASSERT_TRUE(IniFile::WriteChanges(ini, changes, {{photo, "new photo"}}));
    EXPECT_EQ(readAll(photo), "new photo");
    EXPECT_EQ(readAll(ini),
              "[Growth]\r\n[Picture]\r\nSourcePath=/photos/a.jpg\r\n[Weather]\r\nLowTemp=3.0\r\n");
}

TEST(Files, FilesWrittenTogetherAreAllOldWhenALaterOneCannotTakeItsName)
{
    // The last target is a folder: its new file is complete, but cannot take the folder's name.
    for (bool firstExisted : {true, false}) {
        TempDir dir;
        const std::string first = dir.file("20240501.jpg"), second = dir.file("20240501.dat");
        if (firstExisted) {
            ASSERT_TRUE(WriteFileAtomic(first, "old picture"));
        }
        dir.mkdir("20240501.dat");
        const Result written = WriteFilesAtomic({{first, "new picture"}, {second, "new record"}});
        EXPECT_EQ(written.message, Msg::FileWriteFailed);
        EXPECT_EQ(written.path, second);
        std::string bytes;
        EXPECT_EQ(ReadFileBytes(first, bytes), firstExisted);
        EXPECT_EQ(bytes, firstExisted ? "old picture" : "");
        EXPECT_EQ(FindFiles(dir.path(), "*.tmp*").size(), 0u) << "firstExisted " << firstExisted;
    }
}

TEST(Files, OnlyAbandonedTemporariesOfTheGivenTargetsAreRemoved)
{
    TempDir dir;
    auto make = [&](const std::string& name, bool old) { WriteLeftFile(dir.file(name), old); };
    // Left by a killed writer: old and held by nobody.
    make("20240501.dat.tmpAb3xYz", true);
    make("Kelto.dat.tmp000000", true);
    // Not ours, or not ours to judge: a name the writer never makes, another target, a fresh file.
    const std::vector<std::string> kept = {"20240501.dat.tmpAb3xY",  "20240501.dat.tmpAb3xY!",
                                           "notes.txt.tmpAbcdef",    "20240501.dat",
                                           "20240502.jpg.tmpQwErTy", "x.tmpAbcdef"};
    for (const std::string& name : kept)
        make(name, name != "20240502.jpg.tmpQwErTy");
    // One being written right now: its writer holds it.
    std::string busy;
    int fd = OpenTemporaryBeside(dir.file("20240503.jpg"), {}, busy);
    ASSERT_GE(fd, 0);
    AgeFile(busy, fd);

    auto ours = [](std::string_view target, std::string_view suffix) {
        return suffix.empty() && (target == "Kelto.dat" || target.substr(0, 6) == "202405");
    };
    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), ours), 2);
    ::close(fd);
    for (const std::string& name : kept)
        EXPECT_TRUE(FileExists(dir.file(name))) << name;
    EXPECT_TRUE(FileExists(busy));
    EXPECT_FALSE(FileExists(dir.file("20240501.dat.tmpAb3xYz")));
    EXPECT_FALSE(FileExists(dir.file("Kelto.dat.tmp000000")));
    // Once its writer is gone it is abandoned too.
    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), ours), 1);
}
