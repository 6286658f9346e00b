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

TEST(TextTest, StartsWithIgnoreCaseFoldsAsciiLettersOnly) {
    EXPECT_TRUE(StartsWithIgnoreCase(u"HtTp://x", u"http"));
    EXPECT_TRUE(StartsWithIgnoreCase(u"http", u"http"));
    EXPECT_FALSE(StartsWithIgnoreCase(u"htt", u"http"));
    EXPECT_FALSE(StartsWithIgnoreCase(u" http", u"http"));
    EXPECT_FALSE(StartsWithIgnoreCase(u"xhttp", u"http"));
    EXPECT_FALSE(StartsWithIgnoreCase(u"\u0130ttp", u"http"));
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

}  // namespace
}  // namespace tarvolin
