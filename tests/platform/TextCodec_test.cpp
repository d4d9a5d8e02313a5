#include "platform/TextCodec.h"
#include "platform/SafeFormat.h"

#include <gtest/gtest.h>

TEST(TextCodec, RoundTripsJapanese)
{
    std::string s = "観察ﾃﾞｰﾀ①～㈱ABC";
    bool ok = false;
    std::string sjis = ToCp932(s, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(FromCp932(sjis), s);
    EXPECT_EQ(sjis.size(), 4u + 4 + 6 + 3);  // kanji and circled digits 2 bytes, half-width kana 1
}

TEST(TextCodec, RefusesWhatCp932CannotHold)
{
    EXPECT_TRUE(FitsCp932("トマトの芽"));
    EXPECT_FALSE(FitsCp932("🌱"));
    EXPECT_FALSE(FitsCp932("한국"));
    bool ok = true;
    EXPECT_EQ(ToCp932("a🌱b", &ok), "ab");
    EXPECT_FALSE(ok);
}

TEST(TextCodec, CutNeverSplitsACharacter)
{
    struct Case {
        const char* text;
        size_t limit;
        const char* expected;
    } cases[] = {
        {"晴れ時々曇り", 5, "晴れ"},  // 4 bytes fit, the third kanji would need 6
        {"晴れ時々曇り", 6, "晴れ時"},
        {"abcｱｲｳ", 5, "abcｱｲ"},  // half-width kana is one byte
        {"", 3, ""},
        {"abc", 0, ""},
        {"くもり", 31, "くもり"},
    };
    for (const auto& c : cases) {
        std::string cut = CutCp932(c.text, c.limit);
        EXPECT_EQ(cut, c.expected) << c.text << " " << c.limit;
        EXPECT_LE(Cp932Length(cut), c.limit);
    }
}

TEST(TextCodec, FileTextEncodingRule)
{
    const std::string bom = "\xEF\xBB\xBF";
    struct Case {
        std::string bytes;
        const char* text;
        TextEncoding encoding;
    } cases[] = {
        {ToCp932("メモ"), "メモ", TextEncoding::Cp932},
        // Half-width katakana pairs (C5 BD) are valid UTF-8 too: without a mark, still CP932.
        {ToCp932("ﾅｽ ﾄｳ"), "ﾅｽ ﾄｳ", TextEncoding::Cp932},
        {"くもり", "くもり", TextEncoding::Utf8},  // not valid CP932
        // Valid CP932 too ("繝｡繝｢"), but only Japanese as UTF-8: a Linux editor's memo.
        {"メモ", "メモ", TextEncoding::Utf8},
        {"観察メモ", "観察メモ", TextEncoding::Utf8},
        {bom + "メモ", "メモ", TextEncoding::Utf8},
        {bom + "plain", "plain", TextEncoding::Utf8},
        {"plain", "plain", TextEncoding::Cp932},  // pure ASCII: new writes stay CP932
    };
    for (const Case& c : cases) {
        TextEncoding enc;
        EXPECT_EQ(DecodeFileText(c.bytes, &enc), c.text) << c.text;
        EXPECT_EQ(enc, c.encoding) << c.text;
    }
    // Truncated Shift-JIS (a lead byte at the end) decodes without reading past the end.
    std::string broken = ToCp932("観察");
    broken.pop_back();
    EXPECT_FALSE(DecodeFileText(broken).empty());
}

TEST(TextCodec, ByteOrderMarkInFrontOfShiftJisIsNotTakenForUtf8)
{
    TextEncoding enc;
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF" + ToCp932("くもり"), &enc), "くもり");
    EXPECT_EQ(enc, TextEncoding::Cp932);
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF"
                             "くもり",
                             &enc),
              "くもり");
    EXPECT_EQ(enc, TextEncoding::Utf8);
}

TEST(TextCodec, StrayLeadByteNeverSwallowsALineBreak)
{
    struct Case {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"\x81\n"
         "b",
         "\xEF\xBF\xBD\n"
         "b"},
        {"\x81\r\n"
         "b",
         "\xEF\xBF\xBD\r\n"
         "b"},
        {"\xE0\t"
         "b",
         "\xEF\xBF\xBD\t"
         "b"},
        {ToCp932("晴") + "\n", "晴\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FromCp932(c.bytes), c.text) << c.text;
}

TEST(TextCodec, NormalisingForCp932GivesWhatReadsBack)
{
    struct Case {
        const char* in;
        const char* out;
        bool ok;
    } cases[] = {
        {"トマト〜1", "トマト～1", true},  // U+301C WAVE DASH -> U+FF5E
        {"a−b", "a－b", true},             // U+2212 -> U+FF0D
        {"a—b", "a―b", true},              // U+2014 -> U+2015
        {"a‖b", "a∥b", true},
        {"¢¬", "￠￢", true},
        {"¥100", "￥100", true},  // never a backslash
        {"観察～", "観察～", true},
        {"トマト🍅", "トマト", false},
    };
    for (const Case& c : cases) {
        bool ok = !c.ok;
        std::string n = NormaliseForCp932(c.in, &ok);
        EXPECT_EQ(n, c.out) << c.in;
        EXPECT_EQ(ok, c.ok) << c.in;
        EXPECT_EQ(RoundTripsCp932(c.in), c.ok && std::string(c.in) == c.out) << c.in;
        if (c.ok) {
            EXPECT_EQ(FromCp932(ToCp932(n)), n) << c.in;
        }
    }
}

TEST(TextCodec, FileNamesMadeOnWindowsAreDecoded)
{
    std::string raw = ToCp932("トマト観察");
    EXPECT_TRUE(IsCp932FileName(raw));
    EXPECT_EQ(DecodeFileName(raw), "トマト観察");
    EXPECT_FALSE(IsCp932FileName("トマト観察"));
    EXPECT_EQ(DecodeFileName("トマト観察"), "トマト観察");
    EXPECT_FALSE(IsCp932FileName("\xFF\xFF"));
}

TEST(SafeFormat, FillsOnlyIntegerConversions)
{
    EXPECT_EQ(FormatInts("%d年%d月", {2013, 5}), "2013年5月");
    EXPECT_EQ(FormatInts("%04d/%02d", {7, 3}), "0007/03");
    EXPECT_EQ(FormatInts("%s %n %p %d", {9}), "%s %n %p 9");
    EXPECT_EQ(FormatInts("100%% %d%", {1}), "100% 1%");
    EXPECT_EQ(FormatInts("%d %d %d", {1}), "1 0 0");
    EXPECT_LT(FormatInts("%999999999d", {1}).size(), 200u);
}

TEST(TextCodec, ReplacingWhatCp932CannotHoldAndCuttingUtf8)
{
    struct Case {
        const char* text;
        const char* kept;
        bool replaced;
    } cases[] = {
        {"晴れ", "晴れ", false},         {"a🌱b", "a?b", true},
        {"\xEF\xBF\xBD晴", "?晴", true},                            // what a bad decode leaves
        {"한국.jpg", "??.jpg", true},    {"\xE3\x81", "??", true},  // a cut character: each stray byte
    };
    for (const Case& c : cases) {
        bool replaced = !c.replaced;
        EXPECT_EQ(ReplaceNonCp932(c.text, &replaced), c.kept) << c.text;
        EXPECT_EQ(replaced, c.replaced) << c.text;
    }
    EXPECT_EQ(CutUtf8("晴れ", 5), "晴");  // 3 bytes a character
    EXPECT_EQ(CutUtf8("晴れ", 6), "晴れ");
    EXPECT_EQ(CutUtf8("ab晴", 4), "ab");
    EXPECT_EQ(CutUtf8("", 0), "");
}
