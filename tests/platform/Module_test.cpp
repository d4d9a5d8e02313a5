// Modules of the program folder: found where the folder says, and a missing module or symbol
// is an answer with its reason, never a crash.
#include "platform/Module.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

TEST(Module, LoadsFromTheFolderAndTellsWhyNot)
{
    const std::string build = ModuleFolder();
    const TempDir empty;
    {
        std::ofstream(empty.file("libkelto_broken.so")) << "not a shared library";
    }
    const struct {
        std::string folder, module, symbol;
        bool found;
        const char* reason;  // a part of the reason given when not found
    } cases[] = {
        {build, "video", "kelto_video_api", true, ""},
        {build, "net", "kelto_net_api", true, ""},
        {build, "video", "no_such_symbol", false, "no_such_symbol"},
        {empty.path(), "video", "kelto_video_api", false, "libkelto_video.so"},
        {empty.path(), "broken", "anything", false, "libkelto_broken.so"},
    };
    for (const auto& c : cases) {
        SetModuleFolder(c.folder);
        EXPECT_EQ(ModulePath(c.module), c.folder + "/libkelto_" + c.module + ".so");
        std::string error;
        const void* symbol = ModuleSymbol(c.module, c.symbol.c_str(), &error);
        EXPECT_EQ(symbol != nullptr, c.found) << c.folder << " " << c.module << " " << c.symbol;
        if (!c.found) {
            EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        }
    }
    // No folder set: the running executable's own.
    SetModuleFolder("");
    EXPECT_EQ(ModuleFolder(), std::string(KELTO_TEST_BINARY_DIR));
    SetModuleFolder(build);
}
