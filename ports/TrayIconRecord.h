#pragma once
// The notify-icon record: one per program, zero at start, never reset. Field names are those
// of the shell's NOTIFYICONDATAA; its 488-byte wire form is rendered by RenderWireForm.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvolin {

// A fixed-width text field. Assign() writes a value left-aligned, fills with spaces up to
// the width and cuts at the width; a fresh field holds NUL characters only.
template <std::size_t Width>
class FixedText {
public:
    static constexpr std::size_t width = Width;

    void Assign(std::u16string_view value) {
        chars_.fill(u' ');
        const std::size_t n = value.size() < Width ? value.size() : Width;
        value.copy(chars_.data(), n);
    }
    // Writes `text` followed by one NUL, the way every text reaches the record.
    void AssignText(std::u16string_view text) {
        std::u16string value(text);
        value.push_back(u'\0');
        Assign(value);
    }
    // The text up to the first NUL or the field's end, as the shell reads it.
    [[nodiscard]] std::u16string_view Text() const {
        const std::u16string_view all(chars_.data(), Width);
        return all.substr(0, all.find(u'\0'));
    }
    [[nodiscard]] const std::array<char16_t, Width>& Chars() const { return chars_; }

    bool operator==(const FixedText&) const = default;

private:
    std::array<char16_t, Width> chars_{};
};

// Flag values of uFlags.
inline constexpr std::uint32_t NifMessage = 1;
inline constexpr std::uint32_t NifIcon = 2;
inline constexpr std::uint32_t NifTip = 4;
inline constexpr std::uint32_t NifInfo = 16;
inline constexpr std::uint32_t NiifInfo = 1;

inline constexpr std::uint32_t TrayRecordSize = 488;
inline constexpr std::uint32_t TrayIconId = 1;
// Tray callbacks reach the window as this message (the mouse-move message).
inline constexpr std::uint32_t TrayCallbackMessage = 512;

struct TrayIconRecord {
    std::uint32_t cbSize = 0;
    std::uint32_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uint32_t hIcon = 0;
    FixedText<128> szTip;
    std::uint32_t dwState = 0;
    std::uint32_t dwStateMask = 0;
    FixedText<256> szInfo;
    std::uint32_t uTimeout = 0;
    FixedText<64> szInfoTitle;
    std::uint32_t dwInfoFlags = 0;

    bool operator==(const TrayIconRecord&) const = default;
};

}  // namespace tarvolin
