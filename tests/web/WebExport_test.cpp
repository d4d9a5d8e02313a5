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
#include <utility>

namespace fs = std::filesystem;

namespace {
const char* const kLongWeather = "曇一時雨、雷を伴う所もある";

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
        IniFile::WriteString(DayFilePath(nb, QDate(2026, 5, 2), "dat"), "Weather", "Weather", kLongWeather));
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

// A notebook and the site exported from it.
class WebExportSite : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(first.ok()) << ResultText(first.result); }
    TempDir dir;
    const std::string nb = makeNotebook(dir, "たろう");
    const std::string site = dir.file("site");
    CountingProgress progress;
    const WebExportReport first = ExportWebSite(jobFor(dir, nb, site), progress);
};
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
    EXPECT_EQ(LinkSegment(ToCp932("はなこ") + "/a.b"), "%82%CD%82%C8%82%B1%2Fa.b");  // the bytes, not UTF-8
}

TEST_F(WebExportSite, OnlyAnEmptyFolderOrAnEarlierSiteIsATarget)
{
    RequireWritten(WriteFileAtomic(dir.file("file"), "x"));
    dir.mkdir("empty");
    RequireWritten(WriteFileAtomic(dir.mkdir("letters") + "/letter.txt", "x"));
    // Markers planted by hand: in a notebook, in the data root, beside an index.
    RequireWritten(WriteFileAtomic(JoinPath(nb, kWebSiteMarker), ""));
    RequireWritten(WriteFileAtomic(dir.file("data/") + kWebSiteMarker, readAll(dir.file("site/.kelto-web"))));
    fs::copy(site, dir.file("bare"), fs::copy_options::recursive);
    RequireWritten(WriteFileAtomic(dir.file("bare/") + kWebSiteMarker, ""));
    fs::copy(site, dir.file("hiding"), fs::copy_options::recursive);
    fs::copy(nb, dir.file("hiding/photos/nb"), fs::copy_options::recursive);
    fs::create_directory_symlink(site, dir.file("link"));
    // The answer for each target, with no notebook exported or the one named.
    const std::tuple<Msg, const char*, std::vector<const char*>> cases[] = {
        {Msg::None, "", {"missing", "empty", "site", "site/"}},
        {Msg::WebTargetNotSite, "", {"letters", "data/たろう", "data", "bare", "hiding"}},
        {Msg::WebTargetNotFolder, "", {"file"}},
        {Msg::WebTargetIsLink, "", {"link"}},
        {Msg::None, "data/たろう", {"data/new"}},
        {Msg::WebTargetHoldsNotebook, "data/たろう", {"data/たろう/site", "data/たろう"}},
        {Msg::WebTargetHoldsNotebook, "data", {"."}},
    };
    for (const auto& [want, source, targets] : cases)
        for (const char* name : targets)
            EXPECT_EQ(CheckWebTarget(dir.file(name), *source ? dir.file(source) : "").message, want) << name;
    EXPECT_EQ(ExportWebSite(jobFor(dir, nb, nb), progress).result.message, Msg::WebTargetHoldsNotebook);
    EXPECT_TRUE(FileExists(NotebookFilePath(nb)));
}

TEST_F(WebExportSite, AKilledExportIsFinishedOrUndoneAndItsTemporariesGo)
{
    const std::string out = dir.file("out"), gone = "-999999999-";  // above any process id handed out
    const std::string living = dir.file(".out.tmp-" + std::to_string(getppid()) + "-0");
    const std::string notebook = dir.file(".out.tmp" + gone + "9");
    fs::create_directory(living);
    fs::copy(nb, notebook, fs::copy_options::recursive);
    // A swap cut between its two steps: the old site moved aside, the new one built whole or not;
    // found by the next export to the target, or by the next start through the export's note.
    for (const bool complete : {true, false}) {
        const std::string old = dir.file(".out.old" + gone + "0"), fresh = dir.file(".out.tmp" + gone + "1");
        fs::copy(site, old, fs::copy_options::recursive);
        fs::copy(site, fresh, fs::copy_options::recursive);
        RequireWritten(WriteFileAtomic(fresh + "/index.html", "new"));
        if (complete) {
            RecoverWebTarget(out);
        } else {
            fs::remove(fresh + "/" + kWebSiteMarker);
            const std::string note = dir.file(".kelto-web-export" + gone.substr(0, gone.size() - 1));
            RequireWritten(WriteFileAtomic(note, out));
            RecoverWebExports(dir.file("Kelto.ini"));
            EXPECT_FALSE(fs::exists(note));
        }
        EXPECT_EQ(readAll(out + "/index.html") == "new", complete);
        EXPECT_FALSE(fs::exists(old) || fs::exists(fresh)) << complete;
        EXPECT_TRUE(fs::exists(living) && FileExists(NotebookFilePath(notebook))) << complete;
        fs::remove_all(out);
    }
}

TEST_F(WebExportSite, NotebookSiteIsCompleteRelativeAndSafe)
{
    EXPECT_EQ(first.pages, 5);  // the index, three days, one month
    EXPECT_EQ(first.photos, 2);
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
    // The weather text whole, where the drawn pages cut it to their cells.
    EXPECT_NE(memoDay.find(std::string("<td>") + kLongWeather + "</td>"), std::string::npos);
    const std::string month = readAll(site + "/month-202605.html");
    EXPECT_NE(month.find(std::string(">") + kLongWeather + "</td>"), std::string::npos);
    EXPECT_NE(readAll(site + "/index.html").find("&lt;b&gt;山川&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(month.find("<svg class=\"graph\""), std::string::npos);
    for (const auto& e : fs::recursive_directory_iterator(site)) {
        const std::string text = readAll(e.path().string());
        EXPECT_EQ(text.find(dir.path()), std::string::npos) << e.path();
        EXPECT_EQ(text.find("IMG_1"), std::string::npos) << e.path();
    }
}

TEST_F(WebExportSite, AStopOrARefusalLeavesTheTargetAsItWas)
{
    RequireWritten(WriteFileAtomic(site + "/index.html", "earlier"));

    CountingProgress stop;
    stop.cancel();
    const WebExportReport stopped = ExportWebSite(jobFor(dir, nb, site), stop);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(readAll(site + "/index.html"), "earlier");
    EXPECT_FALSE(leftTemporaries(dir.path()));

    const std::string letters = dir.mkdir("letters");
    RequireWritten(WriteFileAtomic(letters + "/letter.txt", "mine"));
    const WebExportReport refused = ExportWebSite(jobFor(dir, nb, letters), progress);
    EXPECT_EQ(refused.result.message, Msg::WebTargetNotSite);
    EXPECT_EQ(fs::directory_iterator(letters)->path().filename(), "letter.txt");
    EXPECT_EQ(readAll(letters + "/letter.txt"), "mine");

    // A later export replaces the earlier site as a whole.
    ASSERT_TRUE(ExportWebSite(jobFor(dir, nb, site), progress).ok());
    EXPECT_NE(readAll(site + "/index.html"), "earlier");
    EXPECT_FALSE(leftTemporaries(dir.path()));

    // The target looked at again before the swap: a notebook put in the site's place meanwhile,
    // with the site's marker, stays.
    SetWriteFaultHook([&, swapped = false](const std::string&) mutable {
        if (!std::exchange(swapped, true)) {
            fs::rename(site, site + ".moved");
            fs::copy(nb, site, fs::copy_options::recursive);
            fs::copy(site + ".moved/" + kWebSiteMarker, site);
        }
        return false;
    });
    EXPECT_EQ(ExportWebSite(jobFor(dir, nb, site), progress).result.message, Msg::WebTargetNotSite);
    SetWriteFaultHook({});
    EXPECT_EQ(readAll(NotebookFilePath(site)), readAll(NotebookFilePath(nb)));
    EXPECT_TRUE(FileExists(site + "/20260502.txt"));
    EXPECT_FALSE(leftTemporaries(dir.path()));
}

TEST(WebExport, ClassListsEveryNotebookAndAnUnreadableOneWithItsReason)
{
    TempDir dir;
    makeNotebook(dir, "たろう");
    const std::string broken = makeNotebook(dir, "じろう");
    RequireWritten(WriteFileAtomic(DayFilePath(broken, QDate(2026, 5, 3), "jpg"), "not a photo"));
    // Folder names the class site's own files have, and one made on Windows (CP932 bytes).
    for (const char* name : {"index.html", "style.css"})
        makeNotebook(dir, name);
    fs::rename(makeNotebook(dir, "はなこ"), dir.file("data/" + ToCp932("はなこ")));
    // Photos from before the start date.
    RequireWritten(WriteNotebookKey(makeNotebook(dir, "さぶろう"), "StartDate", "2026/05/03"));
    WebExportJob job = jobFor(dir, {}, dir.file("class"));
    job.dataRoot = dir.file("data");
    CountingProgress progress;
    const WebExportReport r = ExportWebSite(job, progress);
    ASSERT_TRUE(r.ok()) << ResultText(r.result);
    ASSERT_EQ(r.notebooks.size(), 6u);
    EXPECT_EQ(r.failedNotebooks(), 1);
    const WebNotebookSummary& jiro = r.notebooks[3];
    const WebNotebookSummary& taro = r.notebooks[4];
    EXPECT_EQ(jiro.name, "じろう");
    EXPECT_NE(jiro.failure.find("20260503.jpg"), std::string::npos) << jiro.failure;
    EXPECT_EQ(jiro.failure.find(dir.path()), std::string::npos) << jiro.failure;
    EXPECT_FALSE(fs::exists(dir.file("class/notebooks/じろう")));
    EXPECT_TRUE(taro.failure.empty());
    EXPECT_EQ(taro.days, 3);
    EXPECT_EQ(taro.lastDay, QDate(2026, 5, 3));
    EXPECT_FLOAT_EQ(taro.latestHeight, 6.0f);
    EXPECT_EQ(taro.heights, (std::vector<std::pair<int, float>>{{0, 2.0f}, {2, 6.0f}}));
    EXPECT_EQ(r.notebooks[2].startDate, "2026年5月1日");  // さぶろう: the first day, not the stored start
    EXPECT_NE(readAll(dir.file("class/notebooks/さぶろう/day-20260501.html")).find("<small>1日目</small>"),
              std::string::npos);
    const std::string page = readAll(dir.file("class/index.html"));
    EXPECT_NE(page.find("class=\"failed\""), std::string::npos);
    for (const std::string& name : {std::string("たろう"), std::string("index.html"), ToCp932("はなこ")}) {
        EXPECT_NE(page.find("href=\"notebooks/" + LinkSegment(name) + "/index.html\""), std::string::npos)
            << name;
        EXPECT_TRUE(FileExists(dir.file("class/notebooks/" + name + "/index.html"))) << name;
    }
    EXPECT_NE(readAll(dir.file("class/notebooks/たろう/index.html")).find("href=\"../../index.html\""),
              std::string::npos);
    // A page of the site that cannot be written (a full disk) fails the whole run; the site stays.
    SetWriteFaultHook([](const std::string& path) { return path.find("day-20260502") != std::string::npos; });
    const WebExportReport full = ExportWebSite(job, progress);
    SetWriteFaultHook({});
    EXPECT_EQ(full.result.message, Msg::WebExportFailed);
    EXPECT_NE(full.result.path.find("day-20260502.html"), std::string::npos) << full.result.path;
    EXPECT_EQ(readAll(dir.file("class/index.html")), page);
    EXPECT_FALSE(leftTemporaries(dir.path()));
    // The temporary folder's own removal stops at a name that is not UTF-8.
    for (const char* made : {"data", "class"})
        fs::remove_all(dir.file(made));
}
