// Text: trimming and blankness, the URL encoding of the request, and the UTF-8 code page,
// where each maximal bad subsequence of bytes becomes one U+FFFD.

#include <gtest/gtest.h>
#include <vector>

#include "app/ServiceHost.h"
#include "app/ServiceUrls.h"
#include "ports/TextCodec.h"
#include "tests/unit/Fakes.h"
#include "tray/Text.h"

namespace tarvolin::testing {
namespace {

constexpr char16_t Bad = 0xFFFD;
const std::u16string LoneHigh(1, char16_t{0xD83D});
const std::u16string LoneLow(1, char16_t{0xDFFF});  // the last one

TEST(TextTest, TrimAndBlanknessKnowOnlyTheSpaceCharacter) {
    EXPECT_EQ(Trim(u" \t\u00A0a b\r\n "), u"\t\u00A0a b\r\n");
    EXPECT_TRUE(IsBlank(u"    ") && IsBlank(u"") && !IsBlank(u"\t") && !IsBlank(std::u16string(1, u'\0')));
    EXPECT_TRUE(StartsWithIgnoreCase(u"HtTp://x", u"http") && StartsWithIgnoreCase(u"AZ@[", u"az@["));
    EXPECT_FALSE(StartsWithIgnoreCase(u"htt", u"http") || StartsWithIgnoreCase(u"\u0130ttp", u"http"));
}

TEST(TextTest, TheNumberGoesIntoTheRequestWithWhatAUrlCannotCarryEncoded) {
    const std::u16string service = std::u16string(ServiceScheme) + u"://" + std::u16string(ServiceHost) + u":9090";
    const std::u16string base = NotifyBaseUrl();
    EXPECT_EQ(base, service + u"/dataservices/notify?ver=1.0&msisdn=");
    EXPECT_EQ(StatusBaseUrl(), service + u"/dataservices/status?ver=1.0&msisdn=");
    // clang-format off
    const std::pair<std::u16string, std::u16string> rows[] = {
        {u"0803", u"0803"}, {u"", u""}, {u"+44#1&x=y%20;/?", u"+44%231%26x=y%2520;/?"},
        {u"08&msisdn=999", u"08%26msisdn=999"}, {u"50%", u"50%25"}, {u"%zz%4%", u"%25zz%254%25"},
        {u" 08 03 ", u"%2008%2003%20"}, {u"0803\r\nHost: evil", u"0803%0D%0AHost:%20evil"},
        {u"\t\x7f", u"%09%7F"}, {u"\"<>\\^`{|}", u"%22%3C%3E%5C%5E%60%7B%7C%7D"},
        {u"\u00e9\u07FF\u0800\u20ac", u"%C3%A9%DF%BF%E0%A0%80%E2%82%AC"},
        {u"\U0001F600\U0010FFFF", u"%F0%9F%98%80%F4%8F%BF%BF"},
        {u"1" + LoneHigh + u"2" + LoneLow + LoneHigh, u"1%EF%BF%BD2%EF%BF%BD%EF%BF%BD"},
    };
    // clang-format on
    for (const auto& [number, appended] : rows) {
        EXPECT_EQ(Utf8(RequestUrl(base, number)), Utf8(base + appended)) << Utf8(number);
    }
}

TEST(TextTest, Utf8EncodesEveryScalarValueAndDecodesItBack) {
    const Utf8CodePage cp;
    std::string bytes;  // every scalar value, in order
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c < 0xD800 || c > 0xDFFF) AppendUtf8(bytes, c);
    }
    const std::u16string text = cp.ToText(bytes);
    EXPECT_EQ(bytes.size(), 0x80 + 0x780 * 2 + 0xF000 * 3 + 0x100000 * 4);
    EXPECT_EQ(text.size(), 0xF800 + 0x100000 * 2);  // below U+10000 one unit each, above two
    EXPECT_EQ(cp.ToBytes(text), bytes);
    const std::u8string_view sample = u8"\u007F\u0080\u07FF\u0800\uD7FF\uE000\U00010000\U0010FFFF";
    EXPECT_EQ(cp.ToBytes(u"\u007F\u0080\u07FF\u0800\uD7FF\uE000\U00010000\U0010FFFF"),
              std::string(sample.begin(), sample.end()));
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(cp.ToBytes(LoneLow + LoneHigh + u"b" + LoneHigh + u"\U0001F600"),
              replacement + replacement + "b" + replacement + "\xF0\x9F\x98\x80");
    const std::vector<char16_t> endsHigh{u'a', LoneHigh[0]};  // a buffer that ends there
    EXPECT_EQ(cp.ToBytes({endsHigh.data(), endsHigh.size()}), "a" + replacement);
}

TEST(TextTest, Utf8MalformedBytesBecomeOneReplacementPerMaximalSubpart) {
    // clang-format off
    const std::pair<std::string_view, std::u16string> rows[] = {
        {"\x80\xBF", {Bad, Bad}}, {"\xC0\x80", {Bad, Bad}}, {"\xC1\xBF", {Bad, Bad}},
        {"\xE0\x9F\xBF", {Bad, Bad, Bad}}, {"\xF0\x8F\xBF\xBF", {Bad, Bad, Bad, Bad}},
        {"\xED\xA0\x80", {Bad, Bad, Bad}}, {"\xF4\x90\x80\x80", {Bad, Bad, Bad, Bad}},
        {"\xF5\x80", {Bad, Bad}}, {"\xFE\xFF", {Bad, Bad}}, {"\xC3", {Bad}}, {"\xE2\x82", {Bad}}, {"\xF0\x9F\x98", {Bad}},
        {"\xE2\x82\x41", {Bad, u'A'}}, {"\xF0\x9F\xC3\xA9", {Bad, u'\u00E9'}},
        {"\xEF\xBF\xBF\xED\x9F\xBF", {u'\uFFFF', u'\uD7FF'}}, {std::string_view("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", {u'a', Bad, Bad, Bad, u'b', Bad, u'c', Bad, Bad, u'd'}},
    };
    // clang-format on
    for (const auto& [bytes, text] : rows) {  // in a buffer that ends where the bytes end
        const std::vector<char> exact(bytes.begin(), bytes.end());
        EXPECT_EQ(Utf8CodePage{}.ToText({exact.data(), exact.size()}), text);
    }
}

}  // namespace
}  // namespace tarvolin::testing
