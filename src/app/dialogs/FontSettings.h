#pragma once
// The print font kept in Kelto.ini [Font]: what the font dialog shows and what its OK stores.
#include "platform/Result.h"

#include <string>

class CNotebook;

inline constexpr int kMinFontSize = 12;
inline constexpr int kMaxFontSize = 24;

struct FontSettings {
    std::string FontName;  // empty: the page's own font
    int FontSize = 16;
};

FontSettings ReadFontSettings(const CNotebook& notebook);
// Writes FontName and FontSize; fails, naming Kelto.ini, when either could not be written.
Result WriteFontSettings(const CNotebook& notebook, const FontSettings& font);
bool FontSizeAllowed(int size);
// Message 143 with the bounds filled in.
std::string FontSizeRangeMessage();
