// The tray record as the shell receives it: whole records call by call, the 488-byte wire
// form against golden files, and how each text field is filled, cut and converted.

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "tests/unit/Fakes.h"
#include "tray/tray.h"

namespace tarvolin::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A hex fixture: byte pairs separated by white space; '#' starts a comment line.
Bytes ReadHexFixture(const std::string& name) {
    std::ifstream in(std::string(TARVOLIN_TEST_DATA_DIR) + "/wire/" + name);
    Bytes bytes;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line[0] == '#' ? "" : line);
        for (std::string word; words >> word;)
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

Bytes Slice(const TrayWireForm& wire, std::size_t offset, std::size_t size) {
    return {wire.begin() + static_cast<std::ptrdiff_t>(offset),
            wire.begin() + static_cast<std::ptrdiff_t>(offset + size)};
}

// `text`, then `fill` up to `size` bytes.
Bytes Padded(std::string_view text, std::size_t size, char fill) {
    Bytes bytes(text.begin(), text.end());
    bytes.resize(size, static_cast<std::uint8_t>(fill));
    return bytes;
}

std::string Repeat(std::string_view unit, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += unit;
    return out;
}

class TrayRecordTest : public ::testing::Test {
protected:
    TrayWireForm Wire(std::size_t call, const CodePage& codePage = Utf8CodePage{}) {
        return RenderWireForm(shell.notifyCalls.at(call).record, codePage);
    }

    FakeWindow window;
    FakeShell shell;
    modSystray tray{shell};
};

TEST_F(TrayRecordTest, EachCallCarriesItsFieldsAndWhatTheLastCallLeft) {
    tray.TrayAdd(window, u"Connecting...");
    tray.TrayShowBalloon(window, u"New notice", u"Tarvolin Internet Notifier");
    tray.TraySetTip(window, u"Connected");
    window.iconHandle = 0x0CAFE;  // a delete does not write the icon
    tray.TrayDelete(window);
    TrayIconRecord carried{};  // fields the operations leave at 0, carried all the same
    carried.dwState = 0x11121314, carried.dwStateMask = 0x15161718, carried.uTimeout = 0x21222324;
    const TrayWireForm wire = RenderWireForm(carried, Utf8CodePage{});
    EXPECT_EQ(Slice(wire, WireOffset::dwState, 8),
              (Bytes{0x14, 0x13, 0x12, 0x11, 0x18, 0x17, 0x16, 0x15}));
    EXPECT_EQ(Slice(wire, WireOffset::uTimeout, 4), (Bytes{0x24, 0x23, 0x22, 0x21}));
    for (std::size_t call = 0; call < 5; ++call) {
        EXPECT_EQ(shell.notifyCalls.at(call).message, call == 0 ? NimAdd : call == 4 ? NimDelete : NimModify);
    }
    EXPECT_EQ(Slice(Wire(0), 0, 488), ReadHexFixture("first-add.hex"));
    EXPECT_EQ(Slice(Wire(2), 0, 488), ReadHexFixture("balloon-after-add.hex"));
    EXPECT_EQ(Slice(Wire(4), 0, 488), ReadHexFixture("delete-after-tip.hex"));

    // The clear before each balloon: flags 19, NUL then spaces in both fields, no icon.
    TrayIconRecord clear = shell.notifyCalls[0].record;
    clear.uFlags = NifMessage | NifIcon | NifInfo;
    clear.szInfo.AssignText(u"");
    clear.szInfoTitle.AssignText(u"");
    EXPECT_EQ(shell.notifyCalls[1].record, clear);
    EXPECT_EQ(tray.Record(), shell.notifyCalls[4].record);
}

// The tooltip is trimmed of spaces, then cut at 128; balloon texts are never trimmed and are
// cut at 256 and 64.
struct FieldCase {
    std::u16string tip, text, title;
    std::string tipBytes, textBytes, titleBytes;
};

TEST_F(TrayRecordTest, TextFieldsAreFilledWithSpacesAfterOneNulAndCutAtTheirWidths) {
    const std::string nul(1, '\0');
    // clang-format off
    const FieldCase cases[] = {
        {u"  Connected  ", u"  text \t ", u" title ", "Connected" + nul, "  text \t " + nul, " title " + nul},
        {u" \t x \t ", u"", u"", "\t x \t" + nul, nul, nul},
        {u"  " + std::u16string(127, 'a') + u" ", std::u16string(255, 'b'), std::u16string(63, 'c'), std::string(127, 'a') + nul, std::string(255, 'b') + nul, std::string(63, 'c') + nul},
        {std::u16string(128, 'a'), std::u16string(256, 'b'), std::u16string(64, 'c'), std::string(128, 'a'), std::string(256, 'b'), std::string(64, 'c')},
        {std::u16string(200, 'a'), std::u16string(300, 'b'), std::u16string(70, 'c'), std::string(128, 'a'), std::string(256, 'b'), std::string(64, 'c')},
    };
    // clang-format on
    for (const FieldCase& c : cases) {
        shell.notifyCalls.clear();
        tray.TrayAdd(window, c.tip);
        tray.TrayShowBalloon(window, c.text, c.title);
        const TrayWireForm wire = Wire(2);
        EXPECT_EQ(Slice(wire, WireOffset::szTip, 128), Padded(c.tipBytes, 128, ' '));
        EXPECT_EQ(Slice(wire, WireOffset::szInfo, 256), Padded(c.textBytes, 256, ' '));
        EXPECT_EQ(Slice(wire, WireOffset::szInfoTitle, 64), Padded(c.titleBytes, 64, ' '));
    }
}

TEST_F(TrayRecordTest, AFieldWhoseBytesOutgrowItKeepsWholeCharactersOnly) {
    const Utf8CodePage utf8;
    const std::string nul(1, '\0');
    std::u16string faces;
    for (int i = 0; i < 16; ++i) faces += u"\U0001F600";
    struct Case {
        std::u16string title;  // in the 64-byte title field
        const CodePage& codePage;
        Bytes field;
    };
    // clang-format off
    const Case cases[] = {
        {u"a" + std::u16string(63, u'\u00E9'), utf8, Padded("a" + Repeat("\xC3\xA9", 31), 64, 0)},
        {u"\u00E9", utf8, Padded("\xC3\xA9" + nul, 64, ' ')},  // only a fill space is lost
        {std::u16string(u"A") + char16_t{0xD83D} + u"B", utf8, Padded("A\xEF\xBF\xBD" "B" + nul, 64, ' ')},
        {u"ab" + faces, utf8, Padded("ab" + Repeat("\xF0\x9F\x98\x80", 15), 64, 0)},
    };
    // clang-format on
    for (const Case& c : cases) {
        tray.TrayShowBalloon(window, u"x", c.title);
        EXPECT_EQ(Slice(RenderWireForm(tray.Record(), c.codePage), WireOffset::szInfoTitle, 64),
                  c.field);
    }
}

}  // namespace
}  // namespace tarvolin::testing
