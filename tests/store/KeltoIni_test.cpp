#include "store/KeltoIni.h"

#include "platform/IniFile.h"
#include "store/DayRecord.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

// Picture sizes in Kelto.ini are taken only within what a page or a video frame can show; a
// hand-edited size beyond that (8000 x 8000 made every day picture 256 MB) is the default.
TEST(KeltoIni, PictureSizesAreBoundedWhereRead)
{
    TempDir dir;
    const std::string ini = dir.file("Kelto.ini");
    // clang-format off
    const std::tuple<const char*, int, int> cases[] = {
        {"", 640, 320}, {"16", 16, 16}, {"4096", 4096, 4096}, {"4097", 640, 320}, {"8000", 640, 320},
        {"15", 640, 320}, {"-640", 640, 320}, {"junk", 640, 320},
    };
    // clang-format on
    for (const auto& [value, picture, triming] : cases) {
        ASSERT_TRUE(IniFile::WriteKeys(ini, "Picture", {{"Width", value}, {"Height", value}}));
        ASSERT_TRUE(IniFile::WriteKeys(ini, "Triming", {{"Width", value}, {"Height", value}}));
        const PictureSettings p = ReadPictureSettings(ini);
        EXPECT_EQ(p.PictureWidth, picture) << value;
        EXPECT_EQ(p.PictureHeight, picture == 640 ? 480 : picture) << value;
        EXPECT_EQ(ReadPictureSide(ini, KeltoIni::TrimingWidth), triming) << value;
        EXPECT_EQ(ReadPictureSide(ini, KeltoIni::TrimingHeight), triming == 320 ? 240 : triming) << value;
    }
}
