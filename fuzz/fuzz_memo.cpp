// Memo layout: the memo file's bytes decoded as the detail page decodes them, laid out into a
// box whose numbers come from the input too, as Layout.ini gives them.
// Input: Width, Height, LinePitch (3 x int32, little-endian), one byte for the glyph width,
// then the memo file. Glyph widths come from a fixed font model instead of a real font, so no
// display or font is needed: zero width for format and combining characters, double for East
// Asian characters.
#include "FuzzSupport.h"
#include "platform/TextCodec.h"
#include "views/PageViews.h"

#include <QString>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

int readInt(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    // An INI integer is clamped to +-2147483647 by the reader.
    return std::max(static_cast<int>(v), -INT_MAX);
}

int charWidth(char32_t c, int unit)
{
    if (c < 32 || (c >= 0x7f && c < 0xa0))
        return 0;
    if ((c >= 0x200b && c <= 0x200f) || (c >= 0x2060 && c <= 0x2064) || c == 0xfeff)
        return 0;
    const auto cat = QChar::category(c);
    if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_Enclosing)
        return 0;
    return c >= 0x1100 ? 2 * unit : unit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 13)
        return 0;
    const int width = readInt(data), height = readInt(data + 4), pitch = readInt(data + 8);
    const int unit = 1 + data[12] % 16;
    if (pitch <= 0)
        return 0;  // the page draws no memo then
    // The box loses 4 pixels of margin on each side.
    const int maxWidth = static_cast<int>(std::max<long long>(static_cast<long long>(width) - 8, INT_MIN));
    const int maxLines = height / pitch;

    const std::string text =
        DecodeFileText(std::string_view(reinterpret_cast<const char*>(data + 13), size - 13));
    auto measure = [unit](const QString& s) {
        long long w = 0;
        for (char32_t c : s.toUcs4())
            w += charWidth(c, unit);
        return static_cast<int>(std::min<long long>(w, INT_MAX));
    };
    const auto rows = LayoutMemoLines(text, maxWidth, maxLines, measure);

    if (static_cast<long long>(rows.size()) > std::max(maxLines, 0))
        fuzz::Fail("more rows than the box holds");
    for (const QString& row : rows) {
        if (row.contains(QLatin1Char('\n')))
            fuzz::Fail("a row holds a line end");
        if (!row.isEmpty() && (row.back().isHighSurrogate() || row.front().isLowSurrogate()))
            fuzz::Fail("a row cut inside a character");
    }
    return 0;
}
