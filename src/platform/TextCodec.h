#pragma once
// Text on disk is Shift-JIS (CP932); in memory it is UTF-8.
#include <string>
#include <string_view>

enum class TextEncoding { Cp932, Utf8 };

// UTF-8 -> CP932. A character CP932 cannot hold makes `ok` false and is left out.
std::string ToCp932(std::string_view utf8, bool* ok = nullptr);
// CP932 -> UTF-8. Undecodable bytes become U+FFFD.
std::string FromCp932(std::string_view cp932);
bool IsValidUtf8(std::string_view bytes);
// True when every character of `utf8` exists in CP932.
bool FitsCp932(std::string_view utf8);
// Bytes of `utf8` decoded per the file rule: valid UTF-8 with non-ASCII bytes or a BOM is UTF-8,
// anything else CP932. `encoding` receives which one it was.
std::string DecodeFileText(std::string_view bytes, TextEncoding* encoding = nullptr);
std::string EncodeFileText(std::string_view utf8, TextEncoding encoding, bool* ok = nullptr);
// Length of `utf8` in CP932 bytes.
size_t Cp932Length(std::string_view utf8);
// The longest head of `utf8` whose CP932 form has at most `maxBytes` bytes; never cuts a character.
std::string CutCp932(std::string_view utf8, size_t maxBytes);
// Length in bytes of the UTF-8 character starting at s[i] (1 for a stray byte).
size_t Utf8CharLength(std::string_view s, size_t i);
