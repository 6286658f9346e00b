// The ANSI code page port, with the values of Windows-1252: the ANSI code page of Western
// European and US systems, and Wine's under an English locale.

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

#include "runtime/win32/AnsiCodePage.h"

namespace tarvolin::testing {
namespace {

TEST(AnsiCodePage, Windows1252BytesAndTextConvertBothWaysAndWhatItLacksBecomesQuestionMarks) {
    if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << GetACP();
    using namespace std::string_literals;
    const AnsiCodePage codePage;
    const std::string bytes = "<link>?a=1&b=2</link>\r\n\0 \xE9t\xE9 \x80 \x93q\x94 caf\xC3\xA9"s;
    // A UTF-8 body is read byte by byte: "é" in UTF-8 arrives as two characters.
    const std::u16string text =
        u"<link>?a=1&b=2</link>\r\n\0 \u00E9t\u00E9 \u20AC \u201Cq\u201D caf\u00C3\u00A9"s;
    EXPECT_EQ(codePage.ToText(bytes), text);
    EXPECT_EQ(codePage.ToBytes(text), bytes);
    EXPECT_EQ(codePage.ToBytes(u"a\u4E2Db\xD800"s), "a?b?");
}

}  // namespace
}  // namespace tarvolin::testing
