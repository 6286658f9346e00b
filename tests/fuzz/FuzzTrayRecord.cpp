// The tray record under arbitrary sequences of its five operations with arbitrary texts
// (NULs, lone surrogates, texts longer than their fields). After every operation the record
// must hold exactly what that operation writes, every field it does not write must be as
// before, the shell must get the record the expected number of times, and the 488-byte wire
// form must carry the record's numbers at their offsets and its texts cut at whole
// characters, in UTF-8 and in a single-byte code page.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ports/CodePage.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/unit/Fakes.h"
#include "tray/Text.h"
#include "tray/tray.h"

namespace tarvolin::fuzz {
namespace {

static_assert(sizeof(TrayWireForm) == 488, "the wire form is the 488-byte ANSI record");

// A single-byte code page like the Windows ones: one byte per character, '?' for the rest.
class SingleByteCodePage final : public CodePage {
public:
    [[nodiscard]] std::u16string ToText(std::string_view bytes) const override {
        std::u16string text;
        for (const char b : bytes) text.push_back(static_cast<unsigned char>(b));
        return text;
    }
    [[nodiscard]] std::string ToBytes(std::u16string_view text) const override {
        std::string bytes;
        for (const char16_t c : text) bytes.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
        return bytes;
    }
};

// What a field shows after a text was written to it: the text and one NUL, cut at the
// width, read up to the first NUL.
template <std::size_t Width>
void RequireField(const FixedText<Width>& field, std::u16string_view written, const char* what) {
    std::u16string value(written);
    value.push_back(u'\0');
    if (value.size() > Width) value.resize(Width);
    Require(field.Text() == std::u16string_view(value).substr(0, value.find(u'\0')), what);
    for (std::size_t i = value.size(); i < Width; ++i) {
        Require(field.Chars()[i] == u' ', "a written field is filled with spaces");
    }
}

std::uint32_t Uint32At(const TrayWireForm& wire, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(wire[offset + i]) << (8U * i);
    return value;
}

template <std::size_t Width>
void RequireWireText(const TrayWireForm& wire, std::size_t offset, const FixedText<Width>& field,
                     const CodePage& codePage) {
    const std::string_view region(reinterpret_cast<const char*>(wire.data() + offset), Width);
    const std::string_view shown = region.substr(0, region.find('\0'));
    const std::string full = codePage.ToBytes(field.Text());
    Require(full.starts_with(shown), "the wire text is the field's text in the code page");
    if (full.size() < Width) Require(shown == full, "a text that fits is carried whole");
    // A cut never splits a character: what is there encodes back to itself.
    Require(codePage.ToBytes(codePage.ToText(shown)) == shown,
            "the wire text has whole characters");
}

void RequireWireForm(const TrayIconRecord& record, const CodePage& codePage) {
    const TrayWireForm wire = RenderWireForm(record, codePage);
    Require(Uint32At(wire, 0) == record.cbSize, "cbSize at 0");
    Require(Uint32At(wire, 4) == record.hWnd, "hWnd at 4");
    Require(Uint32At(wire, 8) == record.uID, "uID at 8");
    Require(Uint32At(wire, 12) == record.uFlags, "uFlags at 12");
    Require(Uint32At(wire, 16) == record.uCallbackMessage, "uCallbackMessage at 16");
    Require(Uint32At(wire, 20) == record.hIcon, "hIcon at 20");
    Require(Uint32At(wire, 152) == record.dwState, "dwState at 152");
    Require(Uint32At(wire, 156) == record.dwStateMask, "dwStateMask at 156");
    Require(Uint32At(wire, 416) == record.uTimeout, "uTimeout at 416");
    Require(Uint32At(wire, 484) == record.dwInfoFlags, "dwInfoFlags at 484");
    RequireWireText(wire, 24, record.szTip, codePage);
    RequireWireText(wire, 160, record.szInfo, codePage);
    RequireWireText(wire, 420, record.szInfoTitle, codePage);
}

void RequireHeader(const TrayIconRecord& record, const testing::FakeWindow& window) {
    Require(record.cbSize == TrayRecordSize, "cbSize is 488");
    Require(record.uID == TrayIconId, "uID is 1");
    Require(record.hWnd == window.handle, "hWnd is the window's");
}

// The fields the tip operations write, and those the balloon operations write.
void RequireTipWritten(const TrayIconRecord& after, const TrayIconRecord& before,
                       const testing::FakeWindow& window, std::u16string_view tip) {
    RequireHeader(after, window);
    Require(after.uFlags == (NifMessage | NifIcon | NifTip), "tip flags are 7");
    Require(after.uCallbackMessage == TrayCallbackMessage, "callback message is 512");
    Require(after.hIcon == window.iconHandle, "hIcon is the window's");
    RequireField(after.szTip, Trim(tip), "szTip holds the trimmed tip");
    Require(after.dwState == before.dwState && after.dwStateMask == before.dwStateMask &&
                after.szInfo == before.szInfo && after.uTimeout == before.uTimeout &&
                after.szInfoTitle == before.szInfoTitle && after.dwInfoFlags == before.dwInfoFlags,
            "a tip operation leaves the balloon fields alone");
}

void RequireBalloonWritten(const TrayIconRecord& after, const TrayIconRecord& before,
                           const testing::FakeWindow& window, std::u16string_view text,
                           std::u16string_view title, std::uint32_t infoFlags) {
    RequireHeader(after, window);
    Require(after.uFlags == (NifMessage | NifIcon | NifInfo), "balloon flags are 19");
    Require(after.uCallbackMessage == TrayCallbackMessage, "callback message is 512");
    Require(after.hIcon == window.iconHandle, "hIcon is the window's");
    Require(after.dwState == 0 && after.dwStateMask == 0, "balloon clears the state fields");
    RequireField(after.szInfo, text, "szInfo holds the balloon text");
    RequireField(after.szInfoTitle, title, "szInfoTitle holds the title");
    Require(after.dwInfoFlags == infoFlags, "dwInfoFlags");
    Require(after.szTip == before.szTip && after.uTimeout == before.uTimeout,
            "a balloon operation leaves the tip and the time-out alone");
}

}  // namespace
}  // namespace tarvolin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvolin;
    using fuzz::Require;
    FuzzedDataProvider input(data, size);
    testing::FakeWindow window;
    window.handle = input.ConsumeIntegral<std::uint32_t>();
    window.iconHandle = input.ConsumeIntegral<std::uint32_t>();
    testing::FakeShell shell;
    modSystray tray(shell);
    const Utf8CodePage utf8;
    const fuzz::SingleByteCodePage singleByte;

    // The record is zero at start, and so is its wire form.
    Require(tray.Record() == TrayIconRecord{}, "the record starts zeroed");
    Require(RenderWireForm(tray.Record(), utf8) == TrayWireForm{}, "a zero record renders zeroed");

    while (input.remaining_bytes() > 0) {
        const TrayIconRecord before = tray.Record();
        const std::size_t callsBefore = shell.notifyCalls.size();
        const auto calls = [&] { return shell.notifyCalls.size() - callsBefore; };
        switch (input.ConsumeIntegralInRange(0, 4)) {
            case 0: {
                const std::u16string tip = fuzz::ConsumeText(input, 300);
                tray.TrayAdd(window, tip);
                Require(calls() == 1 && shell.notifyCalls.back().message == NimAdd,
                        "add: one NIM_ADD");
                fuzz::RequireTipWritten(tray.Record(), before, window, tip);
                break;
            }
            case 1: {
                const std::u16string tip = fuzz::ConsumeText(input, 300);
                tray.TraySetTip(window, tip);
                Require(calls() == 1 && shell.notifyCalls.back().message == NimModify,
                        "set tip: one NIM_MODIFY");
                fuzz::RequireTipWritten(tray.Record(), before, window, tip);
                break;
            }
            case 2: {
                const std::u16string text = fuzz::ConsumeText(input, 600);
                const std::u16string title = fuzz::ConsumeText(input, 160);
                tray.TrayShowBalloon(window, text, title);
                Require(calls() == 2, "show balloon: two calls, a clear and the balloon");
                const TrayIconRecord& cleared = shell.notifyCalls[callsBefore].record;
                fuzz::RequireBalloonWritten(cleared, before, window, u"", u"", 0);
                fuzz::RequireBalloonWritten(tray.Record(), before, window, text, title, NiifInfo);
                break;
            }
            case 3:
                tray.TrayClearBalloon(window);
                Require(calls() == 1 && shell.notifyCalls.back().message == NimModify,
                        "clear balloon: one NIM_MODIFY");
                fuzz::RequireBalloonWritten(tray.Record(), before, window, u"", u"", 0);
                break;
            default: {
                tray.TrayDelete(window);
                Require(calls() == 1 && shell.notifyCalls.back().message == NimDelete,
                        "delete: one NIM_DELETE");
                TrayIconRecord expected = before;
                expected.cbSize = TrayRecordSize;
                expected.hWnd = window.handle;
                expected.uID = TrayIconId;
                Require(tray.Record() == expected, "delete writes only size, window and id");
                break;
            }
        }
        for (std::size_t i = callsBefore; i < shell.notifyCalls.size(); ++i) {
            fuzz::RequireWireForm(shell.notifyCalls[i].record, utf8);
            fuzz::RequireWireForm(shell.notifyCalls[i].record, singleByte);
        }
        Require(shell.notifyCalls.back().record == tray.Record(), "the shell gets the record");
    }
    return 0;
}
