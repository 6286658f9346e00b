// Text rules shared by the tray module and the window logic.

#include "tray/Text.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvolin {

namespace {

constexpr char16_t ReplacementChar = 0xFFFD;

constexpr char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Knuth-Morris-Pratt over case-folded characters: linear in text and needle whatever the
// input, so a hostile reply line cannot make the scanner crawl. `table` holds one entry
// per needle character.
std::size_t FindFolded(std::u16string_view text, std::u16string_view needle,
                       std::span<std::size_t> table) {
    const std::size_t m = needle.size();
    table[0] = 0;
    for (std::size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && FoldAscii(needle[i]) != FoldAscii(needle[k])) k = table[k - 1];
        if (FoldAscii(needle[i]) == FoldAscii(needle[k])) ++k;
        table[i] = k;
    }
    const char16_t first = FoldAscii(needle[0]);
    std::size_t k = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = FoldAscii(text[i]);
        if (k == 0) {
            // Quick skip to the next candidate start.
            if (c != first) continue;
            k = 1;
        } else {
            while (k > 0 && c != FoldAscii(needle[k])) k = table[k - 1];
            if (c == FoldAscii(needle[k])) ++k;
        }
        if (k == m) return i + 1 - m;
    }
    return std::u16string_view::npos;
}

void AppendPercentByte(std::u16string& out, unsigned byte) {
    constexpr std::u16string_view HexDigits = u"0123456789ABCDEF";
    out.push_back(u'%');
    out.push_back(HexDigits[(byte >> 4U) & 0xFU]);
    out.push_back(HexDigits[byte & 0xFU]);
}

void AppendPercentUtf8(std::u16string& out, char32_t cp) {
    if (cp < 0x80) {
        AppendPercentByte(out, cp);
    } else if (cp < 0x800) {
        AppendPercentByte(out, 0xC0U | (cp >> 6U));
        AppendPercentByte(out, 0x80U | (cp & 0x3FU));
    } else if (cp < 0x10000) {
        AppendPercentByte(out, 0xE0U | (cp >> 12U));
        AppendPercentByte(out, 0x80U | ((cp >> 6U) & 0x3FU));
        AppendPercentByte(out, 0x80U | (cp & 0x3FU));
    } else {
        AppendPercentByte(out, 0xF0U | (cp >> 18U));
        AppendPercentByte(out, 0x80U | ((cp >> 12U) & 0x3FU));
        AppendPercentByte(out, 0x80U | ((cp >> 6U) & 0x3FU));
        AppendPercentByte(out, 0x80U | (cp & 0x3FU));
    }
}

}  // namespace

std::u16string_view Trim(std::u16string_view text) {
    const std::size_t begin = text.find_first_not_of(u' ');
    if (begin == std::u16string_view::npos) return text.substr(0, 0);
    const std::size_t end = text.find_last_not_of(u' ');
    return text.substr(begin, end - begin + 1);
}

bool IsBlank(std::u16string_view text) { return Trim(text).empty(); }

std::size_t FindIgnoreCase(std::u16string_view text, std::u16string_view needle) {
    if (needle.empty()) return 0;
    if (needle.size() > text.size()) return std::u16string_view::npos;
    // The scanner's tags are short: their table lives on the stack.
    constexpr std::size_t ShortNeedle = 32;
    if (needle.size() <= ShortNeedle) {
        std::array<std::size_t, ShortNeedle> table{};
        return FindFolded(text, needle, std::span(table).first(needle.size()));
    }
    std::vector<std::size_t> table(needle.size());
    return FindFolded(text, needle, table);
}

bool IsUrlUnsafe(char16_t c) {
    if (c <= 0x20 || c >= 0x7F) return true;
    switch (c) {
        case u'"':
        case u'<':
        case u'>':
        case u'\\':
        case u'^':
        case u'`':
        case u'{':
        case u'|':
        case u'}':
            return true;
        default:
            return false;
    }
}

std::u16string PercentEncodeUnsafe(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t c = text[i];
        if (!IsUrlUnsafe(c)) {
            out.push_back(c);
            continue;
        }
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < size && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10U) +
                                (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            AppendPercentUtf8(out, cp);
            ++i;
        } else if (high || low) {
            AppendPercentUtf8(out, ReplacementChar);
        } else {
            AppendPercentUtf8(out, c);
        }
    }
    return out;
}

std::string AsciiBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    // Anything beyond ASCII has no single byte: it becomes '?'.
    for (const char16_t c : text) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return bytes;
}

std::u16string AsciiText(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    // A byte beyond ASCII is not text of this kind: it becomes U+FFFD.
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        text.push_back(u < 0x80 ? static_cast<char16_t>(u) : ReplacementChar);
    }
    return text;
}

}  // namespace tarvolin
