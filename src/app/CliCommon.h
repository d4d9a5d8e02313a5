#pragma once
// What the command-line tools share: their output and the notebook they work on.
#include "app/CommandLine.h"

#include <QString>

#include <string>

namespace cli {
// "kelto: " and the text on stderr; a line of the output on stdout.
void complain(const std::string& text);
void complain(const QString& text);
void say(const QString& text);
QString badDate(const std::string& date);
// The notebook a command works on; empty, with the reason on stderr, when there is none.
std::string openableNotebook(const CommandLine& c, const std::string& programFolder);

// The exports and the automatic alignment (CliExports.cpp).
int exportVideo(const CommandLine& c, const std::string& programFolder);
int exportWeb(const CommandLine& c, const std::string& programFolder);
int autoAlign(const CommandLine& c, const std::string& programFolder);
}  // namespace cli
