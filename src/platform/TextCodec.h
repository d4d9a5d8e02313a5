#pragma once
// Text on disk is Shift-JIS (CP932); in memory it is UTF-8.
#include <string>
#include <string_view>

enum class TextEncoding { Cp932, Utf8 };

// UTF-8 -> CP932. A character CP932 cannot hold makes `ok` false and is left out.
std::string ToCp932(std::string_view utf8, bool* ok = nullptr);
// CP932 -> UTF-8. Undecodable bytes become U+FFFD (and make `ok` false); a lead byte without
// a trail byte is one undecodable byte, so line breaks always survive.
std::string FromCp932(std::string_view cp932, bool* ok = nullptr);
bool IsValidUtf8(std::string_view bytes);
// True when every character of `utf8` exists in CP932 (it may come back as another character).
bool FitsCp932(std::string_view utf8);
// The text as it reads back after a trip through CP932 (U+301C WAVE DASH becomes U+FF5E, the
// yen sign its full-width form); characters CP932 cannot hold are left out and make `ok` false.
std::string NormaliseForCp932(std::string_view utf8, bool* ok = nullptr);
// True when the text comes back from CP932 unchanged.
bool RoundTripsCp932(std::string_view utf8);
// A file name as text: UTF-8 names as they are; names that are not UTF-8 (made on Windows and
// unpacked from an archive) decoded from CP932.
std::string DecodeFileName(std::string_view raw);
// True for a name that is not UTF-8 but is valid CP932.
bool IsCp932FileName(std::string_view raw);
// The file rule: without a UTF-8 byte-order mark, text is CP932 unless CP932 cannot decode it
// and UTF-8 can; behind a mark (whose length goes to `bomLength`) it is UTF-8 unless it is not
// valid UTF-8.
TextEncoding DetectFileEncoding(std::string_view bytes, size_t* bomLength = nullptr);
// Text without its BOM decoded in `encoding`.
std::string DecodeText(std::string_view body, TextEncoding encoding);
// Bytes decoded per the file rule; `encoding` receives which one it was.
std::string DecodeFileText(std::string_view bytes, TextEncoding* encoding = nullptr);
std::string EncodeFileText(std::string_view utf8, TextEncoding encoding, bool* ok = nullptr);
// Length of `utf8` in CP932 bytes.
size_t Cp932Length(std::string_view utf8);
// The longest head of `utf8` whose CP932 form has at most `maxBytes` bytes; never cuts a character.
std::string CutCp932(std::string_view utf8, size_t maxBytes);
// The text with each character CP932 cannot hold (U+FFFD of a bad decode included) replaced by
// "?"; `replaced` tells whether any was.
std::string ReplaceNonCp932(std::string_view utf8, bool* replaced = nullptr);
// The longest head of `utf8` of at most `maxBytes` bytes; never cuts a character.
std::string CutUtf8(std::string_view utf8, size_t maxBytes);
// Length in bytes of the UTF-8 character starting at s[i] (1 for a stray byte).
size_t Utf8CharLength(std::string_view s, size_t i);
