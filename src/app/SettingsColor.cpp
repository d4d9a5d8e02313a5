#include "app/SettingsColor.h"

#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "res/Strings.h"

#include <cctype>

std::optional<QColor> ReadSettingsColor(const std::string& file, const char* section, const char* key,
                                        const char* def, Prompt& prompt)
{
    const std::string v = IniFile::ReadString(file, section, key, def);
    bool ok = v.size() == 7 && v[0] == '#';
    for (size_t i = 1; ok && i < 7; ++i)
        ok = std::isxdigit(static_cast<unsigned char>(v[i]));
    if (!ok) {
        // Name the file and the key, so the user knows what to correct.
        const std::string where = file + "\n[" + section + "] " + key + "=" + v;
        prompt.tell(Msg::SettingsFormatError, Icon::Exclamation,
                    std::string(LoadString(Msg::SettingsFormatError)) + "\n" + where);
        return std::nullopt;
    }
    const int rgb = std::stoi(v.substr(1), nullptr, 16);
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
