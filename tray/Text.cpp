// Text rules shared by the tray module and the window logic.

#include "tray/Text.h"

#include "ports/TextCodec.h"

namespace tarvolin {

namespace {

constexpr char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

void AppendPercentUtf8(std::u16string& out, char32_t codePoint) {
    constexpr std::u16string_view HexDigits = u"0123456789ABCDEF";
    std::string bytes;
    AppendUtf8(bytes, codePoint);
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        out.push_back(u'%');
        out.push_back(HexDigits[byte >> 4U]);
        out.push_back(HexDigits[byte & 0xFU]);
    }
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

// Whether text[i], a character of one unit, must be written as an escape.
bool NeedsEscape(std::u16string_view text, std::size_t i, UrlText kind) {
    const char16_t c = text[i];
    if (IsUrlUnsafe(c)) return true;
    if (kind == UrlText::Data) return c == u'#' || c == u'&' || c == u'%';
    return c == u'%' &&
           !(i + 2 < text.size() && IsAsciiHexDigit(text[i + 1]) && IsAsciiHexDigit(text[i + 2]));
}

}  // namespace

std::u16string_view Trim(std::u16string_view text) {
    const std::size_t begin = text.find_first_not_of(u' ');
    if (begin == std::u16string_view::npos) return text.substr(0, 0);
    const std::size_t end = text.find_last_not_of(u' ');
    return text.substr(begin, end - begin + 1);
}

bool IsBlank(std::u16string_view text) { return Trim(text).empty(); }

bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
    }
    return true;
}

std::u16string PercentEncode(std::u16string_view text, UrlText kind) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const CodePointAt at = DecodeUtf16(text, i);
        if (at.units == 1 && !NeedsEscape(text, i, kind)) {
            out.push_back(text[i]);
        } else {
            AppendPercentUtf8(out, at.value);
        }
        i += at.units;
    }
    return out;
}

}  // namespace tarvolin
