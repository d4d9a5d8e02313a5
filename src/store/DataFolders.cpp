#include "store/DataFolders.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "store/NotebookFile.h"

#include <QString>

#include <algorithm>

namespace {
std::string trimSeparators(std::string p)
{
    std::replace(p.begin(), p.end(), '\\', '/');
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}
}  // namespace

bool IsAbsoluteFolderPath(const std::string& path)
{
    if (!path.empty() && (path[0] == '/' || path[0] == '\\'))
        return true;
#ifdef _WIN32
    return path.size() >= 2 && path[1] == ':';
#else
    return false;
#endif
}

std::string ResolveDataRoot(const std::string& anchor, std::string folderPath)
{
    folderPath = trimSeparators(folderPath);
    if (IsAbsoluteFolderPath(folderPath))
        return folderPath;
    // An empty value means the anchor itself.
    if (folderPath.empty())
        return trimSeparators(anchor);
    return JoinPath(trimSeparators(anchor), folderPath);
}

bool IsInsideAnchor(const std::string& anchor, const std::string& dataRoot)
{
    // File names on this platform are case-sensitive: a folder differing only in case is
    // another folder, so the comparison keeps case.
    std::string prog = trimSeparators(anchor);
    std::string root = trimSeparators(dataRoot);
    return root == prog
           || (root.size() > prog.size() && root.compare(0, prog.size(), prog) == 0
               && (root[prog.size()] == '/' || prog == "/"));
}

std::string StoredFolderPath(const std::string& anchor, const std::string& dataRoot)
{
    std::string prog = trimSeparators(anchor);
    std::string root = trimSeparators(dataRoot);
    if (!IsInsideAnchor(prog, root))
        return root;
    if (root == prog)
        return {};
    return root.substr(prog == "/" ? 1 : prog.size() + 1);
}

std::string KeptFolderPath(const std::string& anchor, const std::string& dataRoot, const std::string& stored)
{
    if (ResolveDataRoot(anchor, stored) == trimSeparators(dataRoot))
        return stored;
    std::string value = StoredFolderPath(anchor, dataRoot);
    if (!IsAbsoluteFolderPath(value) && stored.find('\\') != std::string::npos
        && stored.find('/') == std::string::npos)
        std::replace(value.begin(), value.end(), '/', '\\');
    return value;
}

bool IsSafeFolderName(const std::string& name)
{
    // A control character (a line break above all) could never be kept in Kelto.ini.
    bool control =
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return IsPlainFileName(name) && !control;
}

bool IsNotebookFolder(const std::string& folder)
{
    return FileExists(JoinPath(folder, kNotebookFileName));
}

std::string DataNameOfFolder(const std::string& folderName)
{
    return DecodeFileName(folderName);
}

bool CanRememberDataName(const std::string& dataName)
{
    return !dataName.empty() && FitsCp932(dataName) && IniFile::IsOneLine(dataName);
}

std::string FindNotebookFolderName(const std::string& dataRoot, const std::string& dataName)
{
    if (dataName.empty() || FolderExists(JoinPath(dataRoot, dataName)))
        return dataName;
    bool fits = true;
    std::string cp932 = ToCp932(dataName, &fits);
    if (fits && FolderExists(JoinPath(dataRoot, cp932)))
        return cp932;
    std::string wanted = NormaliseForCp932(dataName);
    std::string found;
    int matches = 0;
    for (const auto& folderName : ListSubfolders(dataRoot)) {
        if (NormaliseForCp932(DataNameOfFolder(folderName)) == wanted) {
            found = folderName;
            ++matches;
        }
    }
    return matches == 1 ? found : dataName;
}

std::vector<NotebookListRow> ListNotebooks(const std::string& dataRoot)
{
    std::vector<NotebookListRow> rows;
    for (const auto& folderName : ListSubfolders(dataRoot)) {
        if (folderName.empty() || folderName[0] == '.')
            continue;
        std::string folder = JoinPath(dataRoot, folderName);
        if (!IsNotebookFolder(folder))
            continue;
        NotebookInfo info = ReadNotebookInfo(folder);
        rows.push_back({DataNameOfFolder(folderName), folderName, info.KindName, info.StartDate});
    }
    std::sort(rows.begin(), rows.end(), [](const NotebookListRow& a, const NotebookListRow& b) {
        int c = QString::fromStdString(a.name).compare(QString::fromStdString(b.name), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.folderName < b.folderName;
    });
    return rows;
}
