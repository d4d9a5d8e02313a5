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
        std::string reason;  // the start of the reason given when not found
    } cases[] = {
        {build, "video", "kelto_video_api", true, ""},
        {build, "net", "kelto_net_api", true, ""},
        {build, "video", "no_such_symbol", false, build + "/libkelto_video.so lacks no_such_symbol"},
        {empty.path(), "video", "kelto_video_api", false, empty.path() + "/libkelto_video.so is missing"},
        {empty.path(), "broken", "anything", false, empty.path() + "/libkelto_broken.so cannot be loaded ("},
    };
    for (const auto& c : cases) {
        SetModuleFolder(c.folder);
        EXPECT_EQ(ModulePath(c.module), c.folder + "/libkelto_" + c.module + ".so");
        std::string error;
        const void* symbol = ModuleSymbol(c.module, c.symbol.c_str(), &error);
        EXPECT_EQ(symbol != nullptr, c.found) << c.folder << " " << c.module << " " << c.symbol;
        // One sentence, without a colon after which a reader would take only its end.
        if (!c.found) {
            EXPECT_EQ(error.rfind(c.reason, 0), 0u) << error;
            EXPECT_EQ(error.find(": "), std::string::npos) << error;
        }
    }
    // No folder set: the running executable's own.
    SetModuleFolder("");
    EXPECT_EQ(ModuleFolder(), std::string(KELTO_TEST_BINARY_DIR));
    SetModuleFolder(build);
}
