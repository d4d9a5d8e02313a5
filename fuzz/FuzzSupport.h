#pragma once
// Shared by the fuzz targets: the readers take paths, so each input is written to a file in a
// private scratch folder (made once per process) before it is read. The folder is in memory
// (/dev/shm) where there is one, so the readers' writes and syncs cost no disk; else under $TMPDIR.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace fuzz {

inline const std::string& ScratchDir()
{
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
        std::string pattern = base + "/kelto-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        // Gone with the process; the files in it are few and small.
        static const std::string removeAtExit = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return pattern;
    }();
    return dir;
}

// A notebook folder inside the scratch folder, for the readers of day files.
inline const std::string& ScratchNotebook()
{
    static const std::string folder = [] {
        std::string f = ScratchDir() + "/notebook";
        mkdir(f.c_str(), 0700);
        return f;
    }();
    return folder;
}

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

// A broken property of a reader: reported like a crash so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    std::abort();
}

}  // namespace fuzz
