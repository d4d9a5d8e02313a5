#pragma once
// Where notebooks live: the data root (a folder whose direct sub-folders holding Kelto.dat
// are notebooks) and how it is remembered in Kelto.ini relative to an anchor folder (the
// program folder when portable, see AppFolders).
#include <string>
#include <vector>

// The data root for a stored FolderPath value: absolute values are taken unchanged, anything
// else lies inside the anchor. A backslash written on Windows reads as "/".
std::string ResolveDataRoot(const std::string& anchor, std::string folderPath);
// The FolderPath value for a data root: relative when it lies inside the anchor.
std::string StoredFolderPath(const std::string& anchor, const std::string& dataRoot);
// The FolderPath value for a data root when Kelto.ini holds `stored`: `stored` itself when it
// names that root already (a value written on Windows keeps its backslashes); otherwise the
// value StoredFolderPath makes, relative with backslashes when `stored` was written so.
std::string KeptFolderPath(const std::string& anchor, const std::string& dataRoot, const std::string& stored);
bool IsInsideAnchor(const std::string& anchor, const std::string& dataRoot);
bool IsAbsoluteFolderPath(const std::string& path);
// True when `name` can be a notebook folder name: not empty, no separator, not "." or "..".
bool IsSafeFolderName(const std::string& name);
bool IsNotebookFolder(const std::string& folder);

struct NotebookListRow {
    std::string name;        // data name as text (a folder name made on Windows decoded from CP932)
    std::string folderName;  // the folder's name as the file system holds it
    std::string kindName;    // KindName as stored
    std::string startDate;   // StartDate as stored
};
// The notebooks of a data root, sorted by data name.
std::vector<NotebookListRow> ListNotebooks(const std::string& dataRoot);

// The data name of a notebook folder name (the file system's bytes): names that are not UTF-8
// were made on Windows and are decoded from CP932.
std::string DataNameOfFolder(const std::string& folderName);
// True when Kelto.ini (Shift-JIS) can remember the data name so that it finds the folder again.
bool CanRememberDataName(const std::string& dataName);
// The folder of the data root that a data name remembered in Kelto.ini stands for: the folder of
// that name; else the one whose name is the CP932 form of it (unpacked from a Windows archive);
// else the single one whose name reads as the same text after a trip through CP932. When none
// matches, the name itself.
std::string FindNotebookFolderName(const std::string& dataRoot, const std::string& dataName);
