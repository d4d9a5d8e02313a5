#include "weather/WeatherSite.h"

#include "platform/IniFile.h"
#include "platform/SafeFormat.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cctype>

namespace {
std::string trim(std::string_view s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i]))
            != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string text(const std::string& ini, const char* section, const char* key, const char* def)
{
    return IniFile::ReadString(ini, section, key, def);
}
}  // namespace

std::string SiteBaseUrl(std::string_view hostName)
{
    std::string h = trim(hostName);
    while (!h.empty() && h.back() == '/')
        h.pop_back();
    if (h.empty())
        return {};
    std::string scheme = "http://";
    if (startsWithNoCase(h, "http://")) {
        h = h.substr(7);
    } else if (startsWithNoCase(h, "https://")) {
        scheme = "https://";
        h = h.substr(8);
    } else if (h.find("://") != std::string::npos) {
        return {};  // another protocol is never fetched
    }
    // Host and optional port only: no path, user name, query or space may ride along.
    if (h.empty() || h.find_first_of("/?#@ \t\\") != std::string::npos)
        return {};
    return scheme + h;
}

DailyTableLayout WeatherSite::layout(bool amedas) const
{
    DailyTableLayout l;
    l.tableTag = text(iniPath, "HTML", "TableTag", "<table class");
    l.rowTag = text(iniPath, "HTML", "RowTag", "<tr");
    l.colTag = text(iniPath, "HTML", "ColTag", "<td");
    const char* s = amedas ? "AMEDAS" : "HTML";
    l.headerCount = IniFile::ReadInt(iniPath, s, "HeaderCount", 4);
    l.colCount = IniFile::ReadInt(iniPath, s, "ColCount", 21);
    l.lowTempCol = IniFile::ReadInt(iniPath, s, "LowTempCol", 7);
    l.highTempCol = IniFile::ReadInt(iniPath, s, "HighTempCol", 7);
    l.daylightCol = IniFile::ReadInt(iniPath, s, "DaylightCol", 17);
    l.weatherCol = IniFile::ReadInt(iniPath, s, "WeatherCol", 20);
    return l;
}

std::string WeatherSite::prefectureListUrl() const
{
    if (baseUrl.empty() || prefectureListPath.empty() || prefectureListPath[0] != '/')
        return {};
    return baseUrl + prefectureListPath;
}

std::string WeatherSite::stationListUrl(int prefecture) const
{
    std::string path = FormatInts(stationListFormat, {prefecture});
    if (baseUrl.empty() || path.empty() || path[0] != '/')
        return {};
    return baseUrl + path;
}

WeatherSite ReadWeatherSite(const std::string& ini)
{
    WeatherSite s;
    s.iniPath = ini;
    s.baseUrl = SiteBaseUrl(text(ini, "Net", "HostName", ""));
    s.prefectureListPath = text(ini, "Pref", "URL", "");
    s.stationListFormat = text(ini, "Place", "URL", "");
    s.prefectureTags.tableTag = text(ini, "Pref", "TableTag", "map name");
    s.prefectureTags.rowTag = text(ini, "Pref", "RowTag", "<area shape");
    s.prefectureTags.textTag = text(ini, "Pref", "TextTag", "alt=");
    s.prefectureTags.codeTag = text(ini, "Pref", "CodeTag", "prec_no=");
    s.stationTags.tableTag = text(ini, "Place", "TableTag", "map name");
    s.stationTags.rowTag = text(ini, "Place", "RowTag", "viewPoint");
    s.requestIntervalMs = std::clamp(IniFile::ReadInt(ini, "Net", "RequestInterval", 1000), 0, 60000);
    s.timeoutSeconds = std::clamp(IniFile::ReadInt(ini, "Net", "Timeout", 30), 1, 120);
    return s;
}

bool PageIsUtf8(std::string_view t)
{
    size_t at = t.find("charset=");
    if (at == std::string_view::npos)
        return IsValidUtf8(t);
    std::string_view v = t.substr(at + 8);
    if (!v.empty() && (v[0] == '"' || v[0] == '\''))
        v.remove_prefix(1);
    return startsWithNoCase(v, "UTF-8") || startsWithNoCase(v, "UTF8");
}

std::string PageTextToUtf8(std::string_view raw, bool pageIsUtf8)
{
    if (pageIsUtf8) {
        if (IsValidUtf8(raw))
            return std::string(raw);
        // A page that lies about its set: keep what is valid, never hand on broken UTF-8.
        return FromCp932(raw);
    }
    return FromCp932(raw);
}
