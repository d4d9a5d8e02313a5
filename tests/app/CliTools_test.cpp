// The command-line forms run as a user runs them: a program folder, a notebook and the
// arguments; what they print and the files they leave.
#include "app/CliTools.h"

#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "store/NotebookFile.h"
#include "support/LocalWeatherServer.h"
#include "support/PhotoFiles.h"
#include "support/RequireWritten.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace {

struct CliRun {
    TempDir program, photos, notebook;
    CliRun()
    {
        RequireWritten(IniFile::WriteString(notebook.file("Kelto.dat"), "Data", "StartDate", "2024/05/01"));
        WritePhoto(photos, "p.jpg", {48, 64}, "2024:05:02 08:00:00");  // portrait: red top, blue bottom
    }
    std::string dayFile(const char* ext) const { return notebook.file(std::string("20240502.") + ext); }
    // The exit status; `printed` gets stdout and stderr.
    int run(std::vector<std::string> args, std::string* printed = nullptr) const
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = RunCommandLineTool(ParseCommandLine(args), program.path());
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        if (printed)
            *printed = out + err;
        return status;
    }
};

// 'R' red, 'B' blue, '-' neither (the background of a photo kept whole).
char colourAt(const QImage& image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return qRed(c) > 180 && qBlue(c) < 80 ? 'R' : qBlue(c) > 180 && qRed(c) < 80 ? 'B' : '-';
}

}  // namespace

TEST(CliTools, EachRotationPutsThePortraitPhotosTopWhereItSays)
{
    // The photo's red top half after the turn: clockwise it lies on the right, anticlockwise on
    // the left; cut and keep leave it at the top, cut filling the frame, keep with bars beside.
    // Top left, top right, bottom left, bottom right quarters, then the frame's corner.
    const struct {
        const char* rotate;
        const char* colours;  // empty: the portrait photo is skipped
    } cases[] = {
        {"cw", "BRBRB"}, {"ccw", "RBRBR"}, {"cut", "RRBBR"}, {"keep", "RRBB-"}, {nullptr, ""},
    };
    for (const auto& c : cases) {
        CliRun r;
        std::vector<std::string> args{"--import-photos", r.photos.path(), "--notebook", r.notebook.path()};
        if (c.rotate)
            args.insert(args.end(), {"--rotate", c.rotate});
        ASSERT_EQ(r.run(args), 0) << (c.rotate ? c.rotate : "none");
        QImage saved;
        std::string colours;
        if (LoadPictureFile(r.dayFile("jpg"), saved))
            for (QPoint p :
                 {QPoint(160, 120), QPoint(480, 120), QPoint(160, 360), QPoint(480, 360), QPoint(2, 2)})
                colours += colourAt(saved, p.x(), p.y());
        EXPECT_EQ(colours, c.colours) << (c.rotate ? c.rotate : "none");
    }
}

TEST(CliTools, WithTheInternetSwitchedOffNothingIsAsked)
{
    LocalWeatherServer server;
    ASSERT_TRUE(server.running());
    CliRun r;
    server.writeWeatherIni(r.program.path());
    const std::string settings = r.program.file("Kelto.ini");
    RequireWritten(IniFile::WriteString(settings, "Data", "Pref", "44"));
    RequireWritten(IniFile::WriteString(settings, "Data", "Place", "47662"));
    RequireWritten(IniFile::WriteString(r.dayFile("dat"), "Growth", "DataHeight", "1.0"));
    const std::vector<std::string> fetching[] = {
        {"--fetch-weather", "--notebook", r.notebook.path()},
        {"--import-photos", r.photos.path(), "--notebook", r.notebook.path(), "--rotate", "cw", "--weather"},
    };
    for (const auto& args : fetching) {
        std::string printed;
        EXPECT_EQ(r.run(args, &printed), 1) << args[0];
        EXPECT_NE(printed.find("EnableInternet=0"), std::string::npos) << printed;
        EXPECT_TRUE(server.requests().empty()) << args[0];
    }
    EXPECT_FALSE(FileExists(r.dayFile("jpg")));  // the import did not run without its weather
    // Switched on, the same fetch asks the site.
    RequireWritten(IniFile::WriteString(settings, "Data", "EnableInternet", "1"));
    EXPECT_EQ(r.run(fetching[0]), 0);
    EXPECT_FALSE(server.requests().empty());
}

TEST(CliTools, FailuresNameTheirCause)
{
    CliRun r;
    const TempDir plain, piped;
    ASSERT_EQ(::mkfifo(piped.file("Kelto.dat").c_str(), 0600), 0);
    const struct {
        std::string notebook;
        const char* said;
    } notNotebooks[] = {
        {plain.path(), "(no Kelto.dat)"},
        {piped.path(), "Kelto.dat is not a regular file"},
    };
    for (const auto& n : notNotebooks)
        for (const char* form : {"--export-csv", "--export-video", "--import-photos", "--print-pdf"}) {
            std::string printed;
            EXPECT_EQ(r.run({form, r.program.file("out"), "--notebook", n.notebook}, &printed), 1) << form;
            EXPECT_NE(printed.find(n.said), std::string::npos) << form << ": " << printed;
            EXPECT_NE(printed.find(n.notebook), std::string::npos) << form << ": " << printed;
        }

    // A photo that could not be written is told with the system's reason.
    SetWriteFaultHook([&](const std::string& path) { return path == r.dayFile("jpg"); });
    std::string printed;
    EXPECT_EQ(r.run({"--import-photos", r.photos.path(), "--notebook", r.notebook.path(), "--rotate", "cw"},
                    &printed),
              1);
    SetWriteFaultHook(nullptr);
    EXPECT_NE(printed.find(std::generic_category().message(EIO)), std::string::npos) << printed;
}

TEST(CliTools, DaysBeforeTheStartDateAreToldAndMovedOnlyWhenAsked)
{
    // The photo's day (May 2) lies before the start date (May 10).
    const struct {
        std::vector<std::string> extra;
        bool import;
        const char* start;  // afterwards
        const char* said;
    } cases[] = {
        {{}, true, "2024/05/10", "kelto --move-start --notebook"},
        {{"--move-start"}, true, "2024/05/02", "2024-05-02"},
        {{"--move-start"}, false, "2024/05/02", "2024-05-02"},
    };
    for (const auto& c : cases) {
        CliRun r;
        RequireWritten(WriteNotebookKey(r.notebook.path(), "StartDate", "2024/05/10"));
        if (!c.import) {
            ASSERT_EQ(r.run({"--import-photos", r.photos.path(), "--notebook", r.notebook.path(), "--rotate",
                             "cw"}),
                      0);
        }
        std::vector<std::string> args{"--notebook", r.notebook.path()};
        if (c.import)
            args.insert(args.end(), {"--import-photos", r.photos.path(), "--rotate", "cw"});
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        std::string printed;
        EXPECT_EQ(r.run(args, &printed), 0) << printed;
        EXPECT_EQ(ReadNotebookInfo(r.notebook.path()).StartDate, c.start) << printed;
        EXPECT_NE(printed.find(c.said), std::string::npos) << printed;
    }
}
