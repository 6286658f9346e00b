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

[[nodiscard]] constexpr bool IsAsciiHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// What a text put into a URL is.
enum class UrlText {
    // A query value taken as data (the phone number): '#', '&' and every '%' are encoded
    // too, so that it can neither end the query, add a field nor carry an escape.
    Data,
    // Path, query and fragment of a link, a URL already: '#', '&' and the escapes in it are
    // kept; a '%' that starts no escape is encoded.
    UrlTail,
};

// Percent-encodes, as UTF-8, what a URL cannot carry as it stands (controls U+0000-U+001F
// and U+007F, space, anything beyond ASCII, and " < > \ ^ ` { | }) and what `kind` adds;
// keeps all others verbatim. Unpaired surrogates encode as U+FFFD.
[[nodiscard]] std::u16string PercentEncode(std::u16string_view text, UrlText kind);

}  // namespace tarvolin
