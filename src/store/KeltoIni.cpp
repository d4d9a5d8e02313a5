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

PictureSettings ReadPictureSettings(const std::string& file)
{
    PictureSettings p;
    p.PictureWidth = ReadSettingInt(file, KeltoIni::PictureWidth);
    p.PictureHeight = ReadSettingInt(file, KeltoIni::PictureHeight);
    p.JpegQuality = ReadSettingInt(file, KeltoIni::JpegQuality);
    if (p.PictureWidth < 16 || p.PictureWidth > 8000)
        p.PictureWidth = KeltoIni::PictureWidth.def;
    if (p.PictureHeight < 16 || p.PictureHeight > 8000)
        p.PictureHeight = KeltoIni::PictureHeight.def;
    if (p.JpegQuality < 1 || p.JpegQuality > 100)
        p.JpegQuality = KeltoIni::JpegQuality.def;
    return p;
}
