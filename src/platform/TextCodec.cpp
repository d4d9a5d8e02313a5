#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace {

// iconv descriptors are not thread-safe: one per direction, behind a lock.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    // Converts character by character so one bad character costs only itself.
    std::string run(std::string_view in, bool* ok, bool fromUtf8, const char* replacement)
    {
        std::lock_guard lock(m_mutex);
        std::string out;
        out.reserve(in.size() * 3 / 2 + 4);
        if (ok)
            *ok = true;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        size_t i = 0;
        while (i < in.size()) {
            char buf[16];
            char* src = const_cast<char*>(in.data() + i);
            size_t left = in.size() - i;
            char* dst = buf;
            size_t room = sizeof buf;
            size_t step;
            if (fromUtf8) {
                step = Utf8CharLength(in, i);
            } else {
                unsigned char c = static_cast<unsigned char>(in[i]);
                bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
                // A lead byte takes the next byte only when that one can be a trail byte, so
                // a stray lead byte never swallows a line break or any other ASCII control.
                unsigned char t = i + 1 < in.size() ? static_cast<unsigned char>(in[i + 1]) : 0;
                bool trail = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
                step = (lead && trail) ? 2 : 1;
            }
            left = step;
            size_t r = iconv(m_cd, &src, &left, &dst, &room);
            if (r == static_cast<size_t>(-1) || left != 0) {
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
                if (ok)
                    *ok = false;
                out += replacement;
            } else {
                out.append(buf, dst - buf);
            }
            i += step;
        }
        return out;
    }

private:
    iconv_t m_cd;
    std::mutex m_mutex;
};

Converter& toCp932()
{
    static Converter c("CP932", "UTF-8");
    return c;
}

Converter& fromCp932()
{
    static Converter c("UTF-8", "CP932");
    return c;
}

}  // namespace

size_t Utf8CharLength(std::string_view s, size_t i)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + n > s.size())
        return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}

std::string ToCp932(std::string_view utf8, bool* ok)
{
    return toCp932().run(utf8, ok, true, "");
}

std::string FromCp932(std::string_view cp932, bool* ok)
{
    return fromCp932().run(cp932, ok, false, "\xEF\xBF\xBD");
}

bool IsValidUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = Utf8CharLength(s, i);
        if (c >= 0x80 && n == 1)
            return false;
        i += n;
    }
    return true;
}

bool FitsCp932(std::string_view utf8)
{
    bool ok = true;
    ToCp932(utf8, &ok);
    return ok;
}

namespace {
// True when every non-ASCII character of valid UTF-8 text is a kana, a CJK ideograph, a
// Japanese punctuation mark or a full-width form: what a Japanese text is made of, and never
// what half-width katakana read as UTF-8 give (two-byte Latin letters).
bool IsJapaneseOnlyUtf8(std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        if ((b & 0xF0) != 0xE0 || i + 2 >= utf8.size())
            return false;
        const char32_t c =
            (char32_t(b & 0x0F) << 12) | (char32_t(utf8[i + 1] & 0x3F) << 6) | char32_t(utf8[i + 2] & 0x3F);
        if (!((c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF)))
            return false;
        i += 3;
    }
    return true;
}
}  // namespace

TextEncoding DetectFileEncoding(std::string_view bytes, size_t* bomLength)
{
    bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    std::string_view body = bom ? bytes.substr(3) : bytes;
    if (bomLength)
        *bomLength = bom ? 3 : 0;
    bool nonAscii = false;
    for (char c : body)
        if (static_cast<unsigned char>(c) >= 0x80) {
            nonAscii = true;
            break;
        }
    // A byte-order mark in front of text that is not UTF-8 (a Shift-JIS file that an editor
    // prefixed) does not make it UTF-8: the text decides.
    if (bom)
        return !nonAscii || IsValidUtf8(body) ? TextEncoding::Utf8 : TextEncoding::Cp932;
    if (!nonAscii)
        return TextEncoding::Cp932;
    // Without a mark the file is Shift-JIS as Windows writes it. Being valid UTF-8 proves
    // nothing: half-width katakana pairs (C5 BD) are valid UTF-8 too. Text that Shift-JIS
    // cannot decode and UTF-8 can is UTF-8; so is text both decode where UTF-8 gives Japanese
    // only (a short memo saved by a Linux editor, "メモ"), which as Shift-JIS would be level-2
    // kanji each followed by a half-width kana, as nobody writes.
    if (!IsValidUtf8(body))
        return TextEncoding::Cp932;
    bool cp932 = true;
    FromCp932(body, &cp932);
    return !cp932 || IsJapaneseOnlyUtf8(body) ? TextEncoding::Utf8 : TextEncoding::Cp932;
}

std::string DecodeText(std::string_view body, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return std::string(body);
    for (char c : body)
        if (static_cast<unsigned char>(c) >= 0x80)
            return FromCp932(body);
    return std::string(body);
}

std::string DecodeFileText(std::string_view bytes, TextEncoding* encoding)
{
    size_t bom = 0;
    TextEncoding e = DetectFileEncoding(bytes, &bom);
    if (encoding)
        *encoding = e;
    return DecodeText(bytes.substr(bom), e);
}

std::string NormaliseForCp932(std::string_view utf8, bool* ok)
{
    if (ok)
        *ok = true;
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t n = Utf8CharLength(utf8, i);
        std::string_view ch = utf8.substr(i, n);
        i += n;
        bool fits = true;
        std::string back = FromCp932(ToCp932(ch, &fits));
        if (!fits || back.empty() || back.find("\xEF\xBF\xBD") != std::string::npos) {
            if (ok)
                *ok = false;
            continue;
        }
        // A non-ASCII sign that the code page stores as an ASCII byte (the yen sign becomes a
        // backslash) takes its full-width form instead, which the code page keeps.
        unsigned char b = static_cast<unsigned char>(back[0]);
        if (back.size() == 1 && static_cast<unsigned char>(ch[0]) >= 0x80 && b >= 0x21 && b <= 0x7E) {
            char32_t wide = ch == "\xC2\xA5" ? 0xFFE5 : ch == "\xE2\x80\xBE" ? 0xFFE3 : 0xFF01 + (b - 0x21);
            back = {static_cast<char>(0xE0 | (wide >> 12)), static_cast<char>(0x80 | ((wide >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (wide & 0x3F))};
        }
        out += back;
    }
    return out;
}

bool RoundTripsCp932(std::string_view utf8)
{
    bool ok = true;
    return NormaliseForCp932(utf8, &ok) == utf8 && ok;
}

std::string DecodeFileName(std::string_view raw)
{
    if (IsValidUtf8(raw))
        return std::string(raw);
    return FromCp932(raw);
}

bool IsCp932FileName(std::string_view raw)
{
    if (IsValidUtf8(raw))
        return false;
    bool ok = true;
    FromCp932(raw, &ok);
    return ok;
}

std::string EncodeFileText(std::string_view utf8, TextEncoding encoding, bool* ok)
{
    if (encoding == TextEncoding::Utf8) {
        if (ok)
            *ok = true;
        return std::string(utf8);
    }
    return ToCp932(utf8, ok);
}

size_t Cp932Length(std::string_view utf8)
{
    return ToCp932(utf8).size();
}

std::string CutCp932(std::string_view utf8, size_t maxBytes)
{
    size_t bytes = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t n = Utf8CharLength(utf8, i);
        size_t w = ToCp932(utf8.substr(i, n)).size();
        if (bytes + w > maxBytes)
            break;
        bytes += w;
        i += n;
    }
    return std::string(utf8.substr(0, i));
}

std::string ReplaceNonCp932(std::string_view utf8, bool* replaced)
{
    bool ok = true;
    ToCp932(utf8, &ok);
    if (replaced)
        *replaced = !ok;
    if (ok)
        return std::string(utf8);
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        size_t n = Utf8CharLength(utf8, i);
        std::string_view ch = utf8.substr(i, n);
        out += FitsCp932(ch) ? ch : std::string_view("?");
        i += n;
    }
    return out;
}

std::string CutUtf8(std::string_view utf8, size_t maxBytes)
{
    if (utf8.size() <= maxBytes)
        return std::string(utf8);
    size_t i = 0;
    while (i < utf8.size()) {
        size_t n = Utf8CharLength(utf8, i);
        if (i + n > maxBytes)
            break;
        i += n;
    }
    return std::string(utf8.substr(0, i));
}
