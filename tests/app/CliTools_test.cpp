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
    CliRun()
    {
        RequireWritten(WriteNotebookKey(notebook.path(), "StartDate", "2024/05/10"));
        WritePhoto(photos, "p.jpg", {48, 64}, "2024:05:02 08:00:00");
    }
    int run(const std::vector<std::string>& args, std::string& printed) const
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = RunCommandLineTool(ParseCommandLine(args), program.path());
        printed = testing::internal::GetCapturedStdout();
        printed += testing::internal::GetCapturedStderr();
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
        std::string printed, colours;
        ASSERT_EQ(
            r.run({"--import-photos", r.photos.path(), "--notebook", r.notebook.path(), "--rotate", rotate},
                  printed),
            0);
        QImage saved;
        ASSERT_TRUE(LoadPictureFile(r.notebook.file("20240502.jpg"), saved)) << printed;
        for (QPoint p :
             {QPoint(160, 120), QPoint(480, 120), QPoint(160, 360), QPoint(480, 360), QPoint(2, 2)}) {
            const QRgb c = saved.pixel(p);
            colours += qRed(c) > 180 && qBlue(c) < 80 ? 'R' : qBlue(c) > 180 && qRed(c) < 80 ? 'B' : '-';
        }
        EXPECT_EQ(colours, expected) << rotate;
    }
}

TEST(CliTools, MessagesSayTheCauseAndTheStartDateMovesOnlyWhenAsked)
{
    CliRun r;
    // A day, a place and a site to ask, were the internet not switched off (Kelto.ini holds no
    // switch).
    RequireWritten(IniFile::WriteString(r.notebook.file("20240502.dat"), "Growth", "DataHeight", "1.0"));
    RequireWritten(IniFile::WriteString(r.program.file("Kelto.ini"), "Data", "Place", "47662"));
    RequireWritten(
        IniFile::WriteString(r.program.file("Weather.ini"), "Net", "HostName", "http://127.0.0.1:9"));
    const TempDir plain, piped;
    ASSERT_EQ(::mkfifo(piped.file("Kelto.dat").c_str(), 0600), 0);
    const std::string nb = r.notebook.path(), photos = r.photos.path(), out = r.program.file("out");
    // In order: a row sees the notebook the rows before it left.
    const struct {
        std::vector<std::string> args;
        int status;
        const char* said;
        const char* start;  // the start date afterwards
    } cases[] = {
        {{"--fetch-weather", "--notebook", nb}, 1, "EnableInternet=0", "2024/05/10"},
        {{"--import-photos", photos, "--notebook", nb, "--rotate", "cw", "--weather"},
         1,
         "EnableInternet=0",
         "2024/05/10"},
        {{"--export-csv", out, "--notebook", plain.path()}, 1, "(no Kelto.dat)", "2024/05/10"},
        {{"--print-pdf", out, "--notebook", piped.path()}, 1, "not a regular file", "2024/05/10"},
        {{"--import-photos", photos, "--notebook", nb, "--rotate", "cw"},
         0,
         "--move-start --notebook",
         "2024/05/10"},
        {{"--move-start", "--notebook", nb}, 0, "2024-05-02", "2024/05/02"},
    };
    for (const auto& c : cases) {
        std::string printed;
        EXPECT_EQ(r.run(c.args, printed), c.status) << c.args[0] << ": " << printed;
        EXPECT_NE(printed.find(c.said), std::string::npos) << c.args[0] << ": " << printed;
        EXPECT_EQ(ReadNotebookInfo(nb).StartDate, c.start) << c.args[0];
    }
}
