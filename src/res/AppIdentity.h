#pragma once
// What identifies the program: its version and the name of its single-instance lock.
#include "res/KeltoVersion.h"  // generated from the CMake project's version

inline constexpr const char* kInstanceLockName = "QuillaneKelto";
