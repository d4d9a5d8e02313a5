#pragma once
// File helpers over the file system's own names (UTF-8).
#include "platform/Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

std::string JoinPath(std::string_view folder, std::string_view name);
std::string ParentFolder(std::string_view path);   // text before the last separator
std::string LastComponent(std::string_view path);  // text after the last separator
// True when `name` names one entry of a folder: not empty, not "." or "..", and without a
// separator ("/", or "\\" as a Windows-written name has it) or a NUL.
bool IsPlainFileName(std::string_view name);
// A notebook's files are taken by their own names: a link is never followed (it may lead out
// of the notebook), and counts as no file. A regular file under that name, not through a link.
bool FileExists(const std::string& path);
// A regular file there, a link followed: for a file the user chose outside any notebook.
bool ChosenFileExists(const std::string& path);
// True when something other than a regular file has the name: a link, a folder, a FIFO.
bool NotAFile(const std::string& path);
bool FolderExists(const std::string& path);
// Names (not paths) of the regular files in `folder` whose names match `pattern`
// ('*' and '?', case-insensitive), in the order the file system returns them. Links are not
// followed, and not listed.
std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern);
std::vector<std::string> ListSubfolders(const std::string& folder);
bool WildcardMatch(std::string_view pattern, std::string_view name);
// Deletes every file of `folder` matching `pattern`; returns how many went.
int DeleteFiles(const std::string& folder, std::string_view pattern);
// Reads at most `limit` bytes from the start of a regular file; anything else (a FIFO, a
// device, a folder, a link) is refused at once without blocking.
bool ReadFileBytes(const std::string& path, std::string& out, size_t limit = SIZE_MAX);
// As ReadFileBytes, a link followed: for a file the user chose outside any notebook (an
// import's source photo, a desktop entry of the system).
bool ReadChosenFileBytes(const std::string& path, std::string& out, size_t limit = SIZE_MAX);
// Writes a new file beside the target and renames it over the target only once complete,
// so an interrupted write leaves the old file whole. A failure names the file and the system's
// reason (message 590).
[[nodiscard]] Result WriteFileAtomic(const std::string& path, std::string_view bytes);
// Several files written together (path, bytes): each new file is complete beside its target
// before any of them replaces its target, in the order given. A failure leaves every target as it
// was (a target already replaced when a later one cannot be gets its old file back) and no new
// file behind; the failure then names the target that could not be written. A writer killed
// half way through leaves a record of the set, and the RemoveStaleTemporaries of the next start
// puts every old file back before it clears what was left.
[[nodiscard]] Result WriteFilesAtomic(const std::vector<std::pair<std::string, std::string_view>>& files);
// The new file such a write starts with: named after `path`, then ".tmp", six random characters
// and `suffix`, with the permissions the target has (a new one, or a target that is a link or
// someone else's: 0666 less the umask). Its open
// descriptor, with `tmp` set to its name; -1 when it cannot be made. The descriptor holds an
// exclusive lock on the file until it is closed, which tells a writer at work from a file
// left behind by a writer that was killed.
int OpenTemporaryBeside(const std::string& path, std::string_view suffix, std::string& tmp);
// Removes from `folder` the files OpenTemporaryBeside made whose target name and suffix `ours`
// accepts, once no writer holds them and they are more than a few seconds old, after finishing
// (or, where it cannot be finished, undoing) each set of files whose writer was killed. Only a
// record of a set that this program writes, of targets `ours` accepts with no suffix, is acted
// on, and no target is ever removed. Every other file stays; a record not acted on, and a name
// `ours` accepts that is not a regular file, are reported once on the error stream. Returns how
// many went.
int RemoveStaleTemporaries(const std::string& folder,
                           const std::function<bool(std::string_view target, std::string_view suffix)>& ours);
// Removes the abandoned files a WriteFileAtomic of `target` left beside it (its writer was
// killed), as RemoveStaleTemporaries judges them. Returns how many went.
int RemoveStaleTemporariesOf(const std::string& target);
// Copies through WriteFileAtomic; with failIfExists an existing target is kept and the copy
// fails (message 592). A source that cannot be read fails with message 591, naming it.
[[nodiscard]] Result CopyFileSafe(const std::string& from, const std::string& to, bool failIfExists);

// Tests make writes fail: the hook sees the target path and returns true to fail it
// after part of the new file was written.
void SetWriteFaultHook(std::function<bool(const std::string&)> hook);
// Tests stop a write of several files between its renames, as a kill would: the hook is called
// after each target has taken its new file, with how many have.
void SetAfterRenameHook(std::function<void(size_t renamed)> hook);
bool WriteFaultFor(const std::string& path);
