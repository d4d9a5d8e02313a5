#pragma once
// Private-profile (INI) files: [Section] and Key=Value lines, names compared without regard
// to case, read key by key with a default, written key by key (file and section created when
// missing, every other line kept). Files are CP932 on disk (UTF-8 tolerated on read, see
// DetectFileEncoding); a file is written back in the encoding it was read in, a new file in
// CP932. Writes are crash-safe and serialised process-wide.
#include "platform/Result.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace IniFile {

// The value, or `def` when the file, section or key is missing.
std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view def = {});
// Optional minus sign and leading decimal digits; 0 when there are none; `def` when missing.
int ReadInt(const std::string& path, std::string_view section, std::string_view key, int def);
bool HasKey(const std::string& path, std::string_view section, std::string_view key);
// Fails, leaving the file unchanged, when the file cannot be written (message 590), when it is
// there but cannot be read (591: never replaced by what was not read), or when a name or `value`
// holds a line break or NUL (which would start a line of its own) or a character the file's
// encoding cannot hold (593).
[[nodiscard]] Result WriteString(const std::string& path, std::string_view section, std::string_view key,
                                 std::string_view value);
[[nodiscard]] Result WriteInt(const std::string& path, std::string_view section, std::string_view key,
                              int value);
// Writes several keys of one section with one file replacement.
[[nodiscard]] Result WriteKeys(const std::string& path, std::string_view section,
                               const std::vector<std::pair<std::string, std::string>>& keys);
// A section left with nothing but blank lines goes with its last key.
[[nodiscard]] Result DeleteKey(const std::string& path, std::string_view section, std::string_view key);

// One key of a section set to a value, or deleted when there is none.
struct KeyChange {
    std::string section;
    std::string key;
    std::optional<std::string> value;
};
// Applies every change, in any sections, and replaces the file once; with `companions` (other
// whole files: path and bytes) written together with it, so that either all are replaced or
// none is. Refuses as WriteString does; the failure names the file that could not be written.
[[nodiscard]] Result
WriteChanges(const std::string& path, const std::vector<KeyChange>& changes,
             const std::vector<std::pair<std::string, std::string_view>>& companions = {});

// True when the text can stand in one line of the file: no CR, LF or NUL.
bool IsOneLine(std::string_view text);
// The text made one line: each run of CR, LF and NUL becomes one space.
std::string OneLine(std::string_view text);

// The integer rule of the format, shared with readers of text values.
int ParseInt(std::string_view text);

}  // namespace IniFile
