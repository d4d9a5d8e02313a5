#include "web/WebExport.h"

#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"
#include "support/CountingProgress.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace fs = std::filesystem;

namespace {
std::string readAll(const std::string& path)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

// A notebook of three days: two with photos, the middle one a record alone with a memo that
// holds markup, and a day file that keeps the photo's path on this machine.
std::string makeNotebook(const TempDir& dir, const std::string& name)
{
    const std::string nb = dir.mkdir("data/" + name);
    RequireWritten(WriteNotebookKey(nb, "StartDate", "2026/05/01"));
    RequireWritten(WriteNotebookKey(nb, "KindName", "ミニトマト"));
    RequireWritten(WriteNotebookKey(nb, "StudentName", "<b>山川</b>"));
    QImage photo(640, 480, QImage::Format_RGB32);
    for (int day : {1, 3}) {
        photo.fill(QColor(30 * day, 120, 60));
        const QDate date(2026, 5, day);
        RequireWritten(SavePictureFile(DayFilePath(nb, date, "jpg"), photo, 640, 480, 90));
        RequireWritten(IniFile::WriteString(DayFilePath(nb, date, "dat"), "Growth", "DataHeight",
                                            std::to_string(day * 2) + ".0"));
        RequireWritten(IniFile::WriteString(DayFilePath(nb, date, "dat"), "Photo", "SourcePath",
                                            dir.path() + "/camera/IMG_1.JPG"));
    }
    RequireWritten(
        IniFile::WriteString(DayFilePath(nb, QDate(2026, 5, 2), "dat"), "Weather", "Weather", "晴れ"));
    RequireWritten(WriteFileAtomic(DayFilePath(nb, QDate(2026, 5, 2), "txt"),
                                   ToCp932("<script>alert(1)</script>\r\nめが出た & \"うれしい\"\r\n")));
    return nb;
}

WebExportJob jobFor(const TempDir& dir, const std::string& notebook, const std::string& out)
{
    WebExportJob job;
    job.outFolder = out;
    job.notebookFolder = notebook;
    job.layoutFile = std::string(KELTO_KIT_DIR) + "/Layout.ini";
    job.settingsFile = dir.file("Kelto.ini");
    job.today = QDate(2026, 5, 20);
    job.video = false;  // the video has its own tests; this one needs no module
    return job;
}

// Every href and src of every page of a site.
std::vector<std::string> siteLinks(const std::string& site)
{
    std::vector<std::string> links;
    const std::regex attr(R"re((?:href|src)="([^"]*)")re");
    for (const auto& e : fs::recursive_directory_iterator(site)) {
        if (e.path().extension() != ".html")
            continue;
        const std::string page = readAll(e.path().string());
        for (std::sregex_iterator m(page.begin(), page.end(), attr), end; m != end; ++m)
            links.push_back((*m)[1]);
    }
    return links;
}

bool leftTemporaries(const std::string& folder)
{
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().find(".tmp-") != std::string::npos)
            return true;
    return false;
}
}  // namespace

TEST(WebExport, TextIsEscapedAndNamesBecomeLinkSegments)
{
    const std::pair<std::string, std::string> escapes[] = {
        {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
        {"a & b \"c\"", "a &amp; b &quot;c&quot;"},
        {"たろう", "たろう"},
    };
    for (const auto& [text, html] : escapes)
        EXPECT_EQ(HtmlEscape(text), html);
    EXPECT_EQ(LinkSegment("はな こ#1"), "%E3%81%AF%E3%81%AA%20%E3%81%93%231");
}

TEST(WebExport, OnlyAnEmptyFolderOrAnEarlierSiteIsATarget)
{
    TempDir dir;
    RequireWritten(WriteFileAtomic(dir.file("file"), "x"));
    dir.mkdir("empty");
    RequireWritten(WriteFileAtomic(dir.mkdir("site") + "/" + kWebSiteMarker, "x"));
    RequireWritten(WriteFileAtomic(dir.mkdir("letters") + "/letter.txt", "x"));
    const std::pair<const char*, bool> cases[] = {
        {"missing", true}, {"empty", true}, {"site", true}, {"site/", true}, {"letters", false}, {"file", false},
    };
    for (const auto& [name, ok] : cases)
        EXPECT_EQ(CheckWebTarget(dir.file(name)).ok(), ok) << name;
    EXPECT_EQ(CheckWebTarget(dir.file("letters")).message, Msg::WebTargetNotSite);
}

TEST(WebExport, NotebookSiteIsCompleteRelativeAndSafe)
{
    TempDir dir;
    const std::string nb = makeNotebook(dir, "たろう");
    const std::string site = dir.file("site");
    CountingProgress progress;
    const WebExportReport r = ExportWebSite(jobFor(dir, nb, site), progress);
    ASSERT_TRUE(r.ok()) << ResultText(r.result);
    EXPECT_EQ(r.pages, 5);  // the index, three days, one month
    EXPECT_EQ(r.photos, 2);
    EXPECT_FALSE(leftTemporaries(dir.path()));
    EXPECT_TRUE(FileExists(JoinPath(site, kWebSiteMarker)));
    for (const char* day : {"20260501", "20260503"}) {
        EXPECT_EQ(readAll(site + "/photos/" + day + ".jpg"), readAll(nb + "/" + day + ".jpg")) << day;
        QImage thumb(QString::fromStdString(site + "/thumbs/" + day + ".jpg"));
        EXPECT_EQ(thumb.size(), QSize(kWebThumbWidth, kWebThumbHeight)) << day;
    }
    // Each link leads to a file of the site, by a relative path.
    for (const std::string& link : siteLinks(site)) {
        EXPECT_TRUE(link.find(':') == std::string::npos && link[0] != '/') << link;
        EXPECT_TRUE(fs::exists(site + "/" + link.substr(0, link.find('#')))) << link;
    }
    const std::string memoDay = readAll(site + "/day-20260502.html");
    EXPECT_NE(memoDay.find("&lt;script&gt;alert(1)&lt;/script&gt;<br>\nめが出た &amp; &quot;うれしい&quot;"),
              std::string::npos)
        << memoDay;
    EXPECT_NE(memoDay.find("href=\"day-20260501.html\""), std::string::npos);
    EXPECT_NE(memoDay.find("href=\"day-20260503.html\""), std::string::npos);
    EXPECT_NE(memoDay.find("<td>晴れ</td>"), std::string::npos);
    EXPECT_NE(readAll(site + "/index.html").find("&lt;b&gt;山川&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(readAll(site + "/month-202605.html").find("<svg class=\"graph\""), std::string::npos);
    for (const auto& e : fs::recursive_directory_iterator(site)) {
        const std::string text = readAll(e.path().string());
        EXPECT_EQ(text.find(dir.path()), std::string::npos) << e.path();
        EXPECT_EQ(text.find("IMG_1"), std::string::npos) << e.path();
    }
}

TEST(WebExport, AStopOrARefusalLeavesTheTargetAsItWas)
{
    TempDir dir;
    const std::string nb = makeNotebook(dir, "たろう");
    const std::string site = dir.file("site");
    CountingProgress progress;
    ASSERT_TRUE(ExportWebSite(jobFor(dir, nb, site), progress).ok());
    RequireWritten(WriteFileAtomic(site + "/old.html", "earlier"));

    CountingProgress stop;
    stop.cancel();
    const WebExportReport stopped = ExportWebSite(jobFor(dir, nb, site), stop);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(readAll(site + "/old.html"), "earlier");
    EXPECT_FALSE(leftTemporaries(dir.path()));

    const std::string letters = dir.mkdir("letters");
    RequireWritten(WriteFileAtomic(letters + "/letter.txt", "mine"));
    const WebExportReport refused = ExportWebSite(jobFor(dir, nb, letters), progress);
    EXPECT_EQ(refused.result.message, Msg::WebTargetNotSite);
    EXPECT_EQ(fs::directory_iterator(letters)->path().filename(), "letter.txt");
    EXPECT_EQ(readAll(letters + "/letter.txt"), "mine");

    // A later export replaces the earlier site as a whole.
    ASSERT_TRUE(ExportWebSite(jobFor(dir, nb, site), progress).ok());
    EXPECT_FALSE(FileExists(site + "/old.html"));
    EXPECT_FALSE(leftTemporaries(dir.path()));
}

TEST(WebExport, ClassListsEveryNotebookAndAnUnreadableOneWithItsReason)
{
    TempDir dir;
    makeNotebook(dir, "たろう");
    const std::string broken = makeNotebook(dir, "じろう");
    RequireWritten(WriteFileAtomic(DayFilePath(broken, QDate(2026, 5, 3), "jpg"), "not a photo"));
    WebExportJob job = jobFor(dir, {}, dir.file("class"));
    job.dataRoot = dir.file("data");
    CountingProgress progress;
    const WebExportReport r = ExportWebSite(job, progress);
    ASSERT_TRUE(r.ok()) << ResultText(r.result);
    ASSERT_EQ(r.notebooks.size(), 2u);
    const WebNotebookSummary& jiro = r.notebooks[0];
    const WebNotebookSummary& taro = r.notebooks[1];
    EXPECT_EQ(jiro.name, "じろう");
    EXPECT_NE(jiro.failure.find("20260503.jpg"), std::string::npos) << jiro.failure;
    EXPECT_EQ(jiro.failure.find(dir.path()), std::string::npos) << jiro.failure;
    EXPECT_FALSE(fs::exists(dir.file("class/じろう")));
    EXPECT_TRUE(taro.failure.empty());
    EXPECT_EQ(taro.days, 3);
    EXPECT_EQ(taro.lastDay, QDate(2026, 5, 3));
    EXPECT_FLOAT_EQ(taro.latestHeight, 6.0f);
    EXPECT_EQ(taro.heights, (std::vector<std::pair<int, float>>{{0, 2.0f}, {2, 6.0f}}));
    const std::string page = readAll(dir.file("class/index.html"));
    EXPECT_NE(page.find("href=\"" + LinkSegment("たろう") + "/index.html\""), std::string::npos);
    EXPECT_NE(page.find("class=\"failed\""), std::string::npos);
    EXPECT_TRUE(FileExists(dir.file("class/たろう/index.html")));
}
