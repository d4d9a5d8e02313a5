#pragma once
// The keys of Kelto.ini, the user's preferences beside the program: one table, readers never
// scatter literals. Area-specific keys (graph, list, animation, print) live in their areas.
#include "platform/Result.h"
#include "platform/SettingKey.h"

#include <string>
#include <utility>
#include <vector>

class AppFolders;

namespace KeltoIni {
inline constexpr TextSetting FolderPath{"Data", "FolderPath", "data"};
inline constexpr TextSetting DataName{"Data", "DataName", ""};
inline constexpr IntSetting EnableInternet{"Data", "EnableInternet", 0};
inline constexpr IntSetting Pref{"Data", "Pref", 0};
inline constexpr IntSetting Place{"Data", "Place", 0};
inline constexpr TextSetting CursorColor{"Data", "CursorColor", "#00FF00"};
inline constexpr IntSetting CursorWidth{"Data", "CursorWidth", 2};
inline constexpr IntSetting ViewWidth{"View", "Width", 780};
inline constexpr IntSetting ViewHeight{"View", "Height", 496};
inline constexpr IntSetting PictureWidth{"Picture", "Width", 640};
inline constexpr IntSetting PictureHeight{"Picture", "Height", 480};
inline constexpr IntSetting JpegQuality{"Picture", "JpegQuality", 80};
inline constexpr IntSetting TrimingWidth{"Triming", "Width", 320};
inline constexpr IntSetting TrimingHeight{"Triming", "Height", 240};
inline constexpr TextSetting FontName{"Font", "FontName", ""};
inline constexpr IntSetting FontSize{"Font", "FontSize", 16};
inline constexpr IntSetting ListMode{"List", "ListMode", 0};
}  // namespace KeltoIni

int ReadSettingInt(const std::string& file, const IntSetting& s);
// The largest side of a picture Kelto.ini may ask for: more than any page or video frame shows.
inline constexpr int kMaxPictureSetting = 4096;
// A picture side kept in Kelto.ini ([Picture] and [Triming] Width and Height): a value below 16
// or above kMaxPictureSetting falls back to the default, so a hand-edited size never makes
// every picture of a notebook huge.
int ReadPictureSide(const std::string& file, const IntSetting& s);
struct PictureSettings;
// [Picture] Width, Height and JpegQuality; sizes outside what a photo can be fall back to
// the defaults instead of failing every save.
PictureSettings ReadPictureSettings(const std::string& file);
std::string ReadSettingText(const std::string& file, const TextSetting& s);
// The notebooks' root that Kelto.ini names ([Data] FolderPath, relative to the folders' anchor;
// without a value, the mode's default).
std::string ReadDataRoot(const AppFolders& folders);
// A failed write names the settings file (message 212).
Result WriteSettingInt(const std::string& file, const IntSetting& s, int value);
// Writes every value with one replacement of the file: all of them or, failing, none.
Result WriteSettingInts(const std::string& file, const std::vector<std::pair<IntSetting, int>>& values);
Result WriteSettingText(const std::string& file, const TextSetting& s, const std::string& value);
