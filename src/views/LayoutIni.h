#pragma once
// The keys of Layout.ini, the page layout beside the program: one table, painters never
// scatter literals. The program only reads this file.
#include "platform/SettingKey.h"

#include <optional>
#include <string>

namespace LayoutIni {
// Calendar (the section name is spelled so in every layout file).
inline constexpr const char* Calender = "Calender";
inline constexpr IntSetting CalX{"Calender", "X", 10};
inline constexpr IntSetting CalY{"Calender", "Y", 10};
inline constexpr IntSetting CalWidth{"Calender", "Width", 80};
inline constexpr IntSetting CalHeight{"Calender", "Height", 60};
inline constexpr IntSetting CalPicWidth{"Calender", "PicWidth", 80};
inline constexpr IntSetting CalPicHeight{"Calender", "PicHeight", 60};
inline constexpr IntSetting CalWeekOffset{"Calender", "WeekOffset", 10};
inline constexpr IntSetting CalDayOffset{"Calender", "DayOffset", 10};

// Detail page.
inline constexpr const char* Data = "Data";  // holds the detail page's BackGround
inline constexpr IntSetting PictureX{"Picture", "X", 10};
inline constexpr IntSetting PictureY{"Picture", "Y", 10};
inline constexpr IntSetting Data1X{"Data1", "X", 10};
inline constexpr IntSetting Data1Y{"Data1", "Y", 10};
inline constexpr IntSetting Data1Width{"Data1", "Width", 100};
inline constexpr IntSetting Data1LinePitch{"Data1", "LinePitch", 20};
inline constexpr IntSetting Data1ColumnWidth{"Data1", "ColumnWidth", 20};
inline constexpr TextSetting Data3Title{"Data3", "Title", "999,999"};
inline constexpr IntSetting MemoX{"Memo", "X", 10};
inline constexpr IntSetting MemoY{"Memo", "Y", 10};
inline constexpr IntSetting MemoWidth{"Memo", "Width", 100};
inline constexpr IntSetting MemoHeight{"Memo", "Height", 100};
inline constexpr IntSetting MemoLinePitch{"Memo", "LinePitch", 20};

// Graph page, its three scales and the legend popup.
inline constexpr IntSetting GraphX{"Graph", "X", 10};
inline constexpr IntSetting GraphY{"Graph", "Y", 10};
inline constexpr IntSetting GraphWidth{"Graph", "Width", 100};
inline constexpr IntSetting GraphLinePitch{"Graph", "LinePitch", 20};
inline constexpr IntSetting GraphLeafPitch{"Graph", "LeafPitch", 3};
inline constexpr IntSetting GraphLeafWidth{"Graph", "LeafWidth", 10};
inline constexpr IntSetting Graph1Y{"Graph1", "Y", 100};
inline constexpr IntSetting Graph1Height{"Graph1", "Height", 100};
inline constexpr IntSetting Graph2Y{"Graph2", "Y", 100};
inline constexpr IntSetting Graph2Height{"Graph2", "Height", 100};
inline constexpr IntSetting Graph3Y{"Graph3", "Y", 100};
inline constexpr IntSetting Graph3Height{"Graph3", "Height", 100};
inline constexpr IntSetting NotesX{"Notes", "X", 10};
inline constexpr IntSetting NotesY{"Notes", "Y", 10};
inline constexpr IntSetting NotesWidth{"Notes", "Width", 100};
inline constexpr IntSetting NotesLinePitch{"Notes", "LinePitch", 10};

// List page ([List] also holds Title1..Title11, the row captions).
inline constexpr const char* List = "List";
inline constexpr IntSetting ListX{"List", "X", 10};
inline constexpr IntSetting ListY{"List", "Y", 10};
inline constexpr IntSetting ListLinePitch{"List", "LinePitch", 24};
inline constexpr IntSetting ListPicWidth{"List", "PicWidth", 80};
inline constexpr IntSetting ListPicHeight{"List", "PicHeight", 60};
inline constexpr IntSetting ListColumnWidth{"List", "ColumnWidth", 100};
inline constexpr IntSetting ListTitleWidth{"List", "TitleWidth", 100};

// Keys every page section may carry.
inline constexpr const char* BackGround = "BackGround";
inline constexpr const char* Title = "Title";
inline constexpr const char* PrevMonth = "PrevMonth";
inline constexpr const char* NextMonth = "NextMonth";

// Value sizes of the reads (the buffers the layout values were made for), terminator excluded.
inline constexpr size_t kHeaderValueBytes = 31;
inline constexpr size_t kCaptionValueBytes = 259;
inline constexpr size_t kMemoTitleBytes = 511;
}  // namespace LayoutIni

// Every number of the layout is a position, size, distance or offset on a page: values beyond
// this many pixels either way are taken as this bound, so sums of a few of them never overflow
// and nothing is sized from a hand-edited 2147483647.
inline constexpr int kLayoutLimit = 32767;
int ClampLayout(long long value, int low = -kLayoutLimit, int high = kLayoutLimit);

// A caption value "x,y,text": two decimal integers and the text after the second comma.
struct Caption {
    int x = 0;
    int y = 0;
    std::string text;
};
// None for an empty value or one without its second comma. x and y within kLayoutLimit.
std::optional<Caption> ParseCaption(const std::string& value);

// The value within kLayoutLimit.
int ReadLayoutInt(const std::string& layoutFile, const IntSetting& key);
// The value cut to `maxBytes` CP932 bytes (never inside a character).
std::string ReadLayoutText(const std::string& layoutFile, const char* section, const char* key,
                           const char* def = "", size_t maxBytes = LayoutIni::kCaptionValueBytes);
