// The five tray operations: which fields each writes, with which values, and what the
// record carries over from one call to the next.

#include <array>
#include <cstddef>
#include <gtest/gtest.h>
#include <string>

#include "tests/unit/Fakes.h"
#include "tray/tray.h"

namespace tarvolin {
namespace {

using testing::FakeShell;
using testing::FakeWindow;

// A field as the shell must see it: `content` left-aligned, spaces after, cut at the width.
template <std::size_t Width>
std::array<char16_t, Width> Filled(const std::u16string& content) {
    std::array<char16_t, Width> chars{};
    for (std::size_t i = 0; i < Width; ++i) chars[i] = i < content.size() ? content[i] : u' ';
    return chars;
}

template <std::size_t Width>
std::array<char16_t, Width> AllNul() {
    return std::array<char16_t, Width>{};
}

std::u16string WithNul(std::u16string text) {
    text.push_back(u'\0');
    return text;
}

std::u16string Repeat(char16_t c, std::size_t count) { return std::u16string(count, c); }

constexpr std::uint32_t TipFlags = 7;
constexpr std::uint32_t BalloonFlags = 19;

class TrayOperationsTest : public ::testing::Test {
protected:
    FakeWindow window;
    FakeShell shell;
    modSystray tray{shell};

    const FakeShell::NotifyCall& Last() { return shell.notifyCalls.back(); }
};

TEST_F(TrayOperationsTest, FirstTrayAddSendsTheAddMessageWithTheTooltip) {
    tray.TrayAdd(window, u"Connecting...");

    ASSERT_EQ(shell.notifyCalls.size(), 1U);
    const auto& [message, r] = shell.notifyCalls[0];
    EXPECT_EQ(message, NimAdd);
    EXPECT_EQ(r.cbSize, 488U);
    EXPECT_EQ(r.hWnd, 0x00010042U);
    EXPECT_EQ(r.uID, 1U);
    EXPECT_EQ(r.uFlags, TipFlags);
    EXPECT_EQ(r.uCallbackMessage, 512U);
    EXPECT_EQ(r.hIcon, 0x00020077U);
    EXPECT_EQ(r.szTip.Chars(), Filled<128>(WithNul(u"Connecting...")));
    EXPECT_EQ(r.szTip.Chars()[13], u'\0');
    EXPECT_EQ(r.szTip.Chars()[14], u' ');
    EXPECT_EQ(r.szTip.Chars()[127], u' ');
    EXPECT_EQ(r.dwState, 0U);
    EXPECT_EQ(r.dwStateMask, 0U);
    EXPECT_EQ(r.szInfo.Chars(), AllNul<256>());
    EXPECT_EQ(r.uTimeout, 0U);
    EXPECT_EQ(r.szInfoTitle.Chars(), AllNul<64>());
    EXPECT_EQ(r.dwInfoFlags, 0U);
}

TEST_F(TrayOperationsTest, TraySetTipWritesTheSameFieldsAsAddButModifies) {
    tray.TrayAdd(window, u"Connecting...");
    window.handle = 0x111;
    window.iconHandle = 0x222;
    tray.TraySetTip(window, u"Connected");

    ASSERT_EQ(shell.notifyCalls.size(), 2U);
    const auto& [message, r] = Last();
    EXPECT_EQ(message, NimModify);
    EXPECT_EQ(r.cbSize, 488U);
    EXPECT_EQ(r.hWnd, 0x111U);
    EXPECT_EQ(r.uID, 1U);
    EXPECT_EQ(r.uFlags, TipFlags);
    EXPECT_EQ(r.uCallbackMessage, 512U);
    EXPECT_EQ(r.hIcon, 0x222U);
    EXPECT_EQ(r.szTip.Chars(), Filled<128>(WithNul(u"Connected")));
    EXPECT_EQ(r.szInfo.Chars(), AllNul<256>());
    EXPECT_EQ(r.dwInfoFlags, 0U);
}

TEST_F(TrayOperationsTest, TooltipIsTrimmedOfSpacesOnly) {
    struct Row {
        std::u16string given;
        std::u16string sent;
    };
    const Row rows[] = {
        {u"  Connected  ", u"Connected"},
        {u"\tConnected\r\n", u"\tConnected\r\n"},
        {u" \t x \t ", u"\t x \t"},
        {u"     ", u""},
        {u"", u""},
    };
    for (const auto& row : rows) {
        tray.TraySetTip(window, row.given);
        EXPECT_EQ(Last().record.szTip.Chars(), Filled<128>(WithNul(row.sent)))
            << testing::Utf8(row.given);
    }
}

TEST_F(TrayOperationsTest, TooltipFillsItsFieldAndIsCutAt128) {
    const std::u16string tip127 = Repeat(u'a', 126) + u"b";
    tray.TrayAdd(window, u"  " + tip127 + u"  ");
    EXPECT_EQ(Last().record.szTip.Chars(), Filled<128>(WithNul(tip127)));
    EXPECT_EQ(Last().record.szTip.Chars()[127], u'\0');

    const std::u16string tip128 = Repeat(u'c', 127) + u"d";
    tray.TraySetTip(window, u" " + tip128 + u" ");
    EXPECT_EQ(Last().record.szTip.Chars(), Filled<128>(tip128));
    EXPECT_EQ(Last().record.szTip.Text(), tip128);

    tray.TraySetTip(window, Repeat(u'e', 128) + u"XYZ");
    EXPECT_EQ(Last().record.szTip.Chars(), Filled<128>(Repeat(u'e', 128)));
}

TEST_F(TrayOperationsTest, ShowBalloonMakesTwoModifyCallsClearThenBalloon) {
    tray.TrayAdd(window, u"Connecting...");
    tray.TrayShowBalloon(window, u"Connected", u"Tarvolin Internet Notifier");

    ASSERT_EQ(shell.notifyCalls.size(), 3U);
    const auto& [clearMessage, clear] = shell.notifyCalls[1];
    EXPECT_EQ(clearMessage, NimModify);
    EXPECT_EQ(clear.cbSize, 488U);
    EXPECT_EQ(clear.hWnd, window.handle);
    EXPECT_EQ(clear.uID, 1U);
    EXPECT_EQ(clear.uFlags, BalloonFlags);
    EXPECT_EQ(clear.uCallbackMessage, 512U);
    EXPECT_EQ(clear.hIcon, window.iconHandle);
    EXPECT_EQ(clear.szInfo.Chars(), Filled<256>(WithNul(u"")));
    EXPECT_EQ(clear.szInfoTitle.Chars(), Filled<64>(WithNul(u"")));
    EXPECT_EQ(clear.dwInfoFlags, 0U);
    // The tooltip is not written, the shell does not read it.
    EXPECT_EQ(clear.szTip.Chars(), Filled<128>(WithNul(u"Connecting...")));

    const auto& [showMessage, show] = shell.notifyCalls[2];
    EXPECT_EQ(showMessage, NimModify);
    EXPECT_EQ(show.cbSize, 488U);
    EXPECT_EQ(show.uFlags, BalloonFlags);
    EXPECT_EQ(show.uCallbackMessage, 512U);
    EXPECT_EQ(show.dwState, 0U);
    EXPECT_EQ(show.dwStateMask, 0U);
    EXPECT_EQ(show.szInfo.Chars(), Filled<256>(WithNul(u"Connected")));
    EXPECT_EQ(show.szInfoTitle.Chars(), Filled<64>(WithNul(u"Tarvolin Internet Notifier")));
    EXPECT_EQ(show.dwInfoFlags, 1U);
    EXPECT_EQ(show.uTimeout, 0U);
    EXPECT_EQ(show.szTip.Chars(), Filled<128>(WithNul(u"Connecting...")));
    EXPECT_EQ(tray.Record(), show);
}

TEST_F(TrayOperationsTest, SecondBalloonIsClearedBeforeItIsReplaced) {
    tray.TrayShowBalloon(window, u"first", u"T1");
    tray.TrayShowBalloon(window, u"second", u"T2");

    ASSERT_EQ(shell.notifyCalls.size(), 4U);
    EXPECT_EQ(shell.notifyCalls[2].record.szInfo.Text(), u"");
    EXPECT_EQ(shell.notifyCalls[2].record.szInfoTitle.Text(), u"");
    EXPECT_EQ(shell.notifyCalls[2].record.dwInfoFlags, 0U);
    EXPECT_EQ(shell.notifyCalls[3].record.szInfo.Text(), u"second");
    EXPECT_EQ(shell.notifyCalls[3].record.szInfoTitle.Text(), u"T2");
    EXPECT_EQ(shell.Balloons(), (std::vector<std::u16string>{u"first", u"second"}));
}

TEST_F(TrayOperationsTest, BalloonTextAndTitleAreNotTrimmed) {
    tray.TrayShowBalloon(window, u"  text \t ", u" title ");
    EXPECT_EQ(Last().record.szInfo.Chars(), Filled<256>(WithNul(u"  text \t ")));
    EXPECT_EQ(Last().record.szInfoTitle.Chars(), Filled<64>(WithNul(u" title ")));
}

TEST_F(TrayOperationsTest, BalloonFieldsAreCutAtTheirWidths) {
    const std::u16string text300 = Repeat(u'x', 255) + u"Y" + Repeat(u'z', 44);
    const std::u16string title64 = Repeat(u't', 63) + u"U";
    tray.TrayShowBalloon(window, text300, title64);
    EXPECT_EQ(Last().record.szInfo.Chars(), Filled<256>(Repeat(u'x', 255) + u"Y"));
    EXPECT_EQ(Last().record.szInfoTitle.Chars(), Filled<64>(title64));

    const std::u16string text255 = Repeat(u'w', 255);
    const std::u16string title63 = Repeat(u'v', 63);
    tray.TrayShowBalloon(window, text255, title63 + u"ABC");
    EXPECT_EQ(Last().record.szInfo.Chars(), Filled<256>(WithNul(text255)));
    EXPECT_EQ(Last().record.szInfoTitle.Chars(), Filled<64>(title63 + u"A"));

    tray.TrayShowBalloon(window, u"short", title63);
    EXPECT_EQ(Last().record.szInfoTitle.Chars(), Filled<64>(WithNul(title63)));
}

TEST_F(TrayOperationsTest, EmptyBalloonTextSendsAnEmptyInfoInBothCalls) {
    tray.TrayShowBalloon(window, u"", u"Tarvolin Internet Notifier");
    ASSERT_EQ(shell.notifyCalls.size(), 2U);
    for (const auto& call : shell.notifyCalls) {
        EXPECT_EQ(call.message, NimModify);
        EXPECT_EQ(call.record.uFlags, BalloonFlags);
        EXPECT_EQ(call.record.szInfo.Chars(), Filled<256>(WithNul(u"")));
    }
    EXPECT_EQ(shell.notifyCalls[1].record.dwInfoFlags, 1U);
}

TEST_F(TrayOperationsTest, ClearBalloonAfterABalloonEmptiesItsFields) {
    tray.TrayShowBalloon(window, u"text", u"title");
    tray.TrayClearBalloon(window);
    ASSERT_EQ(shell.notifyCalls.size(), 3U);
    const auto& [message, r] = Last();
    EXPECT_EQ(message, NimModify);
    EXPECT_EQ(r.uFlags, BalloonFlags);
    EXPECT_EQ(r.szInfo.Chars(), Filled<256>(WithNul(u"")));
    EXPECT_EQ(r.szInfoTitle.Chars(), Filled<64>(WithNul(u"")));
    EXPECT_EQ(r.dwInfoFlags, 0U);
}

TEST_F(TrayOperationsTest, TooltipChangeAfterBalloonKeepsTheBalloonFields) {
    tray.TrayAdd(window, u"Connecting...");
    tray.TrayShowBalloon(window, u"News", u"Title");
    tray.TraySetTip(window, u"Connected");

    const auto& [message, r] = Last();
    EXPECT_EQ(message, NimModify);
    EXPECT_EQ(r.uFlags, TipFlags);
    EXPECT_EQ(r.szTip.Chars(), Filled<128>(WithNul(u"Connected")));
    EXPECT_EQ(r.szInfo.Chars(), Filled<256>(WithNul(u"News")));
    EXPECT_EQ(r.szInfoTitle.Chars(), Filled<64>(WithNul(u"Title")));
    EXPECT_EQ(r.dwInfoFlags, 1U);
}

TEST_F(TrayOperationsTest, DeleteWritesOnlySizeWindowAndIdAndKeepsTheRest) {
    tray.TrayAdd(window, u"Connecting...");
    tray.TrayShowBalloon(window, u"News", u"Title");
    const TrayIconRecord before = tray.Record();
    window.handle = 0x0BAD;
    window.iconHandle = 0x0CAFE;
    tray.TrayDelete(window);

    ASSERT_EQ(shell.notifyCalls.size(), 4U);
    const auto& [message, r] = Last();
    EXPECT_EQ(message, NimDelete);
    EXPECT_EQ(r.hWnd, 0x0BADU);
    TrayIconRecord expected = before;
    expected.hWnd = 0x0BAD;
    // Everything else, the icon handle and the balloon flags included, as the balloon left it.
    EXPECT_EQ(r, expected);
    EXPECT_EQ(r.uFlags, BalloonFlags);
    EXPECT_EQ(r.hIcon, 0x00020077U);
    EXPECT_EQ(r.dwInfoFlags, 1U);
}

TEST_F(TrayOperationsTest, DeleteAsFirstOperationLeavesEverythingElseZero) {
    tray.TrayDelete(window);
    ASSERT_EQ(shell.notifyCalls.size(), 1U);
    TrayIconRecord expected{};
    expected.cbSize = 488;
    expected.hWnd = window.handle;
    expected.uID = 1;
    EXPECT_EQ(shell.notifyCalls[0].message, NimDelete);
    EXPECT_EQ(shell.notifyCalls[0].record, expected);
}

}  // namespace
}  // namespace tarvolin
