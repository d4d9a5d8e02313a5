#include "platform/IniFile.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "support/LeftFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <sys/stat.h>
#include <sys/wait.h>
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

// Writes `bytes` to `name` in `dir`, a minute old: as an earlier run left it.
void plant(const TempDir& dir, const std::string& name, const std::string& bytes)
{
    writeRaw(dir.file(name), bytes);
    AgeFile(dir.file(name));
}

// The next start's look at `dir`, whose notebook's files are Kelto.dat and those named from `days`.
int removeStale(const TempDir& dir, std::string_view days)
{
    return RemoveStaleTemporaries(dir.path(), [days](std::string_view target, std::string_view suffix) {
        return suffix.empty() && (target == "Kelto.dat" || target.substr(0, days.size()) == days);
    });
}

// "a.ini" in `dir`, holding `bytes` (no file when there are none).
std::string iniHolding(const TempDir& dir, const std::string& bytes)
{
    const std::string ini = dir.file("a.ini");
    if (!bytes.empty())
        writeRaw(ini, bytes);
    return ini;
}

// Files of other editors and of damaged disks.
const std::string kHostile =
    std::string("[A]\nq=\"quoted text\"\n=novalue\n[\nbroken\nk") + '\0' + "=v\n[B\n";
const std::string kStrayByte = "[Weather]\nWeather=\x81\nLowTemp=9.7\n";  // a lead byte without its trail
const std::string kStrayByteCrlf = "[Weather]\r\nWeather=\x81\r\nLowTemp=9.7\r\n";
const std::string kHuge = "[A]\nk=1\n" + std::string(5 << 20, ';');

}  // namespace

TEST(IniFile, ReadsWhatTheFileHolds)
{
    const std::string plain =
        "[Data]\r\nFolderPath = data\\class1 \r\nWidth=640\r\n[view]\r\nwidth=-12abc\r\nheight=x\r\n";
    struct Case {
        const char* name;
        std::string bytes;  // empty: no file
        const char* section;
        const char* key;
        std::string value;  // "-": the default
    } cases[] = {
        {"section and key in any case, the value trimmed", plain, "DATA", "folderpath", "data\\class1"},
        {"missing key", plain, "Data", "Missing", "-"},
        {"missing section", plain, "Nope", "Width", "-"},
        {"no file", "", "Data", "FolderPath", "-"},
        {"quoted value", kHostile, "A", "q", "quoted text"},
        {"empty key among broken lines", kHostile, "A", "", "novalue"},
        {"UTF-8 file", "[Data]\nKindName=ミニトマト\n", "Data", "KindName", "ミニトマト"},
        {"byte order mark before Shift-JIS", "\xEF\xBB\xBF[Weather]\r\nWeather=" + ToCp932("晴れ") + "\r\n",
         "Weather", "Weather", "晴れ"},
        {"stray lead byte keeps the next line", kStrayByte, "Weather", "LowTemp", "9.7"},
        {"stray lead byte keeps the next CRLF line", kStrayByteCrlf, "Weather", "LowTemp", "9.7"},
        {"huge file", kHuge, "A", "k", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string ini = iniHolding(dir, c.bytes);
        EXPECT_EQ(IniFile::ReadString(ini, c.section, c.key, "-"), c.value);
    }
    TempDir dir;
    const std::string ini = iniHolding(dir, plain);
    EXPECT_EQ(IniFile::ReadInt(ini, "View", "Width", 780), -12);  // leading digits
    EXPECT_EQ(IniFile::ReadInt(ini, "View", "Height", 496), 0);   // present but no number
    EXPECT_EQ(IniFile::ReadInt(ini, "View", "Depth", 24), 24);    // missing key
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

// A write changes its own line: the other lines keep their bytes, the file its encoding and its
// line ends; a value the file cannot hold, or a file too large to be ours, is refused.
TEST(IniFile, WritesChangeOnlyTheirLines)
{
    const std::string tomato = "[Data]\r\nKindName=" + ToCp932("トマト") + "\r\n";
    struct Case {
        const char* name;
        std::string before;  // empty: no file
        const char* writes;  // "Section/Key=value ...", in turn; without "=" the key is deleted
        bool written;
        std::string after;
    } cases[] = {
        {"a new file in CP932; a replaced key keeps its place and spelling", "",
         "Data/DataName=観察1 View/Width=800 data/FolderPath=data DATA/dataname=観察2", true,
         ToCp932("[Data]\r\nDataName=観察2\r\nFolderPath=data\r\n[View]\r\nWidth=800\r\n")},
        {"comments, blank lines and other keys stay; a section without keys goes",
         "; comment\n[A]\nx=1\n\n[B]\ny=2\n\n[C]\nz=1\n", "A/z=3 B/y C/w", true,
         "; comment\n[A]\nx=1\nz=3\n\n[C]\nz=1\n"},
        {"a UTF-8 file stays UTF-8", "[Data]\nKindName=ミニトマト\n", "Data/SchoolName=北小学校", true,
         "[Data]\nKindName=ミニトマト\nSchoolName=北小学校\n"},
        {"a Shift-JIS file of half-width katakana stays Shift-JIS", "[W]\r\nM=" + ToCp932("ﾅｽ") + "\r\n",
         "W/Weather=晴れ", true, ToCp932("[W]\r\nM=ﾅｽ\r\nWeather=晴れ\r\n")},
        {"a stray lead byte's line keeps its bytes", kStrayByte, "Weather/T=2", true, kStrayByte + "T=2\n"},
        {"a stray lead byte's CRLF line keeps them", kStrayByteCrlf, "Weather/T=2", true,
         kStrayByteCrlf + "T=2\r\n"},
        {"a new key among broken lines", kHostile, "A/new=1", true, kHostile + "new=1\n"},
        {"a character CP932 cannot hold", tomato, "Data/KindName=🍅", false, tomato},
        {"a huge file", kHuge, "A/k=2", false, kHuge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string ini = iniHolding(dir, c.before);
        bool written = true;
        for (const QString& w : QString(c.writes).split(' ')) {
            const QStringList part = w.split(QRegularExpression("[/=]"));  // section, key, value
            const std::string section = part[0].toStdString(), key = part[1].toStdString();
            written = (part.size() > 2 ? IniFile::WriteString(ini, section, key, part[2].toStdString())
                                       : IniFile::DeleteKey(ini, section, key))
                      && written;
        }
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(readAll(ini), c.after);
    }
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
        SCOPED_TRACE("failing: " + failing);
        SetWriteFaultHook([&](const std::string& p) { return p == failing; });
        const Result written = IniFile::WriteChanges(ini, changes, {{photo, "new photo"}});
        SetWriteFaultHook(nullptr);
        EXPECT_EQ(written.path, failing);
        EXPECT_EQ(readAll(ini), before);
        EXPECT_EQ(IniFile::ReadString(ini, "Growth", "DataHeight"), "12.0");  // nor is it read
        EXPECT_EQ(readAll(photo), "old photo");
        EXPECT_EQ(FindFiles(dir.path(), "*tmp*").size(), 0u);
    }
    // A value the file cannot hold stops the companion too.
    EXPECT_FALSE(IniFile::WriteChanges(ini, {{"Weather", "Weather", "a\nb"}}, {{photo, "new photo"}}));
    EXPECT_EQ(readAll(photo), "old photo");

    ASSERT_TRUE(IniFile::WriteChanges(ini, changes, {{photo, "new photo"}}));
    EXPECT_EQ(readAll(photo), "new photo");
    EXPECT_EQ(readAll(ini), "[Picture]\r\nSourcePath=/photos/a.jpg\r\n[Weather]\r\nLowTemp=3.0\r\n");
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

TEST(Files, AWriterKilledAtAnyStepLeavesEachTargetWholeAfterTheNextStart)
{
    struct Row {
        const char* name;
        int kill;  // renames done when the writer dies; 0: it dies at its first write; -1: it is not killed
        bool recordExisted, oldNamesGone;  // gone: the old files' second names, before the next start
        const char* laterRecord;  // written after the kill, before the next start
        const char *photoAfter, *recordAfter;
    };
    const Row rows[] = {
        {"killed after the photo took its name", 1, true, false, nullptr, "new photo", "new record"},
        {"killed after the photo, the record was new", 1, false, false, nullptr, "new photo", "new record"},
        {"killed after both, before the set was closed", 2, true, false, nullptr, "new photo", "new record"},
        {"not killed", -1, true, false, nullptr, "new photo", "new record"},
        {"a record written again since is kept", 1, true, false, "later record", "old photo", "later record"},
        {"killed at its first write", 0, true, false, nullptr, "old photo", "old record"},
        // A set whose old files are gone is finished where it is whole; a target that had not
        // taken its new file stays as it is, never removed.
        {"killed after the photo, old names gone", 1, true, true, nullptr, "new photo", "old record"},
        {"killed after both, old names gone", 2, true, true, nullptr, "new photo", "new record"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string photo = dir.file("20240624.jpg"), record = dir.file("20240624.dat");
        ASSERT_TRUE(WriteFileAtomic(photo, "old photo"));
        if (row.recordExisted) {
            ASSERT_TRUE(WriteFileAtomic(record, "old record"));
        }
        // An old file's second name carries its time, here ahead of the clock as a copied notebook's may be.
        const timespec ahead[2] = {{time(nullptr) + 3600, 0}, {time(nullptr) + 3600, 0}};
        utimensat(AT_FDCWD, record.c_str(), ahead, 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // What a SIGKILL leaves: nothing after the chosen rename runs.
            const int kill = row.kill;
            SetAfterRenameHook([kill](size_t renamed) {
                if (static_cast<int>(renamed) == kill)
                    _exit(0);
            });
            if (kill == 0)
                SetWriteFaultHook([](const std::string&) -> bool { _exit(0); });
            _exit(WriteFilesAtomic({{photo, "new photo"}, {record, "new record"}}) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        if (row.laterRecord) {
            ASSERT_TRUE(WriteFileAtomic(record, row.laterRecord));
        }
        for (const std::string& name : FindFiles(dir.path(), "*.tmp*")) {
            if (!name.ends_with(".old"))
                AgeFile(dir.file(name));
            else if (row.oldNamesGone)
                ::unlink(dir.file(name).c_str());
        }
        removeStale(dir, "20240624");
        EXPECT_EQ(readAll(photo), row.photoAfter);
        EXPECT_EQ(readAll(record), row.recordAfter);
        EXPECT_EQ(FindFiles(dir.path(), "*.tmp*").size(), 0u);
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

    EXPECT_EQ(removeStale(dir, "202405"), 2);
    ::close(fd);
    for (const std::string& name : kept)
        EXPECT_TRUE(FileExists(dir.file(name))) << name;
    EXPECT_TRUE(FileExists(busy));
    EXPECT_FALSE(FileExists(dir.file("20240501.dat.tmpAb3xYz")));
    EXPECT_FALSE(FileExists(dir.file("Kelto.dat.tmp000000")));
    // Once its writer is gone it is abandoned too.
    EXPECT_EQ(removeStale(dir, "202405"), 1);
}

TEST(Files, ARecordInTheFolderUndoesOnlyASetThisProgramWasWriting)
{
    // Each row plants a record (and the files it names) beside a notebook's own files; the
    // next start must leave every one of these files as it was.
    const char* const own[] = {"20261012.dat", "20261012.jpg", "Kelto.dat"};
    struct Row {
        const char* name;
        bool recordStays;  // left alone (and reported), not acted on
        const char* set;   // the names of the set's files, less their suffixes
        // The bytes of its .set, .new and .old files: none, no file; "=x", a second name of x.
        std::string record, fresh, old;
    } const rows[] = {
        {"an older record with no old file for a target", true, "20261012.dat.tmpAbCdEf",
         "kelto-set 1\n20261012.dat\t\t1\nend\n", "", ""},
        {"a record whose new file is not what the target holds", false, "20261012.dat.tmpQwErTy",
         "kelto-set 2\n20261012.dat\t1\nend\n", "planted", "planted old"},
        {"a record naming a file that is not the notebook's", true, "20261012.dat.tmpZxCvBn",
         "kelto-set 2\n20261012.dat\t1\n../Kelto.dat\t1\nend\n", "", ""},
        {"a record too large to be one", true, "20261012.dat.tmpLaRgE1",
         "kelto-set 2\n20261012.dat\t1\n" + std::string(6000, '#') + "\nend\n", "", ""},
        {"a record cut short by a kill, its renames never begun", false, "20261012.dat.tmpCuT123",
         "kelto-set 2\n20261012.dat\t1\n", "new record", "=20261012.dat"},
        {"a record of a new target with the target's own file as its new file", false,
         "20261012.jpg.tmpNoDeL1", "kelto-set 2\n20261012.jpg\t0\nend\n", "=20261012.jpg", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        for (const char* name : own)
            plant(dir, name, std::string("own ") + name);
        for (const auto& [suffix, bytes] :
             {std::pair{".new", row.fresh}, {".old", row.old}, {".set", row.record}}) {
            const std::string name = row.set + std::string(suffix);
            if (bytes.starts_with("="))
                ASSERT_EQ(::link(dir.file(bytes.substr(1)).c_str(), dir.file(name).c_str()), 0);
            else if (!bytes.empty())
                plant(dir, name, bytes);
        }
        const std::vector<std::string> planted = FindFiles(dir.path(), "*.tmp*");
        removeStale(dir, "20261012");
        for (const char* name : own)
            EXPECT_EQ(readAll(dir.file(name)), std::string("own ") + name);
        EXPECT_EQ(FindFiles(dir.path(), "*.tmp*"), row.recordStays ? planted : std::vector<std::string>{});
    }
}

TEST(Files, ANotebooksLinksAreNeverFollowed)
{
    TempDir outside, dir;
    const std::string secret = outside.file("id_rsa"), secretBytes = "[Growth]\nDataHeight=1\nsecret\n";
    writeRaw(secret, secretBytes);
    ASSERT_EQ(chmod(secret.c_str(), 0640), 0);
    const std::string dat = dir.file("20240501.dat"), memo = dir.file("20240501.txt"),
                      photo = dir.file("20240501.jpg");
    for (const std::string& link : {dat, memo, photo})
        ASSERT_EQ(symlink(secret.c_str(), link.c_str()), 0);
    std::string bytes;
    EXPECT_FALSE(FileExists(memo));
    EXPECT_TRUE(NotAFile(memo));
    EXPECT_FALSE(ReadFileBytes(memo, bytes));
    EXPECT_TRUE(ChosenFileExists(memo));  // a file the user chose is taken as the system finds it
    EXPECT_TRUE(ReadChosenFileBytes(memo, bytes));
    EXPECT_EQ(FindFiles(dir.path(), "*"), std::vector<std::string>{});
    // A write replaces the link with a file of the notebook's own: the linked file is neither
    // read into it nor written, and its permissions are not taken.
    ASSERT_TRUE(IniFile::WriteChanges(dat, {{"Growth", "DataHeight", "2.0"}}, {{photo, "photo"}}));
    EXPECT_EQ(readAll(dat).find("secret"), std::string::npos);
    EXPECT_EQ(readAll(photo), "photo");
    EXPECT_EQ(readAll(secret), secretBytes);
    struct stat st;
    ASSERT_EQ(lstat(photo.c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}
