#pragma once
// Weather.ini: where the weather site is and how its pages are laid out. Read afresh for
// every fetch, so an edit of the file takes effect at the next one.
#include <string>
#include <string_view>

// [Net] HostName: a bare host ("www.example.jp") means http on port 80, as old files have it;
// a base with a scheme and an optional port ("https://www.example.jp", "http://127.0.0.1:8080")
// is used as it stands. Empty when the value names no usable site.
std::string SiteBaseUrl(std::string_view hostName);

// The tags and column numbers of the daily table. The tags come from [HTML]; the numbers from
// [AMEDAS] for an AMeDAS-only station, else from [HTML].
struct DailyTableLayout {
    std::string tableTag = "<table class";
    std::string rowTag = "<tr";
    std::string colTag = "<td";
    int headerCount = 4;
    int colCount = 21;
    int lowTempCol = 7;
    int highTempCol = 7;
    int daylightCol = 17;
    int weatherCol = 20;
};

// The image-map tags of the two list pages.
struct PlaceListTags {
    std::string tableTag = "map name";
    std::string rowTag;  // "<area shape" for prefectures, "viewPoint" for stations
    std::string textTag = "alt=";
    std::string codeTag = "prec_no=";
};

struct WeatherSite {
    std::string baseUrl;             // from [Net] HostName; empty: no fetch is possible
    std::string prefectureListPath;  // [Pref] URL
    std::string stationListFormat;   // [Place] URL, one integer conversion for the prefecture
    PlaceListTags prefectureTags;
    PlaceListTags stationTags;
    int requestIntervalMs = 1000;  // [Net] RequestInterval: pause between requests of a bulk run
    int timeoutSeconds = 30;       // [Net] Timeout: the longest one fetch may take
    std::string iniPath;

    DailyTableLayout layout(bool amedas) const;
    // The station page of a prefecture; empty when the format yields nothing.
    std::string stationListUrl(int prefecture) const;
    std::string prefectureListUrl() const;
};

WeatherSite ReadWeatherSite(const std::string& iniPath);

// The character set of a fetched page, found as the scrapers see it: in the final response's
// headers and then its body, the first "charset=" decides. A quoted value counts (a page's
// <meta charset="UTF-8"> is quoted). A page that declares nothing is taken as UTF-8 when its
// bytes are valid UTF-8.
bool PageIsUtf8(std::string_view text);
// A text taken out of a page, as internal UTF-8.
std::string PageTextToUtf8(std::string_view raw, bool pageIsUtf8);
