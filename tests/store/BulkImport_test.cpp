#include "store/BulkImport.h"

#include "platform/IniFile.h"
#include "support/CountingProgress.h"
#include "support/PhotoFiles.h"
#include "support/RequireWritten.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

struct ImportRun {
    TempDir photos, notebook;
    BulkImportOptions options;
    CountingProgress progress;
    BulkImportHooks hooks;
    ImportRun()
    {
        options.notebookFolder = notebook.path();
        options.pictures = PictureSettings{64, 48, 90};
        options.threads = 1;
        options.today = QDate(2024, 6, 1);
    }
    BulkImportReport run() { return RunBulkImport(ListPhotoFiles(photos.path()), options, progress, hooks); }
    std::string day(const char* yyyymmdd, const char* ext) const
    {
        return notebook.file(std::string(yyyymmdd) + "." + ext);
    }
    std::string source(const char* yyyymmdd) const
    {
        return IniFile::ReadString(day(yyyymmdd, "dat"), "Picture", "SourcePath");
    }
    QByteArray bytes(const std::string& path) const
    {
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
};

RotateAsk answering(RotationChoice choice, int* asked)
{
    return [choice, asked](const RotateRequest& r) {
        EXPECT_TRUE(r.bulk);
        ++*asked;
        return RotateAnswer{true, choice, TrimRadio::None};
    };
}

}  // namespace

TEST(BulkImport, PhotoNamesAreMatchedByTheirLastExtensionInAnyCase)
{
    const std::pair<const char*, bool> cases[] = {
        {"a.jpg", true},      {"b.JPG", true},   {"c.Jpeg", true}, {"d.bmp", true},
        {"e.BMP", true},      {"f.png", false},  {"jpg", false},   {"g.jpg.txt", false},
        {"h.tar.jpeg", true}, {"i.jpgx", false}, {"", false},
    };
    for (const auto& [name, photo] : cases)
        EXPECT_EQ(IsPhotoFileName(name), photo) << name;

    TempDir dir;
    for (const char* name : {"z.JPG", "a.png", "m.bmp", "noext", "b.jpeg"})
        QFile(QString::fromStdString(dir.file(name))).open(QIODevice::WriteOnly);
    dir.mkdir("folder.jpg");
    EXPECT_EQ(ListPhotoFiles(dir.path()),
              (std::vector<std::string>{dir.file("b.jpeg"), dir.file("m.bmp"), dir.file("z.JPG")}));
    EXPECT_TRUE(ListPhotoFiles(dir.file("missing")).empty());
}

TEST(BulkImport, NameOrderDecidesTheDayAndBadFilesAreCounted)
{
    ImportRun r;
    WritePhoto(r.photos, "b.jpg", {320, 240}, "2024:05:02 08:00:00");
    WritePhoto(r.photos, "a.JPG", {320, 240}, "2024:05:02 09:00:00");
    WritePhoto(r.photos, "c.jpg", {320, 240}, "2024:05:03 08:00:00");
    WritePhoto(r.photos, "d.jpg", {320, 240}, "");
    QFile junk(QString::fromStdString(r.photos.file("e.jpg")));
    junk.open(QIODevice::WriteOnly);
    junk.write("not a picture");
    junk.close();
    WritePhoto(r.photos, "f.png", {320, 240}, "2024:05:04 08:00:00");
    // An existing day keeps its measurements and memo.
    RequireWritten(IniFile::WriteString(r.day("20240503", "dat"), "Growth", "DataHeight", "12.5"));
    QFile memo(QString::fromStdString(r.day("20240503", "txt")));
    memo.open(QIODevice::WriteOnly);
    memo.write("memo");
    memo.close();
    std::vector<std::string> askedUndated;
    r.hooks.askUndated = [&](const std::string& path) {
        askedUndated.push_back(path);
        return UndatedAnswer::Skip;
    };

    BulkImportReport rep = r.run();
    EXPECT_EQ(rep.matching, 5);
    EXPECT_EQ(rep.imported, 2);  // two days: the later name replaced the earlier photo of 5/2
    EXPECT_EQ(rep.steps, 4);     // the undated photo makes no step
    EXPECT_EQ(r.progress.maximum, 5);
    EXPECT_EQ(r.progress.value, 4);
    EXPECT_EQ(askedUndated, std::vector<std::string>(1, r.photos.file("d.jpg")));
    EXPECT_EQ(rep.undated, askedUndated);
    EXPECT_EQ(rep.unreadable, std::vector<std::string>(1, r.photos.file("e.jpg")));
    EXPECT_EQ(r.source("20240502"), r.photos.file("b.jpg"));
    EXPECT_EQ(r.source("20240503"), r.photos.file("c.jpg"));
    EXPECT_EQ(IniFile::ReadString(r.day("20240503", "dat"), "Growth", "DataHeight"), "12.5");
    EXPECT_EQ(r.bytes(r.day("20240503", "txt")), "memo");
    EXPECT_EQ(rep.lastDate, QDate(2024, 5, 3));
    QImage saved;
    ASSERT_TRUE(LoadPictureFile(r.day("20240502", "jpg"), saved));
    EXPECT_EQ(saved.size(), QSize(64, 48));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(r.day("20240504", "jpg"))));
    ASSERT_EQ(rep.replaced.size(), 1u);
    EXPECT_EQ(rep.replaced[0].replaced, r.photos.file("a.JPG"));
    EXPECT_EQ(rep.replaced[0].by, r.photos.file("b.jpg"));
    const std::string summary = BulkImportSummary(rep);
    EXPECT_NE(summary.find("\n  e.jpg\n"), std::string::npos) << summary;
    EXPECT_NE(BulkImportSummary(rep, SummaryLanguage::English).find(r.photos.file("e.jpg")),
              std::string::npos);
    EXPECT_NE(summary.find("2日分の写真を取り込みました"), std::string::npos) << summary;
    EXPECT_NE(summary.find("2024-05-02  a.JPG → b.jpg"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("imported"), std::string::npos) << "one language: " << summary;
}

TEST(BulkImport, OneRotationQuestionPerRunAndParallelWritesTheSameFiles)
{
    QByteArray single;
    for (int threads : {1, 2, 3}) {
        ImportRun r;
        r.options.threads = threads;
        for (int i = 1; i <= 5; ++i)
            WritePhoto(r.photos, "p" + std::to_string(i) + ".jpg", i == 2 ? QSize{320, 240} : QSize{240, 320},
                       "2024:05:0" + std::to_string(i) + " 08:00:00");
        int asked = 0;
        r.hooks.askRotation = answering(RotationChoice::Clockwise, &asked);
        BulkImportReport rep = r.run();
        EXPECT_EQ(asked, 1) << threads;
        EXPECT_EQ(rep.imported, 5);
        EXPECT_EQ(rep.rotation, RotationChoice::Clockwise);
        QByteArray all;
        for (const char* d : {"20240501", "20240502", "20240503", "20240504", "20240505"})
            all += r.bytes(r.day(d, "jpg"));
        if (threads == 1)
            single = all;
        else
            EXPECT_EQ(all, single) << threads;
    }
}

TEST(BulkImport, PortraitPhotosWithoutAChoiceAreSkippedOrTakeTheGivenOne)
{
    for (RotationChoice given : {RotationChoice::None, RotationChoice::KeepTopBottom}) {
        ImportRun r;
        r.options.threads = 2;
        r.options.rotation = given;
        WritePhoto(r.photos, "a.jpg", {240, 320}, "2024:05:01 08:00:00");
        WritePhoto(r.photos, "b.jpg", {320, 240}, "2024:05:02 08:00:00");
        BulkImportReport rep = r.run();
        EXPECT_EQ(rep.imported, given == RotationChoice::None ? 1 : 2);
        EXPECT_EQ(rep.portraitSkipped.size(), given == RotationChoice::None ? 1u : 0u);
        EXPECT_EQ(rep.steps, 2);
    }
}

TEST(BulkImport, StopAndQuestionsEndTheRunOrGoOn)
{
    enum Ending { StopNo, StopYes, RotationCancelled, UndatedYes };
    for (Ending e : {StopNo, StopYes, RotationCancelled, UndatedYes}) {
        ImportRun r;
        WritePhoto(r.photos, "a.jpg", {320, 240}, "2024:05:01 08:00:00");
        WritePhoto(r.photos, "b.jpg", e == UndatedYes ? QSize{320, 240} : QSize{240, 320},
                   e == UndatedYes ? "" : "2024:05:02 08:00:00");
        WritePhoto(r.photos, "c.jpg", {320, 240}, "2024:05:03 08:00:00");
        int asked = 0;
        r.hooks.write = [&](const DayRecord& day) {
            if (day.date.day() == 1)
                r.progress.cancel();
            return WriteDayFiles(r.notebook.path(), day, r.options.pictures);
        };
        r.hooks.confirmStop = [&] { return e == StopYes; };
        r.hooks.askUndated = [](const std::string&) { return UndatedAnswer::Stop; };
        r.hooks.askRotation = [&](const RotateRequest&) {
            ++asked;
            return RotateAnswer{e != RotationCancelled, RotationChoice::CutTopBottom, TrimRadio::None};
        };
        BulkImportReport rep = r.run();
        EXPECT_EQ(rep.imported, e == StopNo ? 3 : 1) << e;
        EXPECT_EQ(rep.stopped, e != StopNo) << e;
        EXPECT_FALSE(rep.failed);
        if (e != StopYes) {
            EXPECT_FALSE(r.progress.cancelled()) << "No clears the flag";
        }
    }
}

TEST(BulkImport, WeatherOfTodayIsLeftOutAndFailuresNameTheirDay)
{
    enum Case { TodayGoesOn, FetchFails, WriteFails };
    for (Case c : {TodayGoesOn, FetchFails, WriteFails}) {
        ImportRun r;
        WritePhoto(r.photos, "a.jpg", {320, 240}, "2024:05:31 08:00:00");
        WritePhoto(r.photos, "b.jpg", {320, 240}, "2024:06:01 08:00:00");  // today
        WritePhoto(r.photos, "c.jpg", {320, 240}, "2024:05:30 08:00:00");
        std::vector<QDate> fetched;
        r.hooks.weather = [&](const QDate& date, DayWeather& out) {
            fetched.push_back(date);
            out.HighTemp = 25;
            return c == FetchFails && date.day() == 30 ? DayWeatherOutcome::Failed
                                                       : DayWeatherOutcome::Fetched;
        };
        if (c == WriteFails)
            r.hooks.write = [](const DayRecord& day) {
                return day.date.month() == 6 ? Result::Failed(Msg::PictureSaveFailed, "x.jpg") : Result{};
            };
        BulkImportReport rep = r.run();
        // Today's photo asks for no weather; a write failure ends the run before the last photo.
        const std::vector<QDate> expected = c == WriteFails
                                                ? std::vector<QDate>{QDate(2024, 5, 31)}
                                                : std::vector<QDate>{QDate(2024, 5, 31), QDate(2024, 5, 30)};
        EXPECT_EQ(fetched, expected) << c;
        switch (c) {
        case TodayGoesOn:
            EXPECT_EQ(rep.imported, 3);
            EXPECT_EQ(rep.weatherNotPublished, std::vector<QDate>{QDate(2024, 6, 1)});
            EXPECT_EQ(IniFile::ReadString(r.day("20240531", "dat"), "Weather", "HighTemp"), "25.0");
            EXPECT_EQ(IniFile::ReadString(r.day("20240601", "dat"), "Weather", "HighTemp"), "");
            break;
        case FetchFails:
        case WriteFails:
            EXPECT_TRUE(rep.failed);
            EXPECT_EQ(rep.imported, c == FetchFails ? 2 : 1);
            EXPECT_EQ(rep.failedDay, c == FetchFails ? QDate(2024, 5, 30) : QDate(2024, 6, 1));
            EXPECT_NE(BulkImportSummary(rep).find(rep.failedDay.toString(Qt::ISODate).toStdString()),
                      std::string::npos);
            break;
        }
    }
}

TEST(BulkImport, NoDayAfterTodayAndHostileNamesAreStoredCleaned)
{
    ImportRun r;  // today: 2024-06-01
    const std::string injecting = "b\n[Growth]\nDataHeight=777\n[Triming]\nSize=1,1\n.jpg";
    WritePhoto(r.photos, "a.jpg", {320, 240}, "2024:05:01 08:00:00");
    WritePhoto(r.photos, injecting, {320, 240}, "2024:05:02 08:00:00");
    WritePhoto(r.photos, "c🌱.jpg", {320, 240}, "2024:05:03 08:00:00");
    WritePhoto(r.photos, "d.jpg", {320, 240}, "2027:01:05 08:00:00");
    WritePhoto(r.photos, "e.jpg", {320, 240}, "2024:06:02 08:00:00");  // tomorrow
    for (const char* name : {"u1.jpg", "u2.jpg", "u3.jpg"})
        WritePhoto(r.photos, name, {320, 240}, "");
    int askedUndated = 0;
    r.hooks.askUndated = [&](const std::string&) {
        ++askedUndated;
        return UndatedAnswer::SkipAll;
    };
    BulkImportReport rep = r.run();

    EXPECT_EQ(askedUndated, 1);  // "the same for all"
    EXPECT_EQ(rep.undated.size(), 3u);
    EXPECT_FALSE(rep.failed || rep.stopped);
    EXPECT_EQ(rep.imported, 3);
    EXPECT_EQ(rep.lastDate, QDate(2024, 5, 3));
    const std::vector<std::pair<QDate, std::string>> later = {{QDate(2027, 1, 5), r.photos.file("d.jpg")},
                                                              {QDate(2024, 6, 2), r.photos.file("e.jpg")}};
    EXPECT_EQ(rep.afterToday, later);
    EXPECT_TRUE(QDir(QString::fromStdString(r.notebook.path())).entryList({"2027*", "20240602*"}).isEmpty());
    // Every day of the run is written whole, its photo's name on one line.
    EXPECT_EQ(rep.nameReplaced,
              (std::vector<std::string>{r.photos.file(injecting), r.photos.file("c🌱.jpg")}));
    EXPECT_EQ(r.source("20240502"), r.photos.file("b [Growth] DataHeight=777 [Triming] Size=1,1 .jpg"));
    EXPECT_EQ(IniFile::ReadString(r.day("20240502", "dat"), "Growth", "DataHeight", "absent"), "absent");
    EXPECT_EQ(IniFile::ReadString(r.day("20240502", "dat"), "Triming", "Size", "absent"), "absent");
    EXPECT_EQ(r.source("20240503"), r.photos.file("c?.jpg"));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(r.day("20240503", "jpg"))));
    const std::string summary = BulkImportSummary(rep);
    EXPECT_NE(summary.find("2027-01-05  d.jpg"), std::string::npos) << summary;
    EXPECT_NE(summary.find("カメラの時計"), std::string::npos) << summary;
    EXPECT_NE(BulkImportSummary(rep, SummaryLanguage::English).find("camera clock?"), std::string::npos);
}

// The run reports success only once the folder holding its days has been synced: a folder that
// cannot be synced fails the run, naming the folder, after the last day written.
TEST(BulkImport, RunFailsWhenItsDaysCannotBeMadeDurable)
{
    ImportRun r;
    WritePhoto(r.photos, "a.jpg", {320, 240}, "2024:05:01 08:00:00");
    WritePhoto(r.photos, "b.jpg", {320, 240}, "2024:05:02 08:00:00");
    r.options.notebookFolder = r.notebook.file("gone");
    r.hooks.write = [](const DayRecord&) { return Result{}; };
    BulkImportReport rep = r.run();
    EXPECT_EQ(rep.imported, 2);
    EXPECT_TRUE(rep.failed);
    EXPECT_EQ(rep.failedDay, QDate(2024, 5, 2));
    EXPECT_EQ(rep.failure.message, Msg::DayWriteFailed);
    EXPECT_EQ(rep.failure.path, r.options.notebookFolder);
}
