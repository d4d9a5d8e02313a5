// The command-line forms run as a user runs them: what they print and the files they leave.
#include "app/CliTools.h"

#include "platform/IniFile.h"
#include "store/NotebookFile.h"
#include "support/PhotoFiles.h"
#include "support/RequireWritten.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
// A notebook starting on May 10 and a portrait photo of May 2 (red top half, blue bottom half).
struct CliRun {
    TempDir program, photos, notebook;
    std::string printed;  // stdout and stderr of the last run
    CliRun()
    {
        RequireWritten(WriteNotebookKey(notebook.path(), "StartDate", "2024/05/10"));
        WritePhoto(photos, "p.jpg", {48, 64}, "2024:05:02 08:00:00");
    }
    int run(std::vector<std::string> args, const std::string& folder = {})
    {
        args.insert(args.end(), {"--notebook", folder.empty() ? notebook.path() : folder});
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = RunCommandLineTool(ParseCommandLine(args), program.path());
        printed = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        return status;
    }
};
}  // namespace

TEST(CliTools, EachRotationPutsThePhotosTopWhereItSays)
{
    // Red (R), blue (B) or the bars of a photo kept whole (-) at the top left, top right, bottom
    // left and bottom right quarters and the corner: clockwise the top goes right.
    const std::pair<const char*, const char*> cases[] = {
        {"cw", "BRBRB"}, {"ccw", "RBRBR"}, {"cut", "RRBBR"}, {"keep", "RRBB-"}};
    for (const auto& [rotate, expected] : cases) {
        CliRun r;
        ASSERT_EQ(r.run({"--import-photos", r.photos.path(), "--rotate", rotate}), 0);
        QImage saved;
        ASSERT_TRUE(LoadPictureFile(r.notebook.file("20240502.jpg"), saved)) << r.printed;
        std::string colours;
        for (auto [x, y] : {std::pair{160, 120}, {480, 120}, {160, 360}, {480, 360}, {2, 2}}) {
            const QRgb c = saved.pixel(x, y);
            colours += qRed(c) > 180 && qBlue(c) < 80 ? 'R' : qBlue(c) > 180 && qRed(c) < 80 ? 'B' : '-';
        }
        EXPECT_EQ(colours, expected) << rotate;
    }
}

TEST(CliTools, MessagesSayTheCauseAndTheStartDateMovesOnlyWhenAsked)
{
    CliRun r;
    // A day, a place and a site to ask, were the internet not switched off (as Kelto.ini says).
    RequireWritten(IniFile::WriteString(r.notebook.file("20240502.dat"), "Growth", "DataHeight", "1.0"));
    RequireWritten(IniFile::WriteString(r.program.file("Kelto.ini"), "Data", "Place", "47662"));
    RequireWritten(
        IniFile::WriteString(r.program.file("Weather.ini"), "Net", "HostName", "http://127.0.0.1:9"));
    const TempDir plain, piped;
    ASSERT_EQ(::mkfifo(piped.file("Kelto.dat").c_str(), 0600), 0);
    const std::string photos = r.photos.path(), out = r.program.file("out");
    // In order: a row sees the notebook the rows before it left.
    const struct {
        std::vector<std::string> args;
        std::string folder;  // none: the notebook
        int status;
        const char* said;
        const char* start;  // the start date afterwards
    } cases[] = {
        {{"--fetch-weather"}, {}, 1, "EnableInternet=0", "2024/05/10"},
        {{"--import-photos", photos, "--rotate", "cw", "--weather"}, {}, 1, "EnableInternet=0", "2024/05/10"},
        {{"--export-csv", out}, plain.path(), 1, "(no Kelto.dat)", "2024/05/10"},
        {{"--print-pdf", out}, piped.path(), 1, "not a regular file", "2024/05/10"},
        {{"--import-photos", photos, "--rotate", "cw"}, {}, 0, "--move-start --notebook", "2024/05/10"},
        {{"--move-start"}, {}, 0, "2024-05-02", "2024/05/02"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(r.run(c.args, c.folder), c.status) << c.args[0] << ": " << r.printed;
        EXPECT_NE(r.printed.find(c.said), std::string::npos) << c.args[0] << ": " << r.printed;
        EXPECT_EQ(ReadNotebookInfo(r.notebook.path()).StartDate, c.start) << c.args[0];
    }
}
