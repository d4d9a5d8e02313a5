#pragma once
// The numbered messages as the command line prints them: the window's text under Japanese,
// else the English of the table in CliMessages.cpp.
#include "platform/Result.h"
#include "res/Strings.h"

#include <string>

// Numbered message `id` in the command line's language; `shown` is the window's text of it when
// the caller has one (the message with a path after it, or formatted with integers). A message
// without English in the table stays as the window has it.
std::string CliMessageText(Msg id, const std::string& shown = {});
// A failure's message and, under it, the file it concerns and the system's reason.
std::string CliResultText(const Result& r);
