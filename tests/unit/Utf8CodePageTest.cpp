// The UTF-8 code page: exact encodings, round trips, and malformed input, where each
// maximal bad subsequence becomes one U+FFFD.

#include <cstddef>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ports/CodePage.h"
#include "tests/unit/Fakes.h"

namespace tarvolin {
namespace {

constexpr char16_t Bad = 0xFFFD;

std::string Bytes(std::initializer_list<unsigned> values) {
    std::string out;
    for (const unsigned v : values) out.push_back(static_cast<char>(v));
    return out;
}

// The compiler's own UTF-8 encoding of a literal, as bytes.
std::string FromU8(std::u8string_view text) { return {text.begin(), text.end()}; }

class Utf8CodePageTest : public ::testing::Test {
protected:
    Utf8CodePage cp;
};

TEST_F(Utf8CodePageTest, EncodesLikeTheCompiler) {
    const std::u16string text =
        u"Tarvolin \u00E9\u00DF \u0800\u20AC\uFFFF \U00010000\U0001F600\U0010FFFF";
    const std::string expected =
        FromU8(u8"Tarvolin \u00E9\u00DF \u0800\u20AC\uFFFF \U00010000\U0001F600\U0010FFFF");
    EXPECT_EQ(cp.ToBytes(text), expected);
    EXPECT_EQ(cp.ToText(expected), text);
}

TEST_F(Utf8CodePageTest, EncodingBoundaries) {
    EXPECT_EQ(cp.ToBytes(std::u16string(1, u'\0')), Bytes({0x00}));
    EXPECT_EQ(cp.ToBytes(u"\u007F"), Bytes({0x7F}));
    EXPECT_EQ(cp.ToBytes(u"\u0080"), Bytes({0xC2, 0x80}));
    EXPECT_EQ(cp.ToBytes(u"\u07FF"), Bytes({0xDF, 0xBF}));
    EXPECT_EQ(cp.ToBytes(u"\u0800"), Bytes({0xE0, 0xA0, 0x80}));
    EXPECT_EQ(cp.ToBytes(u"\uD7FF"), Bytes({0xED, 0x9F, 0xBF}));
    EXPECT_EQ(cp.ToBytes(u"\uE000"), Bytes({0xEE, 0x80, 0x80}));
    EXPECT_EQ(cp.ToBytes(u"\U00010000"), Bytes({0xF0, 0x90, 0x80, 0x80}));
    EXPECT_EQ(cp.ToBytes(u"\U0010FFFF"), Bytes({0xF4, 0x8F, 0xBF, 0xBF}));
}

TEST_F(Utf8CodePageTest, UnpairedSurrogatesEncodeAsReplacement) {
    const std::string replacement = Bytes({0xEF, 0xBF, 0xBD});
    struct Row {
        std::u16string text;
        std::string bytes;
    };
    const Row rows[] = {
        {std::u16string{char16_t{0xD800}}, replacement},
        {std::u16string{char16_t{0xDC00}}, replacement},
        {std::u16string{u'a', char16_t{0xD83D}}, "a" + replacement},
        {std::u16string{char16_t{0xD83D}, u'b'}, replacement + "b"},
        {std::u16string{char16_t{0xDE00}, char16_t{0xD83D}}, replacement + replacement},
        {std::u16string{char16_t{0xD83D}, char16_t{0xD83D}, char16_t{0xDE00}},
         replacement + Bytes({0xF0, 0x9F, 0x98, 0x80})},
    };
    for (const auto& row : rows) EXPECT_EQ(cp.ToBytes(row.text), row.bytes);
}

TEST_F(Utf8CodePageTest, EveryScalarValueRoundTrips) {
    std::u16string all;
    std::size_t expectedBytes = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        if (c < 0x10000) {
            all.push_back(static_cast<char16_t>(c));
        } else {
            all.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10U)));
            all.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FFU)));
        }
        expectedBytes += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    }
    const std::string bytes = cp.ToBytes(all);
    EXPECT_EQ(bytes.size(), expectedBytes);
    EXPECT_EQ(cp.ToText(bytes), all);
}

TEST_F(Utf8CodePageTest, MalformedInputBecomesOneReplacementPerMaximalSubpart) {
    struct Row {
        const char* what;
        std::string bytes;
        std::u16string text;
    };
    const Row rows[] = {
        {"lone continuation", Bytes({0x80}), {Bad}},
        {"continuations", Bytes({0x80, 0xBF, 0x80}), {Bad, Bad, Bad}},
        {"overlong C0 80", Bytes({0xC0, 0x80}), {Bad, Bad}},
        {"overlong C1 BF", Bytes({0xC1, 0xBF}), {Bad, Bad}},
        {"overlong E0 80 80", Bytes({0xE0, 0x80, 0x80}), {Bad, Bad, Bad}},
        {"overlong E0 9F BF", Bytes({0xE0, 0x9F, 0xBF}), {Bad, Bad, Bad}},
        {"overlong F0 80 80 80", Bytes({0xF0, 0x80, 0x80, 0x80}), {Bad, Bad, Bad, Bad}},
        {"overlong F0 8F BF BF", Bytes({0xF0, 0x8F, 0xBF, 0xBF}), {Bad, Bad, Bad, Bad}},
        {"surrogate ED A0 80", Bytes({0xED, 0xA0, 0x80}), {Bad, Bad, Bad}},
        {"surrogate ED BF BF", Bytes({0xED, 0xBF, 0xBF}), {Bad, Bad, Bad}},
        {"surrogate pair",
         Bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}),
         {Bad, Bad, Bad, Bad, Bad, Bad}},
        {"above U+10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80}), {Bad, Bad, Bad, Bad}},
        {"F5 lead", Bytes({0xF5, 0x80, 0x80, 0x80}), {Bad, Bad, Bad, Bad}},
        {"F8 lead", Bytes({0xF8, 0x88, 0x80, 0x80, 0x80}), {Bad, Bad, Bad, Bad, Bad}},
        {"FE FF", Bytes({0xFE, 0xFF}), {Bad, Bad}},
        {"truncated two", Bytes({0xC3}), {Bad}},
        {"truncated three", Bytes({0xE2, 0x82}), {Bad}},
        {"truncated four", Bytes({0xF0, 0x9F, 0x98}), {Bad}},
        {"truncated then ASCII", Bytes({0xE2, 0x82, 0x41}), {Bad, u'A'}},
        {"truncated then lead", Bytes({0xF0, 0x9F, 0xC3, 0xA9}), {Bad, u'\u00E9'}},
        {"lead then lead", Bytes({0xC3, 0xC3, 0xA9}), {Bad, u'\u00E9'}},
        {"good around bad", Bytes({0x61, 0xFF, 0x62}), {u'a', Bad, u'b'}},
        {"last good three", Bytes({0xEF, 0xBF, 0xBF}), {u'\uFFFF'}},
        {"last good before surrogates", Bytes({0xED, 0x9F, 0xBF}), {u'\uD7FF'}},
        // The standard's own example of maximal subparts.
        {"mixed",
         Bytes({0x61, 0xF1, 0x80, 0x80, 0xE1, 0x80, 0xC2, 0x62, 0x80, 0x63, 0x80, 0xBF, 0x64}),
         {u'a', Bad, Bad, Bad, u'b', Bad, u'c', Bad, Bad, u'd'}},
    };
    for (const auto& row : rows) EXPECT_EQ(cp.ToText(row.bytes), row.text) << row.what;
}

TEST_F(Utf8CodePageTest, EmbeddedNulAndEmptyInput) {
    EXPECT_EQ(cp.ToText(""), u"");
    EXPECT_EQ(cp.ToBytes(u""), "");
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(cp.ToText(withNul), std::u16string(u"a\0b", 3));
}

TEST_F(Utf8CodePageTest, EveryTwoByteInputDecodesToAtMostTwoCharacters) {
    // No input crashes, and no byte pair yields more than one character per byte.
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned b = 0; b < 256; ++b) {
            const std::u16string text = cp.ToText(Bytes({a, b}));
            ASSERT_GE(text.size(), 1U);
            ASSERT_LE(text.size(), 2U);
            // A well-formed pair decodes to one character that encodes back to the same bytes.
            if (text.size() == 1 && text[0] != Bad) {
                ASSERT_EQ(cp.ToBytes(text), Bytes({a, b})) << a << " " << b;
            }
        }
    }
}

}  // namespace
}  // namespace tarvolin
