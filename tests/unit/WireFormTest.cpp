// The record's 488-byte wire form: layout, byte order, the text fields through the code
// page, and how a field whose bytes outgrow it is cut.

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "tests/unit/Fakes.h"
#include "tray/tray.h"

namespace tarvolin {
namespace {

using testing::FakeShell;
using testing::FakeWindow;

// Reads a hex fixture: byte pairs separated by white space, '#' starts a comment line.
std::vector<std::uint8_t> ReadHexFixture(const std::string& name) {
    std::ifstream in(std::string(TARVOLIN_TEST_DATA_DIR) + "/wire/" + name);
    EXPECT_TRUE(in) << "missing fixture " << name;
    std::vector<std::uint8_t> bytes;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '#') continue;
        std::istringstream words(line);
        std::string word;
        while (words >> word)
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

std::vector<std::uint8_t> AsVector(const TrayWireForm& wire) { return {wire.begin(), wire.end()}; }

std::vector<std::uint8_t> Slice(const TrayWireForm& wire, std::size_t offset, std::size_t size) {
    return {wire.begin() + static_cast<std::ptrdiff_t>(offset),
            wire.begin() + static_cast<std::ptrdiff_t>(offset + size)};
}

// `prefix` followed by `fill` up to `size` bytes.
std::vector<std::uint8_t> Padded(std::vector<std::uint8_t> prefix, std::size_t size,
                                 std::uint8_t fill) {
    prefix.resize(size, fill);
    return prefix;
}

std::vector<std::uint8_t> Repeated(std::vector<std::uint8_t> unit, std::size_t times) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a,
                                    const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr std::size_t TipAt = 24;
constexpr std::size_t InfoAt = 160;
constexpr std::size_t TitleAt = 420;

class WireFormTest : public ::testing::Test {
protected:
    FakeWindow window;
    FakeShell shell;
    modSystray tray{shell};
    Utf8CodePage utf8;

    TrayWireForm Wire(std::size_t call) {
        return RenderWireForm(shell.notifyCalls.at(call).record, utf8);
    }
};

TEST_F(WireFormTest, FreshRecordIsAllZeroBytes) {
    const TrayWireForm wire = RenderWireForm(TrayIconRecord{}, utf8);
    EXPECT_EQ(AsVector(wire), std::vector<std::uint8_t>(488, 0));
}

TEST_F(WireFormTest, FirstAddMatchesTheShellLayoutByteForByte) {
    tray.TrayAdd(window, u"Connecting...");
    const auto expected = ReadHexFixture("first-add.hex");
    ASSERT_EQ(expected.size(), 488U);
    EXPECT_EQ(AsVector(Wire(0)), expected);
}

TEST_F(WireFormTest, BalloonCallCarriesTheTooltipAndInfoIcon) {
    tray.TrayAdd(window, u"Connecting...");
    tray.TrayShowBalloon(window, u"New notice", u"Tarvolin Internet Notifier");
    ASSERT_EQ(shell.notifyCalls.size(), 3U);
    const auto expected = ReadHexFixture("balloon-after-add.hex");
    ASSERT_EQ(expected.size(), 488U);
    EXPECT_EQ(AsVector(Wire(2)), expected);

    // The clear before it: NUL then spaces in both balloon fields, no info icon.
    const TrayWireForm clear = Wire(1);
    EXPECT_EQ(Slice(clear, 12, 4), (std::vector<std::uint8_t>{19, 0, 0, 0}));
    EXPECT_EQ(Slice(clear, InfoAt, 256), Padded({0}, 256, ' '));
    EXPECT_EQ(Slice(clear, TitleAt, 64), Padded({0}, 64, ' '));
    EXPECT_EQ(Slice(clear, 484, 4), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(WireFormTest, DeleteCarriesWhatEarlierCallsLeft) {
    tray.TrayAdd(window, u"Connecting...");
    tray.TrayShowBalloon(window, u"New notice", u"Tarvolin Internet Notifier");
    tray.TraySetTip(window, u"Connected");
    tray.TrayDelete(window);
    ASSERT_EQ(shell.notifyCalls.size(), 5U);
    const auto expected = ReadHexFixture("delete-after-tip.hex");
    ASSERT_EQ(expected.size(), 488U);
    EXPECT_EQ(AsVector(Wire(4)), expected);
}

TEST_F(WireFormTest, IntegersAreLittleEndianAtTheirOffsets) {
    TrayIconRecord r{};
    r.cbSize = 0x01020304;
    r.hWnd = 0x05060708;
    r.uID = 0x090A0B0C;
    r.uFlags = 0x0D0E0F10;
    r.uCallbackMessage = 0x11121314;
    r.hIcon = 0x15161718;
    r.dwState = 0x191A1B1C;
    r.dwStateMask = 0x1D1E1F20;
    r.uTimeout = 0x21222324;
    r.dwInfoFlags = 0xFFFEFDFC;
    const TrayWireForm wire = RenderWireForm(r, utf8);
    const std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> expected = {
        {0, {0x04, 0x03, 0x02, 0x01}},   {4, {0x08, 0x07, 0x06, 0x05}},
        {8, {0x0C, 0x0B, 0x0A, 0x09}},   {12, {0x10, 0x0F, 0x0E, 0x0D}},
        {16, {0x14, 0x13, 0x12, 0x11}},  {20, {0x18, 0x17, 0x16, 0x15}},
        {152, {0x1C, 0x1B, 0x1A, 0x19}}, {156, {0x20, 0x1F, 0x1E, 0x1D}},
        {416, {0x24, 0x23, 0x22, 0x21}}, {484, {0xFC, 0xFD, 0xFE, 0xFF}},
    };
    for (const auto& [offset, bytes] : expected) {
        EXPECT_EQ(Slice(wire, offset, 4), bytes) << "offset " << offset;
    }
    EXPECT_EQ(Slice(wire, TipAt, 128), std::vector<std::uint8_t>(128, 0));
    EXPECT_EQ(Slice(wire, InfoAt, 256), std::vector<std::uint8_t>(256, 0));
    EXPECT_EQ(Slice(wire, TitleAt, 64), std::vector<std::uint8_t>(64, 0));
}

TEST_F(WireFormTest, FullFieldsHaveNoNulAndDoNotSpillIntoTheirNeighbours) {
    tray.TrayAdd(window, std::u16string(200, u'T'));
    tray.TrayShowBalloon(window, std::u16string(300, u'I'), std::u16string(70, u'S'));
    const TrayWireForm wire = Wire(2);
    EXPECT_EQ(Slice(wire, TipAt, 128), std::vector<std::uint8_t>(128, 'T'));
    EXPECT_EQ(Slice(wire, 152, 8), std::vector<std::uint8_t>(8, 0));
    EXPECT_EQ(Slice(wire, InfoAt, 256), std::vector<std::uint8_t>(256, 'I'));
    EXPECT_EQ(Slice(wire, 416, 4), std::vector<std::uint8_t>(4, 0));
    EXPECT_EQ(Slice(wire, TitleAt, 64), std::vector<std::uint8_t>(64, 'S'));
    EXPECT_EQ(Slice(wire, 484, 4), (std::vector<std::uint8_t>{1, 0, 0, 0}));
}

TEST_F(WireFormTest, Utf8FieldIsCutAtACharacterBoundary) {
    // "a" + 63 x U+00E9: 1 + 63 * 2 bytes plus the fill cannot fit 64; the field keeps
    // "a" and 31 whole characters (63 bytes) and a zero in place of the split one.
    tray.TrayShowBalloon(window, u"x", u"a" + std::u16string(63, u'\u00E9'));
    EXPECT_EQ(Slice(Wire(1), TitleAt, 64),
              Padded(std::vector<std::uint8_t>{'a'} + Repeated({0xC3, 0xA9}, 31), 64, 0));

    // 43 x U+20AC (3 bytes each) in the 128-byte tooltip: 42 fit, two zero bytes follow.
    tray.TraySetTip(window, std::u16string(43, u'\u20AC'));
    EXPECT_EQ(Slice(Wire(2), TipAt, 128), Padded(Repeated({0xE2, 0x82, 0xAC}, 42), 128, 0));

    // Characters beyond the BMP (4 bytes, two 16-bit units) are never split either.
    std::u16string faces = u"ab";
    for (int i = 0; i < 20; ++i) faces += u"\U0001F600";
    tray.TrayShowBalloon(window, faces, u"t");
    EXPECT_EQ(Slice(Wire(4), InfoAt, 256),
              Padded(std::vector<std::uint8_t>{'a', 'b'} + Repeated({0xF0, 0x9F, 0x98, 0x80}, 20) +
                         std::vector<std::uint8_t>{0},
                     256, ' '));
}

TEST_F(WireFormTest, Utf8TextThatFitsLosesOnlyTheFillSpacesAtTheEnd) {
    // U+00E9, NUL, 62 spaces: 65 bytes; the last space does not fit.
    tray.TrayShowBalloon(window, u"x", u"\u00E9");
    EXPECT_EQ(Slice(Wire(1), TitleAt, 64),
              Padded(std::vector<std::uint8_t>{0xC3, 0xA9, 0x00}, 64, ' '));
}

TEST_F(WireFormTest, UnpairedSurrogateInAFieldRendersAsReplacement) {
    tray.TrayShowBalloon(window, std::u16string(u"A") + char16_t{0xD83D} + u"B", u"t");
    EXPECT_EQ(Slice(Wire(1), InfoAt, 7),
              (std::vector<std::uint8_t>{'A', 0xEF, 0xBF, 0xBD, 'B', 0x00, ' '}));
}

// A double-byte code page whose trail bytes may look like ASCII, as some system code pages'
// do: the cut must follow characters, not guess from byte values.
class DoubleByteCodePage final : public CodePage {
public:
    std::u16string ToText(std::string_view) const override { return {}; }
    std::string ToBytes(std::u16string_view text) const override {
        std::string out;
        for (const char16_t c : text) {
            if (c < 0x80) {
                out.push_back(static_cast<char>(c));
            } else {
                out.push_back(static_cast<char>(0x81));
                out.push_back(static_cast<char>(0x40 + (c & 0x3F)));
            }
        }
        return out;
    }
};

TEST_F(WireFormTest, MultiByteCodePageFieldIsCutBetweenCharacters) {
    tray.TrayShowBalloon(window, u"x", u"a" + std::u16string(63, u'\u3042'));
    const TrayWireForm wire = RenderWireForm(shell.notifyCalls.at(1).record, DoubleByteCodePage{});
    // "a" and 31 two-byte characters (0x81 0x42) fit in 63 bytes; the 64th byte is zero.
    EXPECT_EQ(Slice(wire, TitleAt, 64),
              Padded(std::vector<std::uint8_t>{'a'} + Repeated({0x81, 0x42}, 31), 64, 0));
}

}  // namespace
}  // namespace tarvolin
