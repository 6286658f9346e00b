#pragma once
// Text rules shared by the tray module and the window logic.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvolin {

// Removes leading and trailing space characters (U+0020 only; tabs and line ends stay).
[[nodiscard]] std::u16string_view Trim(std::u16string_view text);

// Empty after Trim.
[[nodiscard]] bool IsBlank(std::u16string_view text);

// Whether `text` begins with the ASCII `prefix`, ignoring the case of ASCII letters.
[[nodiscard]] bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix);

// A character a URL cannot carry as it stands: controls (U+0000-U+001F, U+007F), space,
// anything beyond ASCII, and " < > \ ^ ` { | }.
[[nodiscard]] bool IsUrlUnsafe(char16_t c);

// Percent-encodes, as UTF-8, the characters IsUrlUnsafe names; keeps all others verbatim.
// Unpaired surrogates encode as U+FFFD.
[[nodiscard]] std::u16string PercentEncodeUnsafe(std::u16string_view text);

}  // namespace tarvolin
