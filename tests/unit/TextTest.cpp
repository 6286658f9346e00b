// Text rules: trimming, blankness, case-blind search, and URL-safe encoding.

#include <cstddef>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "tests/unit/Fakes.h"
#include "tray/Text.h"

namespace tarvolin {
namespace {

using testing::Utf8;

constexpr std::size_t npos = std::u16string_view::npos;

TEST(TextTest, TrimRemovesSpacesOnly) {
    struct Row {
        std::u16string text;
        std::u16string trimmed;
    };
    const Row rows[] = {
        {u"", u""},
        {u"   ", u""},
        {u"a", u"a"},
        {u"  a b  ", u"a b"},
        {u"\ta\t", u"\ta\t"},
        {u" \r\n", u"\r\n"},
        {u"\u00A0x\u00A0", u"\u00A0x\u00A0"},
        {u"  \u3000 ", u"\u3000"},
    };
    for (const auto& row : rows) EXPECT_EQ(Trim(row.text), row.trimmed) << Utf8(row.text);
}

TEST(TextTest, BlankMeansOnlySpaces) {
    EXPECT_TRUE(IsBlank(u""));
    EXPECT_TRUE(IsBlank(u"    "));
    EXPECT_FALSE(IsBlank(u"\t"));
    EXPECT_FALSE(IsBlank(u" \n "));
    EXPECT_FALSE(IsBlank(std::u16string(1, u'\0')));
    EXPECT_FALSE(IsBlank(u"  x  "));
}

TEST(TextTest, FindIgnoreCaseFindsTheFirstMatchIgnoringAsciiCase) {
    struct Row {
        std::u16string text;
        std::u16string needle;
        std::size_t at;
    };
    const Row rows[] = {
        {u"<link>http://x</link>", u"<link>", 0},
        {u"  <LiNk>x", u"<link>", 2},
        {u"<description>", u"<DESCRIPTION>", 0},
        {u"no tag here", u"<link>", npos},
        {u"", u"x", npos},
        {u"abc", u"", 0},
        {u"", u"", 0},
        {u"ab", u"abc", npos},
        {u"xHTTPhttp", u"http", 1},
        {u"aaab", u"aab", 1},
        {u"aaaaab", u"AAAB", 2},
        {u"abababac", u"ababac", 2},
        {u"abcabcabd", u"ABCABD", 3},
        {u"<<<<<<x", u"<<<x", 3},
        {u"end<lin", u"<link>", npos},
        // Only ASCII letters fold: other characters match exactly.
        {u"\u00C9T\u00E9", u"\u00E9t", npos},
        {u"x\u00E9T", u"\u00E9t", 1},
        {u"[@`{", u"{", 3},
        {u"@", u"`", npos},
        {u"Z", u"z", 0},
        {u"\u212A", u"k", npos},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FindIgnoreCase(row.text, row.needle), row.at)
            << Utf8(row.text) << " / " << Utf8(row.needle);
    }
}

// A plain quadratic search, the reference for the fast one.
std::size_t ReferenceFind(std::u16string_view text, std::u16string_view needle) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && lower(text[i + k]) == lower(needle[k])) ++k;
        if (k == needle.size()) return i;
    }
    return npos;
}

TEST(TextTest, FindIgnoreCaseAgreesWithAPlainSearch) {
    // Small alphabets make many partial matches, the cases a fast search gets wrong.
    const std::u16string alphabet = u"aAbB<";
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 16U) & 0x7FFFU;
    };
    for (int round = 0; round < 3000; ++round) {
        std::u16string text(next() % 60, u' ');
        for (auto& c : text) c = alphabet[next() % alphabet.size()];
        // Needles of up to 40 characters, past the stack table's size.
        std::u16string needle(1 + next() % (round % 3 == 0 ? 40 : 6), u' ');
        for (auto& c : needle) c = alphabet[next() % alphabet.size()];
        if (round % 4 == 0 && needle.size() <= text.size()) {
            needle = text.substr(next() % (text.size() - needle.size() + 1), needle.size());
        }
        ASSERT_EQ(FindIgnoreCase(text, needle), ReferenceFind(text, needle))
            << Utf8(text) << " / " << Utf8(needle);
    }
}

TEST(TextTest, FindIgnoreCaseWithALongNeedle) {
    const std::u16string needle = std::u16string(50, u'a') + u"B";
    const std::u16string text = std::u16string(120, u'A') + u"b" + std::u16string(10, u'A');
    EXPECT_EQ(FindIgnoreCase(text, needle), 70U);
    EXPECT_EQ(FindIgnoreCase(std::u16string(500, u'a'), needle), npos);
}

TEST(TextTest, UrlUnsafeCharacters) {
    const std::u16string_view unsafeAscii = u" \"<>\\^`{|}";
    for (char16_t c = 0; c < 0x80; ++c) {
        const bool expected = c < 0x20 || c == 0x7F || unsafeAscii.find(c) != npos;
        EXPECT_EQ(IsUrlUnsafe(c), expected) << "character " << int(c);
    }
    for (const char16_t c : {char16_t{0x80}, char16_t{0xA0}, char16_t{0xFF}, char16_t{0x20AC},
                             char16_t{0xD800}, char16_t{0xDFFF}, char16_t{0xFFFF}}) {
        EXPECT_TRUE(IsUrlUnsafe(c)) << "character " << int(c);
    }
}

TEST(TextTest, PercentEncodeUnsafeEncodesUtf8InUpperCaseHex) {
    struct Row {
        std::u16string text;
        std::u16string encoded;
    };
    const Row rows[] = {
        {u"", u""},
        {u"/plain/path?a=b&c=d#f", u"/plain/path?a=b&c=d#f"},
        {u"a b", u"a%20b"},
        {u"%41", u"%41"},
        {u"\"<>\\^`{|}", u"%22%3C%3E%5C%5E%60%7B%7C%7D"},
        {u"\t\n\u007F", u"%09%0A%7F"},
        {u"\u00FC", u"%C3%BC"},
        {u"\u07FF\u0800", u"%DF%BF%E0%A0%80"},
        {u"\uFFFD", u"%EF%BF%BD"},
        {u"\U0001F600", u"%F0%9F%98%80"},
        {u"\U0010FFFF", u"%F4%8F%BF%BF"},
        {std::u16string(1, char16_t{0xD83D}), u"%EF%BF%BD"},
        {std::u16string(1, char16_t{0xDE00}) + u"x", u"%EF%BF%BDx"},
        {std::u16string{char16_t{0xDE00}, char16_t{0xD83D}}, u"%EF%BF%BD%EF%BF%BD"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PercentEncodeUnsafe(row.text), row.encoded) << Utf8(row.text);
    }
}

TEST(TextTest, AsciiConversions) {
    EXPECT_EQ(AsciiBytes(u"http://x/?a=1"), "http://x/?a=1");
    EXPECT_EQ(AsciiBytes(u"a\u00E9b"), "a?b");
    EXPECT_EQ(AsciiBytes(std::u16string(1, u'\0')), std::string(1, '\0'));
    EXPECT_EQ(AsciiText("Connected\r\n"), u"Connected\r\n");
    EXPECT_EQ(AsciiText("a\xC3\xA9"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(AsciiText(std::string(1, '\0')), std::u16string(1, u'\0'));
}

}  // namespace
}  // namespace tarvolin
