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

Result WriteSettingInt(const std::string& file, const IntSetting& s, int value)
{
    if (!IniFile::WriteInt(file, s.section, s.key, value))
        return Result::Failed(Msg::SettingsWriteFailed, file);
    return {};
}

Result WriteSettingText(const std::string& file, const TextSetting& s, const std::string& value)
{
    if (!IniFile::WriteString(file, s.section, s.key, value))
        return Result::Failed(Msg::SettingsWriteFailed, file);
    return {};
}
