#include "store/NotebookFile.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
constexpr const char* kSection = "Data";
}

std::string NotebookFilePath(const std::string& notebookFolder)
{
    return JoinPath(notebookFolder, kNotebookFileName);
}

std::string ReadNotebookKey(const std::string& notebookFolder, const char* key)
{
    return CutUtf8(IniFile::ReadString(NotebookFilePath(notebookFolder), kSection, key, ""),
                   kNotebookTextBytes);
}

Result WriteNotebookKey(const std::string& notebookFolder, const char* key, const std::string& value)
{
    std::string path = NotebookFilePath(notebookFolder);
    return IniFile::WriteString(path, kSection, key, value).as(Msg::DayWriteFailed);
}

NotebookInfo ReadNotebookInfo(const std::string& notebookFolder)
{
    std::string path = NotebookFilePath(notebookFolder);
    auto rd = [&](const char* key) {
        return CutUtf8(IniFile::ReadString(path, kSection, key, ""), kNotebookTextBytes);
    };
    NotebookInfo i;
    i.StartDate = rd("StartDate");
    i.KindName = rd("KindName");
    i.SchoolName = rd("SchoolName");
    i.GradeNo = rd("GradeNo");
    i.ClassName = rd("ClassName");
    i.StudentNo = rd("StudentNo");
    i.StudentName = rd("StudentName");
    i.hasOption1 = IniFile::HasKey(path, kSection, "Option1");
    i.hasOption2 = IniFile::HasKey(path, kSection, "Option2");
    i.Option1 = rd("Option1");
    i.Option2 = rd("Option2");
    return i;
}

Result WriteNotebookInfo(const std::string& notebookFolder, const NotebookInfo& i)
{
    std::string path = NotebookFilePath(notebookFolder);
    return IniFile::WriteKeys(path, kSection,
                              {{"StartDate", i.StartDate},
                               {"KindName", i.KindName},
                               {"SchoolName", i.SchoolName},
                               {"GradeNo", i.GradeNo},
                               {"ClassName", i.ClassName},
                               {"StudentNo", i.StudentNo},
                               {"StudentName", i.StudentName},
                               {"Option1", i.Option1},
                               {"Option2", i.Option2}})
        .as(Msg::DayWriteFailed);
}

std::optional<QDate> ParseStartDate(const std::string& text)
{
    int v[3] = {0, 0, 0};
    size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        if (start > text.size())
            return std::nullopt;
        size_t slash = text.find('/', start);
        std::string part = text.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        size_t d = 0;
        while (d < part.size() && (part[d] == ' ' || part[d] == '\t'))
            ++d;
        if (d >= part.size() || part[d] < '0' || part[d] > '9')
            return std::nullopt;
        v[k] = IniFile::ParseInt(part);
        if (slash == std::string::npos) {
            if (k < 2)
                return std::nullopt;
            start = text.size() + 1;
        } else {
            start = slash + 1;
        }
    }
    QDate d(v[0], v[1], v[2]);
    if (!d.isValid() || v[0] < 1900 || v[0] > 9999)
        return std::nullopt;
    return d;
}

std::string FormatIniDate(const QDate& date)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", date.year(), date.month(), date.day());
    return buf;
}

std::string DayFileStem(const QDate& date)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", date.year(), date.month(), date.day());
    return buf;
}

int DateToInt(const QDate& date)
{
    return date.year() * 10000 + date.month() * 100 + date.day();
}

QDate IntToDate(int v)
{
    return QDate(v / 10000, (v / 100) % 100, v % 100);
}

QDate DayFileDate(std::string_view name, std::string_view extension)
{
    if (name.size() != 9 + extension.size() || name[8] != '.')
        return {};
    int value = 0;
    for (int i = 0; i < 8; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return {};
        value = value * 10 + (name[i] - '0');
    }
    // Days begin with the year 2000: an older name is not a day's file.
    if (value <= 20000000)
        return {};
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < extension.size(); ++i)
        if (lower(name[9 + i]) != lower(extension[i]))
            return {};
    return IntToDate(value);
}

std::vector<QDate> ListDayFileDates(const std::string& folder, std::string_view extension)
{
    // The folder is read once; the name decides first, and the entry's type comes from the
    // folder itself, so a notebook's scan costs no call per file. Only an entry whose type the
    // file system does not give is looked up; a link is no file of the notebook.
    std::vector<QDate> dates;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return dates;
    while (const dirent* e = readdir(dir)) {
        const QDate d = DayFileDate(e->d_name, extension);
        if (!d.isValid())
            continue;
        bool regular = e->d_type == DT_REG;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            regular = fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
        }
        if (regular)
            dates.push_back(d);
    }
    closedir(dir);
    std::sort(dates.begin(), dates.end());
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
    return dates;
}

FreeItemCaption SplitFreeItemCaption(const std::string& caption)
{
    size_t open = caption.find('(');
    if (open == std::string::npos)
        return {caption, {}};
    size_t close = caption.find(')', open + 1);
    return {caption.substr(0, open),
            caption.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1)};
}

int RemoveStaleNotebookTemporaries(const std::string& notebookFolder)
{
    return RemoveStaleTemporaries(notebookFolder, [](std::string_view target, std::string_view suffix) {
        if (!suffix.empty())
            return false;
        if (target == kNotebookFileName)
            return true;
        // "YYYYMMDD.dat", ".jpg" or ".txt": eight digits, whatever the date.
        if (target.size() != 12 || target[8] != '.')
            return false;
        for (size_t i = 0; i < 8; ++i)
            if (target[i] < '0' || target[i] > '9')
                return false;
        std::string_view ext = target.substr(9);
        return ext == "dat" || ext == "jpg" || ext == "txt";
    });
}
