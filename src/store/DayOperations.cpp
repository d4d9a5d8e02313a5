#include "store/DayOperations.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "res/Strings.h"
#include "store/NotebookFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

const char* const kDayExtensions[] = {"dat", "jpg", "txt"};

// Removing a file changes its folder: the write-fault hook of tests stands for a folder that
// cannot be written. A file that is not there is no failure.
Result removeDayFile(const std::string& path)
{
    if (WriteFaultFor(path) || (std::remove(path.c_str()) != 0 && errno != ENOENT))
        return Result::Failed(Msg::DayDeleteFailed, path);
    return {};
}

// Copies the day's files byte for byte to another date (a photo that could not be decoded
// goes with them unchanged). On failure the copies made so far are removed again.
}  // namespace

Result CopyDayFiles(const std::string& folder, const QDate& from, const QDate& to)
{
    std::vector<std::string> made;
    for (const char* ext : kDayExtensions) {
        std::string source = DayFilePath(folder, from, ext);
        if (!FileExists(source))
            continue;
        std::string target = DayFilePath(folder, to, ext);
        if (!CopyFileSafe(source, target, true)) {
            for (const std::string& path : made)
                std::remove(path.c_str());
            return Result::Failed(Msg::DayMoveFailed, target);
        }
        made.push_back(target);
    }
    // Frame alignment belongs to the old date's place in the animation.
    std::string dat = DayFilePath(folder, to, "dat");
    if (FileExists(dat)
        && !IniFile::WriteChanges(dat, {{"Triming", "Position", std::nullopt}, {"Triming", "Size", std::nullopt}})) {
        for (const std::string& path : made)
            std::remove(path.c_str());
        return Result::Failed(Msg::DayMoveFailed, dat);
    }
    return {};
}

Result RemoveCopiedDayFiles(const std::string& folder, const QDate& date)
{
    Result failed;
    for (const char* ext : kDayExtensions) {
        Result r = removeDayFile(DayFilePath(folder, date, ext));
        if (!r && failed)
            failed = r;
    }
    return failed;
}

bool DayHasFiles(const std::string& folder, const QDate& date)
{
    for (const char* ext : kDayExtensions)
        if (FileExists(DayFilePath(folder, date, ext)))
            return true;
    return false;
}

Result RemoveDayFiles(const std::string& folder, const QDate& date)
{
    if (!date.isValid())
        return {};
    // Only files named exactly after the day are its files.
    std::string stem = DayFileStem(date);
    std::vector<std::string> files;
    for (const std::string& name : FindFiles(folder, stem + ".*"))
        if (DayFileDate(name, std::string_view(name).substr(stem.size() + 1)) == date)
            files.push_back(JoinPath(folder, name));
    Result failed;
    if (!files.empty() && ::access(folder.c_str(), W_OK) != 0)
        failed = Result::Failed(Msg::DayDeleteFailed, folder);
    for (size_t i = 0; failed && i < files.size(); ++i)
        failed = removeDayFile(files[i]);
    return failed;
}

void ClearDayValues(DayRecord& day)
{
    day.dirty = false;
    day.pictureChanged = false;
    day.weather.reset();
    day.measurements.reset();
    day.picture = QImage();
    day.sourcePath.clear();
}

std::string MemoPath(const std::string& folder, const QDate& date)
{
    return DayFilePath(folder, date, "txt");
}

Result PrepareMemo(const std::string& memo, const std::string& templ)
{
    // A memo that is a link (or a folder, a FIFO) is no memo of the notebook's: an editor given
    // its name would open what it points to.
    if (NotAFile(memo))
        return Result::Failed(Msg::DayWriteFailed, memo);
    if (!FileExists(memo) && FileExists(templ) && !CopyFileSafe(templ, memo, true))
        return Result::Failed(Msg::DayWriteFailed, memo);
    return {};
}

bool MemoHasWriting(const std::string& memo, const std::string& templ)
{
    std::string text, blank;
    if (!ReadFileBytes(memo, text) || text.empty())
        return false;
    bool fromTemplate = FileExists(templ) && ReadFileBytes(templ, blank) && text == blank;
    return !fromTemplate;
}
