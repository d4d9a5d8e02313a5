#include "platform/Module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace {

std::mutex& moduleMutex()
{
    static std::mutex m;
    return m;
}

std::string& folderOverride()
{
    static std::string folder;
    return folder;
}

std::string executableFolder()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    const std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The loader's reason for `path` as one sentence that names the file at fault and holds no
// ": ", so a caller may put it after a colon of its own and a reader that takes the text after
// the last colon still gets it whole. The loader says "PATH: LIB: cannot open shared object
// file: No such file or directory" when a library the module links is missing.
std::string loadFailure(const std::string& path, const char* why)
{
    std::string rest = why ? why : "";
    if (rest.compare(0, path.size() + 2, path + ": ") == 0)
        rest.erase(0, path.size() + 2);
    const std::string missing = ": cannot open shared object file: No such file or directory";
    if (rest.size() > missing.size()
        && rest.compare(rest.size() - missing.size(), missing.size(), missing) == 0)
        return path + " needs " + rest.substr(0, rest.size() - missing.size()) + ", which is missing";
    for (size_t at = rest.find(": "); at != std::string::npos; at = rest.find(": ", at))
        rest.replace(at, 2, ", ");
    return path + " cannot be loaded" + (rest.empty() ? "" : " (" + rest + ")");
}

}  // namespace

std::string ModuleFolder()
{
    std::lock_guard<std::mutex> lock(moduleMutex());
    return folderOverride().empty() ? executableFolder() : folderOverride();
}

void SetModuleFolder(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(moduleMutex());
    folderOverride() = folder;
}

std::string ModulePath(const std::string& name)
{
    return ModuleFolder() + "/libkelto_" + name + ".so";
}

void* ModuleSymbol(const std::string& name, const char* symbol, std::string* error)
{
    const std::string path = ModulePath(name);
    std::lock_guard<std::mutex> lock(moduleMutex());
    // Handles by path, so a test that points the folder elsewhere gets that folder's module.
    static std::map<std::string, void*> loaded;
    void*& handle = loaded[path];
    if (!handle)
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        loaded.erase(path);
        if (error)
            *error = ::access(path.c_str(), F_OK) != 0 ? path + " is missing" : loadFailure(path, why);
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(handle, symbol);
    if (!address && error)
        *error = path + " lacks " + symbol;
    return address;
}
