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
constexpr FieldRange kLeavesRange{0, 99};

// A plain decimal number: an optional minus sign, digits, at most one '.', and at least one
// digit. No exponent, no sign alone, nothing after the number.
bool plainDecimal(const std::string& text)
{
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
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

enum class FieldRead { Read, NotNumber, OutOfRange };

// A number field: empty gives `unset`; otherwise a plain decimal number, which must lie within
// `range`.
FieldRead readDecimal(const std::string& text, float unset, FieldRange range, float& value,
                      bool& extraDecimals)
{
    if (text.empty()) {
        value = unset;
        return FieldRead::Read;
    }
    if (!plainDecimal(text))
        return FieldRead::NotNumber;
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec == std::errc::result_out_of_range)
        return FieldRead::OutOfRange;
    if (r.ec != std::errc())
        return FieldRead::NotNumber;
    if (!(v >= range.min && v <= range.max))
        return FieldRead::OutOfRange;
    value = static_cast<float>(v + 0.0);  // "-0" is 0
    size_t dot = text.rfind('.');
    if (dot != std::string::npos && text.size() - dot > 2)
        extraDecimals = true;
    return FieldRead::Read;
}

// What the user is told of a field that could not be read: that it takes numbers only, or
// which range it takes, by the field's name.
std::string fieldMessage(FieldRead read, const std::string& name, FieldRange range)
{
    if (read != FieldRead::OutOfRange)
        return LoadString(Msg::DigitsOnly);
    std::string text = LoadString(Msg::ValueOutOfRange);
    for (const std::string& part :
         {name, QString::number(range.min).toStdString(), QString::number(range.max).toStdString()}) {
        size_t at = text.find("%s");
        if (at != std::string::npos)
            text.replace(at, 2, part);
    }
    return text;
}

// A number field of a dialog, read into `value`.
struct NumberField {
    int id;
    std::string name;  // as the dialog labels it
    const std::string& text;
    float unset;
    FieldRange range;
    float& value;
    bool whole = false;  // a count: no decimals
};

// Reads the fields in the order the dialog shows them. The first one that cannot be read is
// told to the user by its name and its id returned; 0 when all were read.
int readNumberFields(std::initializer_list<NumberField> fields, Prompt& prompt, bool& extraDecimals)
{
    for (const NumberField& field : fields) {
        FieldRead read = field.whole && field.text.find('.') != std::string::npos
                             ? FieldRead::NotNumber
                             : readDecimal(field.text, field.unset, field.range, field.value, extraDecimals);
        if (read != FieldRead::Read) {
            Msg message = read == FieldRead::OutOfRange ? Msg::ValueOutOfRange : Msg::DigitsOnly;
            prompt.tell(message, Icon::Exclamation, fieldMessage(read, field.name, field.range));
            return field.id;
        }
    }
    return 0;
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
    float leaves = -1;
    const int bad = readNumberFields(
        {
            {EntryId::Height, "草たけ", f.height, kUnsetLength, kLengthRange, m.height},
            {EntryId::Leaves, "葉の枚数", f.leaves, -1, kLeavesRange, leaves, true},
            {EntryId::LeafSize, "葉の大きさ", f.leafSize, kUnsetLength, kLengthRange, m.leafSize},
            {EntryId::Solution, "養液面", f.solution, kUnsetLength, kLengthRange, m.solution},
            {EntryId::RoomTemp, "室温", f.roomTemp, kUnsetTemperature, kTemperatureRange, m.roomTemp},
            {EntryId::Free1, f.free1Caption, f.free1, kUnsetTemperature, kFreeItemRange, m.free1},
            {EntryId::Free2, f.free2Caption, f.free2, kUnsetTemperature, kFreeItemRange, m.free2},
        },
        prompt, extraDecimals);
    if (bad) {
        if (focusId)
            *focusId = bad;
        return std::nullopt;
    }
    m.leaves = static_cast<int>(leaves);
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
                            const QDate& notebookStart, int* focusId)
{
    bool ignored = false;
    DayWeather w;
    const int bad = readNumberFields(
        {
            {DayDataId::LowTemp, "最低気温", f.lowTemp, kUnsetTemperature, kTemperatureRange, w.LowTemp},
            {DayDataId::HighTemp, "最高気温", f.highTemp, kUnsetTemperature, kTemperatureRange, w.HighTemp},
            {DayDataId::Daylight, "日照時間", f.daylight, kUnsetLength, kSunshineRange, w.Daylight},
        },
        prompt, ignored);
    if (bad) {
        if (focusId)
            *focusId = bad;
        return DayDataOutcome::Refused;
    }
    if (f.lowTemp.empty() != f.highTemp.empty()) {
        if (f.lowTemp.empty())
            w.LowTemp = w.HighTemp;
        else
            w.HighTemp = w.LowTemp;
    }
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
        // A date that long before the notebook began is a slip of the keys, not a record.
        if (notebookStart.isValid() && newDate < notebookStart.addYears(-1))
            return refuseDate(Msg::DateFarBeforeStart,
                              FormatInts(LoadString(Msg::DateFarBeforeStart),
                                         {newDate.year(), newDate.month(), newDate.day(),
                                          notebookStart.year(), notebookStart.month(), notebookStart.day()}));
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
    // The day is to be written under its new date.
    day.dirty = true;
    return DayDataOutcome::Moved;
}
