#pragma once
// Shared modules of the program folder: parts whose libraries are heavy to load (the video
// encoders) live in a module beside the executable, loaded on first use, so the window and the
// command-line tools that never need them start without them.
#include <string>

// The folder the modules are looked for in: the running executable's, unless set.
std::string ModuleFolder();
// Tests and benchmarks, whose executables do not lie in the program folder, name it here; an
// empty folder goes back to the executable's.
void SetModuleFolder(const std::string& folder);

// The file of the module `name` (libkelto_<name>.so in the module folder).
std::string ModulePath(const std::string& name);

// The address of `symbol` in the module `name`, loading it on the first call; a module stays
// loaded until the process ends. Null when the module is missing or lacks the symbol; `error`
// then gets the reason as one sentence naming the file at fault (the module, or a library it
// links that is missing), without ": " in it. Safe to call from any thread.
void* ModuleSymbol(const std::string& name, const char* symbol, std::string* error = nullptr);
