#include "app/dialogs/FontSettings.h"

#include "app/CNotebook.h"
#include "store/KeltoIni.h"
#include "platform/SafeFormat.h"
#include "res/Strings.h"

FontSettings ReadFontSettings(const CNotebook& nb)
{
    FontSettings f;
    f.FontName = ReadSettingText(nb.SettingsFile, KeltoIni::FontName);
    f.FontSize = ReadSettingInt(nb.SettingsFile, KeltoIni::FontSize);
    return f;
}

bool WriteFontSettings(const CNotebook& nb, const FontSettings& f)
{
    bool ok = WriteSettingText(nb.SettingsFile, KeltoIni::FontName, f.FontName);
    return WriteSettingInt(nb.SettingsFile, KeltoIni::FontSize, f.FontSize) && ok;
}

bool FontSizeAllowed(int size)
{
    return size >= kMinFontSize && size <= kMaxFontSize;
}

std::string FontSizeRangeMessage()
{
    return FormatInts(LoadString(Msg::FontSizeRange), {kMinFontSize, kMaxFontSize});
}
