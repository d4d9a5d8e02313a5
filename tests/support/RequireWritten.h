#pragma once
// Set-up writes of tests and benchmarks: a notebook or settings file that could not be written
// leaves nothing worth checking or measuring, so the run ends there, naming the file.
#include "platform/Result.h"

#include <stdexcept>

inline void RequireWritten(const Result& written)
{
    if (!written)
        throw std::runtime_error("set-up not written: " + ResultText(written));
}
