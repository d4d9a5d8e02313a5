#include "store/KeltoIni.h"

#include "platform/AppFolders.h"
#include "platform/IniFile.h"
#include "store/DataFolders.h"
#include "store/DayRecord.h"

int ReadSettingInt(const std::string& file, const IntSetting& s)
{
    return IniFile::ReadInt(file, s.section, s.key, s.def);
}

std::string ReadSettingText(const std::string& file, const TextSetting& s)
{
    return IniFile::ReadString(file, s.section, s.key, s.def);
}

std::string ReadDataRoot(const AppFolders& folders)
{
    const TextSetting& s = KeltoIni::FolderPath;
    return ResolveDataRoot(folders.dataAnchor(), IniFile::ReadString(folders.settingsFile(), s.section, s.key,
                                                                     folders.defaultFolderPath()));
}

Result WriteSettingInt(const std::string& file, const IntSetting& s, int value)
{
    return IniFile::WriteInt(file, s.section, s.key, value).as(Msg::SettingsWriteFailed);
}

Result WriteSettingInts(const std::string& file, const std::vector<std::pair<IntSetting, int>>& values)
{
    std::vector<IniFile::KeyChange> changes;
    for (const auto& [s, value] : values)
        changes.push_back({s.section, s.key, std::to_string(value)});
    return IniFile::WriteChanges(file, changes).as(Msg::SettingsWriteFailed);
}

Result WriteSettingText(const std::string& file, const TextSetting& s, const std::string& value)
{
    return IniFile::WriteString(file, s.section, s.key, value).as(Msg::SettingsWriteFailed);
}

int ReadPictureSide(const std::string& file, const IntSetting& s)
{
    const int side = ReadSettingInt(file, s);
    return side >= 16 && side <= kMaxPictureSetting ? side : s.def;
}

PictureSettings ReadPictureSettings(const std::string& file)
{
    PictureSettings p;
    p.PictureWidth = ReadPictureSide(file, KeltoIni::PictureWidth);
    p.PictureHeight = ReadPictureSide(file, KeltoIni::PictureHeight);
    p.JpegQuality = ReadSettingInt(file, KeltoIni::JpegQuality);
    if (p.JpegQuality < 1 || p.JpegQuality > 100)
        p.JpegQuality = KeltoIni::JpegQuality.def;
    return p;
}
