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
        loaded.erase(path);
        if (error) {
            const char* why = ::dlerror();
            *error = why ? why : path;
        }
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(handle, symbol);
    if (!address && error) {
        const char* why = ::dlerror();
        *error = why ? why : symbol;
    }
    return address;
}
