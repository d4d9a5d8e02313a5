#include "views/LayoutIni.h"

#include "platform/IniFile.h"
#include "platform/TextCodec.h"

#include <algorithm>
int ClampLayout(long long value, int low, int high)
{
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

std::optional<Caption> ParseCaption(const std::string& value)
{
    size_t first = value.find(',');
    if (first == std::string::npos)
        return std::nullopt;
    size_t second = value.find(',', first + 1);
    if (second == std::string::npos)
        return std::nullopt;
    Caption c;
    c.x = ClampLayout(IniFile::ParseInt(value.substr(0, first)));
    c.y = ClampLayout(IniFile::ParseInt(value.substr(first + 1, second - first - 1)));
    c.text = value.substr(second + 1);
    return c;
}

int ReadLayoutInt(const std::string& layoutFile, const IntSetting& key)
{
    return ClampLayout(IniFile::ReadInt(layoutFile, key.section, key.key, key.def));
}

std::string ReadLayoutText(const std::string& layoutFile, const char* section, const char* key,
                           const char* def, size_t maxBytes)
{
    return CutCp932(IniFile::ReadString(layoutFile, section, key, def), maxBytes);
}
