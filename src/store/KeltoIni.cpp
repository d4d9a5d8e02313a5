#include "store/KeltoIni.h"

#include "platform/IniFile.h"

int ReadSettingInt(const std::string& file, const IntSetting& s)
{
    return IniFile::ReadInt(file, s.section, s.key, s.def);
}

std::string ReadSettingText(const std::string& file, const TextSetting& s)
{
    return IniFile::ReadString(file, s.section, s.key, s.def);
}

bool WriteSettingInt(const std::string& file, const IntSetting& s, int value)
{
    return IniFile::WriteInt(file, s.section, s.key, value);
}

bool WriteSettingText(const std::string& file, const TextSetting& s, const std::string& value)
{
    return IniFile::WriteString(file, s.section, s.key, value);
}
