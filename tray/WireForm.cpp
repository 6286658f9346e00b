// The record's 488-byte wire form, the shell's 32-bit NOTIFYICONDATAA layout.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ports/TextCodec.h"
#include "tray/tray.h"

namespace tarvolin {

namespace {

void PutUint32(TrayWireForm& out, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<std::uint8_t>((value >> (8U * i)) & 0xFFU);
    }
}

// The field's characters through the code page, cut to at most `width` bytes. When the
// conversion is too long (a multi-byte code page), the field keeps the characters whose
// bytes fit whole: no character is split.
std::string FieldBytes(std::u16string_view chars, std::size_t width, const CodePage& codePage) {
    std::string bytes = codePage.ToBytes(chars);
    if (bytes.size() <= width) return bytes;

    bytes.clear();
    std::size_t i = 0;
    while (i < chars.size()) {
        const std::size_t units = DecodeUtf16(chars, i).units;
        const std::string one = codePage.ToBytes(chars.substr(i, units));
        if (bytes.size() + one.size() > width) break;
        bytes += one;
        i += units;
    }
    return bytes;
}

template <std::size_t Width>
void PutText(TrayWireForm& out, std::size_t offset, const FixedText<Width>& field,
             const CodePage& codePage) {
    const auto& chars = field.Chars();
    const std::string bytes =
        FieldBytes(std::u16string_view(chars.data(), chars.size()), Width, codePage);
    const std::span<std::uint8_t> target = std::span(out).subspan(offset, Width);
    std::ranges::fill(target, std::uint8_t{0});
    std::ranges::transform(bytes, target.begin(),
                           [](char b) { return static_cast<std::uint8_t>(b); });
}

}  // namespace

TrayWireForm RenderWireForm(const TrayIconRecord& record, const CodePage& codePage) {
    TrayWireForm out{};
    PutUint32(out, WireOffset::cbSize, record.cbSize);
    PutUint32(out, WireOffset::hWnd, record.hWnd);
    PutUint32(out, WireOffset::uID, record.uID);
    PutUint32(out, WireOffset::uFlags, record.uFlags);
    PutUint32(out, WireOffset::uCallbackMessage, record.uCallbackMessage);
    PutUint32(out, WireOffset::hIcon, record.hIcon);
    PutText(out, WireOffset::szTip, record.szTip, codePage);
    PutUint32(out, WireOffset::dwState, record.dwState);
    PutUint32(out, WireOffset::dwStateMask, record.dwStateMask);
    PutText(out, WireOffset::szInfo, record.szInfo, codePage);
    PutUint32(out, WireOffset::uTimeout, record.uTimeout);
    PutText(out, WireOffset::szInfoTitle, record.szInfoTitle, codePage);
    PutUint32(out, WireOffset::dwInfoFlags, record.dwInfoFlags);
    return out;
}

}  // namespace tarvolin
