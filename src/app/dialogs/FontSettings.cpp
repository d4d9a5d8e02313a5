#include "app/dialogs/FontSettings.h"

#include "app/CNotebook.h"
#include "platform/SafeFormat.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"

FontSettings ReadFontSettings(const CNotebook& nb)
{
    FontSettings f;
    f.FontName = ReadSettingText(nb.settingsFile(), KeltoIni::FontName);
    f.FontSize = ReadSettingInt(nb.settingsFile(), KeltoIni::FontSize);
    return f;
}

Result WriteFontSettings(const CNotebook& nb, const FontSettings& f)
{
    Result name = WriteSettingText(nb.settingsFile(), KeltoIni::FontName, f.FontName);
    Result size = WriteSettingInt(nb.settingsFile(), KeltoIni::FontSize, f.FontSize);
    return name ? size : name;
}

bool FontSizeAllowed(int size)
{
    return size >= kMinFontSize && size <= kMaxFontSize;
}

std::string FontSizeRangeMessage()
{
    return FormatInts(LoadString(Msg::FontSizeRange), {kMinFontSize, kMaxFontSize});
}
