#pragma once
// What the internet settings dialog opens with, what it asks of the controller while open,
// and what its OK hands back.
#include "store/DayRecord.h"
#include "weather/WeatherScrape.h"

#include <functional>
#include <optional>
#include <vector>

struct InternetSettingsFields {
    bool enabled = false;  // EnableInternet
    int savedPref = -1;    // -1: none saved
    int savedPlace = -1;   // -1: none saved
};

struct InternetSettingsChoice {
    bool enabled = false;
    std::optional<PlaceEntry> prefecture;  // the selected entries, when a station is selected
    std::optional<PlaceEntry> station;
};

// Each operation has told the user why when it gives nothing.
struct InternetSettingsOps {
    std::function<bool()> confirmEnable;  // question 167: true on Yes
    std::function<std::optional<std::vector<PlaceEntry>>()> prefectures;
    std::function<std::optional<std::vector<PlaceEntry>>(int prefecture)> stations;
    // The weather of two days ago at that place.
    std::function<std::optional<DayWeather>(int prefecture, int station)> test;
    std::function<void(const InternetSettingsChoice&)> apply;
};
