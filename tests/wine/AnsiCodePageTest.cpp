// The ANSI code page port. The byte-exact cases hold for Windows-1252, the ANSI code page
// of Western European and US systems (and Wine's under an English locale).

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

#include "runtime/win32/AnsiCodePage.h"

namespace tarvolin::testing {
namespace {

bool AnsiIs1252() { return GetACP() == 1252; }

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

TEST(AnsiCodePage, AsciiAndEmbeddedNulsPassBothWays) {
    const AnsiCodePage codePage;
    const std::string bytes("<link>http://x/?a=1&b=2</link>\r\n\0tail", 38);
    const std::u16string text(u"<link>http://x/?a=1&b=2</link>\r\n\0tail", 38);
    EXPECT_EQ(codePage.ToText(bytes), text);
    EXPECT_EQ(codePage.ToBytes(text), bytes);
    EXPECT_EQ(codePage.ToText(""), u"");
    EXPECT_EQ(codePage.ToBytes(u""), "");
}

TEST(AnsiCodePage, EachByteOfASingleByteCodePageIsOneCharacterAndComesBack) {
    CPINFO info{};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    if (info.MaxCharSize != 1) {
        GTEST_SKIP() << "the ANSI code page is multi-byte: " << GetACP();
    }
    const AnsiCodePage codePage;
    const std::u16string text = codePage.ToText(AllBytes());
    ASSERT_EQ(text.size(), 256U);
    if (AnsiIs1252()) {
        EXPECT_EQ(codePage.ToBytes(text), AllBytes());
    }
}

TEST(AnsiCodePage, Windows1252Values) {
    if (!AnsiIs1252()) {
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
    }
    const AnsiCodePage codePage;
    const struct {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"\xE9t\xE9", u"\u00E9t\u00E9"},
        {"\x80 5", u"\u20AC 5"},
        {"\x93quoted\x94", u"\u201Cquoted\u201D"},
        // A UTF-8 body goes through byte by byte: "é" arrives as two characters.
        {"caf\xC3\xA9", u"caf\u00C3\u00A9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(codePage.ToText(c.bytes), c.text) << c.bytes;
        EXPECT_EQ(codePage.ToBytes(c.text), c.bytes) << c.bytes;
    }
}

TEST(AnsiCodePage, CharactersTheCodePageLacksBecomeQuestionMarks) {
    if (!AnsiIs1252()) {
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
    }
    const AnsiCodePage codePage;
    EXPECT_EQ(codePage.ToBytes(u"a\u4E2Db"), "a?b");
    const std::string emoji = codePage.ToBytes(u"\U0001F600");
    EXPECT_FALSE(emoji.empty());
    EXPECT_EQ(emoji.find_first_not_of('?'), std::string::npos) << emoji;
    EXPECT_EQ(codePage.ToBytes(std::u16string(u"x\xD800y")), "x?y");  // unpaired surrogate
}

}  // namespace
}  // namespace tarvolin::testing
