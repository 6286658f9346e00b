// The record's 488-byte wire form, the shell's 32-bit NOTIFYICONDATAA layout.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tray/tray.h"

namespace tarvolin {

namespace {

constexpr std::size_t TipOffset = 24;
constexpr std::size_t StateOffset = 152;
constexpr std::size_t StateMaskOffset = 156;
constexpr std::size_t InfoOffset = 160;
constexpr std::size_t TimeoutOffset = 416;
constexpr std::size_t InfoTitleOffset = 420;
constexpr std::size_t InfoFlagsOffset = 484;

void PutUint32(TrayWireForm& out, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<std::uint8_t>((value >> (8U * i)) & 0xFFU);
    }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The field's characters through the code page, cut to at most `width` bytes. When the
// conversion is too long (a multi-byte code page), the field keeps the characters whose
// bytes fit whole: no character is split.
std::string FieldBytes(std::u16string_view chars, std::size_t width, const CodePage& codePage) {
    std::string bytes = codePage.ToBytes(chars);
    if (bytes.size() <= width) return bytes;

    bytes.clear();
    std::size_t i = 0;
    while (i < chars.size()) {
        const std::size_t units =
            (IsHighSurrogate(chars[i]) && i + 1 < chars.size() && IsLowSurrogate(chars[i + 1])) ? 2
                                                                                                : 1;
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
    PutUint32(out, 0, record.cbSize);
    PutUint32(out, 4, record.hWnd);
    PutUint32(out, 8, record.uID);
    PutUint32(out, 12, record.uFlags);
    PutUint32(out, 16, record.uCallbackMessage);
    PutUint32(out, 20, record.hIcon);
    PutText(out, TipOffset, record.szTip, codePage);
    PutUint32(out, StateOffset, record.dwState);
    PutUint32(out, StateMaskOffset, record.dwStateMask);
    PutText(out, InfoOffset, record.szInfo, codePage);
    PutUint32(out, TimeoutOffset, record.uTimeout);
    PutText(out, InfoTitleOffset, record.szInfoTitle, codePage);
    PutUint32(out, InfoFlagsOffset, record.dwInfoFlags);
    return out;
}

}  // namespace tarvolin
