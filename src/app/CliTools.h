#pragma once
// Work without a window: CSV export and page rendering. Return the process exit status;
// errors go to stderr.
#include "app/CommandLine.h"

int RunCommandLineTool(const CommandLine& command, const std::string& programFolder);
