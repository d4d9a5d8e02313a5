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
                step = (lead && i + 1 < in.size()) ? 2 : 1;
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

} // namespace

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

std::string FromCp932(std::string_view cp932)
{
    return fromCp932().run(cp932, nullptr, false, "\xEF\xBF\xBD");
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

std::string DecodeFileText(std::string_view bytes, TextEncoding* encoding)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        if (encoding)
            *encoding = TextEncoding::Utf8;
        return std::string(bytes.substr(3));
    }
    bool nonAscii = false;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            nonAscii = true;
            break;
        }
    if (nonAscii && IsValidUtf8(bytes)) {
        if (encoding)
            *encoding = TextEncoding::Utf8;
        return std::string(bytes);
    }
    if (encoding)
        *encoding = TextEncoding::Cp932;
    return nonAscii ? FromCp932(bytes) : std::string(bytes);
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
