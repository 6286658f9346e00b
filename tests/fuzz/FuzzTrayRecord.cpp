// The record's 488-byte wire form for arbitrary records: any numbers, and text fields
// holding anything a UTF-16 text can (NULs, lone surrogates, texts longer than the field).
// The numbers must lie little-endian at their offsets, and each text must reach the wire as
// its field's text in the code page, cut only between whole characters, in UTF-8 and in a
// single-byte code page like the Windows ones.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/FuzzSupport.h"
#include "tray/tray.h"

namespace tarvolin::fuzz {
namespace {

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

template <std::size_t Width>
void RequireText(const TrayWireForm& wire, std::size_t offset, const FixedText<Width>& field,
                 const CodePage& codePage) {
    const std::string_view region(reinterpret_cast<const char*>(wire.data() + offset), Width);
    const std::string_view shown = region.substr(0, region.find('\0'));
    const std::string full = codePage.ToBytes(field.Text());
    Require(full.starts_with(shown), "the wire text is the field's text in the code page");
    if (full.size() < Width) Require(shown == full, "a text that fits is carried whole");
    Require(codePage.ToBytes(codePage.ToText(shown)) == shown, "no character is split");
}

void RequireWireForm(const TrayIconRecord& record, const CodePage& codePage) {
    const TrayWireForm wire = RenderWireForm(record, codePage);
    const auto at = [&wire](std::size_t offset) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{wire[offset + i]} << (8U * i);
        return value;
    };
    Require(at(WireOffset::cbSize) == record.cbSize && at(WireOffset::hWnd) == record.hWnd &&
                at(WireOffset::uID) == record.uID && at(WireOffset::uFlags) == record.uFlags &&
                at(WireOffset::uCallbackMessage) == record.uCallbackMessage &&
                at(WireOffset::hIcon) == record.hIcon && at(WireOffset::dwState) == record.dwState &&
                at(WireOffset::dwStateMask) == record.dwStateMask &&
                at(WireOffset::uTimeout) == record.uTimeout &&
                at(WireOffset::dwInfoFlags) == record.dwInfoFlags,
            "every number lies little-endian at its offset");
    RequireText(wire, WireOffset::szTip, record.szTip, codePage);
    RequireText(wire, WireOffset::szInfo, record.szInfo, codePage);
    RequireText(wire, WireOffset::szInfoTitle, record.szInfoTitle, codePage);
}

}  // namespace
}  // namespace tarvolin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvolin;
    FuzzedDataProvider input(data, size);
    TrayIconRecord record;
    for (std::uint32_t* field : {&record.cbSize, &record.hWnd, &record.uID, &record.uFlags,
                                 &record.uCallbackMessage, &record.hIcon, &record.dwState,
                                 &record.dwStateMask, &record.uTimeout, &record.dwInfoFlags}) {
        *field = input.ConsumeIntegral<std::uint32_t>();
    }
    record.szTip.AssignText(fuzz::ConsumeText(input, 300));
    record.szInfo.AssignText(fuzz::ConsumeText(input, 600));
    record.szInfoTitle.Assign(fuzz::ConsumeText(input, 160));
    fuzz::RequireWireForm(record, Utf8CodePage{});
    fuzz::RequireWireForm(record, fuzz::SingleByteCodePage{});
    return 0;
}
