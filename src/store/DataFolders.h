#pragma once
// Where notebooks live: the data root (a folder whose direct sub-folders holding Kelto.dat
// are notebooks) and how it is remembered in Kelto.ini relative to the program folder.
#include <string>
#include <vector>

// The data root for a stored FolderPath value: absolute values are taken unchanged, anything
// else lies inside the program folder. A backslash written on Windows reads as "/".
std::string ResolveDataRoot(const std::string& programFolder, std::string folderPath);
// The FolderPath value for a data root: relative when it lies inside the program folder.
std::string StoredFolderPath(const std::string& programFolder, const std::string& dataRoot);
bool IsInsideProgramFolder(const std::string& programFolder, const std::string& dataRoot);
bool IsAbsoluteFolderPath(const std::string& path);
// True when `name` can be a notebook folder name: not empty, no separator, not "." or "..".
bool IsSafeFolderName(const std::string& name);
bool IsNotebookFolder(const std::string& folder);

struct NotebookListRow {
    std::string name;       // folder name = data name
    std::string kindName;   // KindName as stored
    std::string startDate;  // StartDate as stored
};
// The notebooks of a data root in the order the file system returns them.
std::vector<NotebookListRow> ListNotebooks(const std::string& dataRoot);
