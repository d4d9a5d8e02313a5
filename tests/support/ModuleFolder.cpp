// Test executables do not lie in the program folder: they load the modules the build lays there.
#include "platform/Module.h"

namespace {
const bool kModulesFromTheBuild = [] {
    SetModuleFolder(KELTO_PROGRAM_DIR);
    return true;
}();
}  // namespace
