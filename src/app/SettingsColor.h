#pragma once
// Colours of the settings files, written "#RRGGBB".
#include <QColor>

#include <optional>
#include <string>

class Prompt;

// The colour `section`/`key` of the INI file `file` holds (`def` when it holds none). Anything
// but "#RRGGBB" (any case) is told (message 134, naming the file and the key) and gives none.
std::optional<QColor> ReadSettingsColor(const std::string& file, const char* section, const char* key,
                                        const char* def, Prompt& prompt);
