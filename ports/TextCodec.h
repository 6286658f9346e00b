#pragma once
// UTF-16 ⇄ UTF-8: the one place that pairs surrogates and writes UTF-8 sequences. The
// UTF-8 code page, the percent-encoding of URLs and the record's wire form all build on it.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvolin {

inline constexpr char16_t ReplacementChar = 0xFFFD;

struct CodePointAt {
    char32_t value;
    std::size_t units;  // 16-bit units it takes in the text: 1 or 2
};

// The code point that starts at text[i] (i < text.size()). A surrogate without its partner
// is U+FFFD, one unit long.
[[nodiscard]] CodePointAt DecodeUtf16(std::u16string_view text, std::size_t i);

// Appends the UTF-8 sequence of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace tarvolin
