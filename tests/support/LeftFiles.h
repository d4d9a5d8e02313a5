#pragma once
// Files as a writer that was killed left them: written, then untouched for a minute.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>

// Sets the file's times a minute back (the descriptor's file when `fd` is given).
inline void AgeFile(const std::string& path, int fd = -1)
{
    const timespec old[2] = {{time(nullptr) - 60, 0}, {time(nullptr) - 60, 0}};
    if (fd >= 0)
        futimens(fd, old);
    else
        utimensat(AT_FDCWD, path.c_str(), old, 0);
}

// Writes a small file; `old`: a minute old.
inline void WriteLeftFile(const std::string& path, bool old = true)
{
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fputs("partial", f);
        std::fclose(f);
    }
    if (old)
        AgeFile(path);
}
