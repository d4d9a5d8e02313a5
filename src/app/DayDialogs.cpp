#include "app/DayDialogs.h"

#include "app/NotebookSettings.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "platform/SafeFormat.h"
#include "platform/TextCodec.h"
#include "res/Strings.h"
#include "store/DayOperations.h"
#include "store/NotebookFile.h"

#include <charconv>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// What a number field may hold. The lower ends stay above the "not set" values (-1, -100)
// even after rounding to one decimal, so a typed value never reads back as not set.
struct FieldRange {
    double min, max;
};
constexpr FieldRange kLengthRange{0, 99999};
constexpr FieldRange kTemperatureRange{-99.9, 99.9};
constexpr FieldRange kFreeItemRange{-99.9, 99999};
constexpr FieldRange kSunshineRange{0, 24};

// A plain decimal number: an optional minus sign (when allowed), digits, at most one '.', and
// at least one digit. No exponent, no sign alone, nothing after the number.
bool plainDecimal(const std::string& text, bool allowMinus)
{
    size_t i = allowMinus && !text.empty() && text[0] == '-' ? 1 : 0;
    int digits = 0;
    bool dot = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i]))
            ++digits;
        else if (text[i] == '.' && !dot)
            dot = true;
        else
            return false;
    }
    return digits > 0;
}

// A number field: empty gives `unset`; otherwise a plain decimal number within `range`.
// False for anything else.
bool readDecimal(const std::string& text, float unset, FieldRange range, float& value, bool& extraDecimals)
{
    if (text.empty()) {
        value = unset;
        return true;
    }
    if (!plainDecimal(text, range.min < 0))
        return false;
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || !(v >= range.min && v <= range.max))
        return false;
    value = static_cast<float>(v);
    size_t dot = text.rfind('.');
    if (dot != std::string::npos && text.size() - dot > 2)
        extraDecimals = true;
    return true;
}

}  // namespace

EntryFields FillEntryDialog(const std::string& folder, const DayRecord& day)
{
    EntryFields f;
    // The captions come from the notebook file whether or not the day has measurements yet.
    std::string option1 = ReadNotebookKey(folder, "Option1");
    std::string option2 = ReadNotebookKey(folder, "Option2");
    if (!option1.empty()) {
        FreeItemCaption c = SplitFreeItemCaption(option1);
        f.free1Caption = c.name;
        f.free1Unit = c.unit;
    }
    if (!option2.empty()) {
        FreeItemCaption c = SplitFreeItemCaption(option2);
        f.free2Caption = c.name;
        f.free2Unit = c.unit;
    }
    const auto& m = day.measurements;
    if (!m) {
        f.showInGraph = true;
        return f;
    }
    f.height = LengthText(m->height);
    f.leafSize = LengthText(m->leafSize);
    f.solution = LengthText(m->solution);
    f.leaves = m->leaves >= 0 ? std::to_string(m->leaves) : std::string();
    f.roomTemp = TemperatureText(m->roomTemp);
    f.free1 = TemperatureText(m->free1);
    f.free2 = TemperatureText(m->free2);
    f.showInGraph = m->showInGraph();
    return f;
}

std::optional<Measurements> ReadEntryFields(const EntryFields& f, Prompt& prompt, int* focusId)
{
    Measurements m;
    bool extraDecimals = false;
    auto bad = [&](int id, Msg message) -> std::optional<Measurements> {
        if (focusId)
            *focusId = id;
        prompt.tell(message, Icon::Exclamation);
        return std::nullopt;
    };

    if (!readDecimal(f.height, kUnsetLength, kLengthRange, m.height, extraDecimals))
        return bad(EntryId::Height, Msg::DigitsOnly);
    if (f.leaves.empty()) {
        m.leaves = -1;
    } else {
        // Whole numbers only; a negative or too large count says so, other text that it is no number.
        bool number = plainDecimal(f.leaves, true) && f.leaves.find('.') == std::string::npos;
        int count = number ? IniFile::ParseInt(f.leaves) : 0;
        if (!number || count < 0 || count >= 100 || f.leaves[0] == '-')
            return bad(EntryId::Leaves, number && count != 0 ? Msg::TooManyLeaves : Msg::DigitsOnly);
        m.leaves = count;
    }
    if (!readDecimal(f.leafSize, kUnsetLength, kLengthRange, m.leafSize, extraDecimals))
        return bad(EntryId::LeafSize, Msg::DigitsOnly);
    if (!readDecimal(f.solution, kUnsetLength, kLengthRange, m.solution, extraDecimals))
        return bad(EntryId::Solution, Msg::DigitsOnly);
    if (!readDecimal(f.roomTemp, kUnsetTemperature, kTemperatureRange, m.roomTemp, extraDecimals))
        return bad(EntryId::RoomTemp, Msg::DigitsOnly);
    if (!readDecimal(f.free1, kUnsetTemperature, kFreeItemRange, m.free1, extraDecimals))
        return bad(EntryId::Free1, Msg::DigitsOnly);
    if (!readDecimal(f.free2, kUnsetTemperature, kFreeItemRange, m.free2, extraDecimals))
        return bad(EntryId::Free2, Msg::DigitsOnly);
    m.flags = f.showInGraph ? kShowInGraph : 0;
    if (extraDecimals)
        prompt.tell(Msg::RoundedToOneDecimal, Icon::Information);
    return m;
}

DayDataFields FillDayDataDialog(const DayRecord& day, bool internetEnabled)
{
    DayDataFields f;
    f.date = day.date;
    if (day.weather) {
        f.weather = day.weather->Weather;
        f.lowTemp = TemperatureText(day.weather->LowTemp);
        f.highTemp = TemperatureText(day.weather->HighTemp);
        f.daylight = LengthText(day.weather->Daylight);
    }
    f.fetchEnabled = internetEnabled;
    return f;
}

DayDataOutcome ApplyDayData(DayRecord& day, const std::string& folder, Prompt& prompt, const DayDataFields& f,
                            int* focusId)
{
    auto bad = [&](int id) {
        if (focusId)
            *focusId = id;
        prompt.tell(Msg::DigitsOnly, Icon::Exclamation);
        return DayDataOutcome::Refused;
    };
    bool ignored = false;
    DayWeather w;
    if (!readDecimal(f.lowTemp, kUnsetTemperature, kTemperatureRange, w.LowTemp, ignored))
        return bad(DayDataId::LowTemp);
    if (!readDecimal(f.highTemp, kUnsetTemperature, kTemperatureRange, w.HighTemp, ignored))
        return bad(DayDataId::HighTemp);
    if (f.lowTemp.empty() != f.highTemp.empty()) {
        if (f.lowTemp.empty())
            w.LowTemp = w.HighTemp;
        else
            w.HighTemp = w.LowTemp;
    }
    if (!readDecimal(f.daylight, kUnsetLength, kSunshineRange, w.Daylight, ignored))
        return bad(DayDataId::Daylight);
    // The day file is Shift-JIS: refuse what it cannot hold rather than write it garbled.
    if (!FitsCp932(f.weather)) {
        if (focusId)
            *focusId = DayDataId::Weather;
        prompt.ask(Msg::None, Buttons::Ok, Icon::Exclamation, kNotCp932Message);
        return DayDataOutcome::Refused;
    }
    w.Weather = CutCp932(IniFile::OneLine(f.weather), kWeatherBytes);

    QDate oldDate = day.date;
    QDate newDate = f.date.isValid() ? f.date : oldDate;
    auto refuseDate = [&](Msg message, const std::string& text) {
        if (focusId)
            *focusId = DayDataId::Date;
        prompt.ask(message, Buttons::Ok, Icon::Exclamation, text);
        return DayDataOutcome::Refused;
    };
    bool redated = newDate != oldDate && oldDate.isValid();
    if (redated) {
        // Days are records of the past.
        if (newDate > Clock::Today())
            return refuseDate(Msg::DateAfterToday, {});
        // Another day's record is never overwritten: the user picks a free date instead.
        if (DayHasFiles(folder, newDate))
            return refuseDate(Msg::DateTaken, FormatInts(LoadString(Msg::DateTaken),
                                                         {newDate.year(), newDate.month(), newDate.day()}));
    }

    bool moveRecord = false;
    if (redated) {
        bool written = FileExists(DayFilePath(folder, oldDate, "dat"));
        bool keepOld =
            written && prompt.ask(Msg::ConfirmDeleteOldDate, Buttons::YesNo, Icon::Question) != Answer::Yes;
        // The files go to the new date as they are; the old ones are removed only once every
        // copy is complete, so a failure leaves the day where it was.
        if (Result r = CopyDayFiles(folder, oldDate, newDate); !r) {
            // The dialog stays on the date: closing it would pass the day off as changed.
            prompt.tell(r.message, Icon::Stop, ResultText(r));
            if (focusId)
                *focusId = DayDataId::Date;
            return DayDataOutcome::Refused;
        }
        if (!keepOld) {
            if (Result r = RemoveCopiedDayFiles(folder, oldDate); !r)
                prompt.tell(r.message, Icon::Exclamation, ResultText(r));
        }
        moveRecord = written && !keepOld;
    }
    day.date = newDate;
    day.weather = w;
    if (!moveRecord)
        return DayDataOutcome::Applied;
    // The day is written under its new date when the calendar is shown.
    day.dirty = true;
    return DayDataOutcome::Moved;
}
