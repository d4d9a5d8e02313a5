#pragma once
// The string table: numbered texts shown in message boxes and captions.
// Returns "" for an id the table does not hold.
const char* LoadString(int id);

constexpr int kAppTitle = 57344;  // caption of every message box
constexpr int kAppName = 128;     // window title before a notebook is open

// The names of the two free measurement items until the notebook gives them its own.
inline constexpr const char* kFreeItemDefaultCaption1 = "フリー項目1";
inline constexpr const char* kFreeItemDefaultCaption2 = "フリー項目2";
