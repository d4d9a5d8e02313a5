#include "app/CommandLine.h"

#include <gtest/gtest.h>

using Action = CommandLine::Action;

TEST(CommandLine, Parsing)
{
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string notebook;
        std::string out;
    } cases[] = {
        {{}, Action::Window, "", ""},
        {{"/data/my notes"}, Action::Window, "/data/my notes", ""},
        {{"/data/my", "notes"}, Action::Window, "/data/my notes", ""},  // the whole text is the folder
        {{"--help"}, Action::Help, "", ""},
        {{"--where"}, Action::Where, "", ""},
        {{"--where", "--notebook", "/n"}, Action::Error, "", ""},
        {{"--export-csv", "out.csv"}, Action::ExportCsv, "", "out.csv"},
        {{"--export-csv", "out.csv", "--notebook", "/n"}, Action::ExportCsv, "/n", "out.csv"},
        {{"--notebook", "/n", "--export-csv", "o.csv"}, Action::ExportCsv, "/n", "o.csv"},
        {{"--export-csv"}, Action::Error, "", ""},
        {{"--bogus"}, Action::Error, "", ""},
        {{"--notebook", "/n"}, Action::Error, "/n", ""},
        {{"--render", "calendar", "--date", "2013-05-01", "--out", "a.png"}, Action::Render, "", "a.png"},
        {{"--render", "graph", "--date", "2013-05-01", "--out", "a.png"}, Action::Render, "", "a.png"},
        {{"--render", "chart", "--date", "2013-05-01", "--out", "a.png"}, Action::Error, "", ""},
        {{"--render", "detail", "--out", "a.png"}, Action::Error, "", "a.png"},
        {{"--photo-date", "a.jpg", "--b.jpg"}, Action::PhotoDate, "", ""},
        {{"--photo-date"}, Action::Error, "", ""},
        {{"--fetch-weather"}, Action::FetchWeather, "", ""},
        {{"--auto-align", "--notebook", "/n", "--date", "2026-05-01", "--replace"},
         Action::AutoAlign,
         "/n",
         ""},
        {{"--export-video", "v.avi", "--replace"}, Action::Error, "", "v.avi"},
        {{"--auto-align", "--out", "a.png"}, Action::Error, "", "a.png"},
        {{"--fetch-weather", "--notebook", "/n"}, Action::FetchWeather, "/n", ""},
        {{"--fetch-weather", "--out", "a.png"}, Action::Error, "", "a.png"},
        {{"--export-csv", "o.csv", "--fetch-weather"}, Action::Error, "", "o.csv"},
        {{"--import-photos", "/p", "--notebook", "/n", "--rotate", "cw", "--weather"},
         Action::ImportPhotos,
         "/n",
         ""},
        {{"--import-photos"}, Action::Error, "", ""},
        {{"--import-photos", "/p", "--rotate", "left"}, Action::Error, "", ""},
        {{"--export-csv", "o.csv", "--weather"}, Action::Error, "", "o.csv"},
        {{"--import-photos", "/p", "--date", "2013-05-01"}, Action::Error, "", ""},
        {{"--print-pdf", "o.pdf", "--kinds", "graph,list", "--range", "month", "--date", "2013-05-01"},
         Action::PrintPdf,
         "",
         "o.pdf"},
        {{"--print-pdf", "o.pdf", "--kinds", "detail,chart"}, Action::Error, "", ""},
        {{"--print-pdf", "o.pdf", "--kinds", "detail,"}, Action::Error, "", ""},
        {{"--print-pdf", "o.pdf", "--range", "week"}, Action::Error, "", ""},
        {{"--render", "list", "--date", "2013-05-01", "--out", "a.png", "--range", "all"},
         Action::Error,
         "",
         ""},
        {{"--print-pdf"}, Action::Error, "", ""},
    };
    for (const auto& c : cases) {
        CommandLine cl = ParseCommandLine(c.args);
        std::string joined;
        for (const auto& a : c.args)
            joined += a + " ";
        EXPECT_EQ(cl.action, c.action) << joined;
        if (c.action != Action::Error) {
            EXPECT_EQ(cl.notebook, c.notebook) << joined;
            EXPECT_EQ(cl.outPath, c.out) << joined;
        } else {
            EXPECT_FALSE(cl.error.empty()) << joined;
        }
    }
}

TEST(CommandLine, PhotoDateTakesEveryFileAfterIt)
{
    EXPECT_EQ(ParseCommandLine({"--photo-date", "a.jpg", "--help", "c d.bmp"}).files,
              (std::vector<std::string>{"a.jpg", "--help", "c d.bmp"}));
}
