// The text codec and the UTF-8 code page. Decoding follows the "maximal subpart" practice: each
// stretch of bytes that starts a well-formed sequence but breaks off, and each byte that can start
// none, becomes one U+FFFD, and decoding resumes at the byte that broke the sequence.

#include "ports/TextCodec.h"

#include <cstddef>
#include <cstdint>

#include "ports/CodePage.h"

namespace tarvolin {

namespace {

// Bounds of the second byte after each lead byte; every further byte is 80..BF. These
// bounds rule out overlongs (E0, F0), encoded surrogates (ED) and code points above
// U+10FFFF (F4).
struct LeadInfo {
    int length;  // 0: not a lead byte
    std::uint8_t secondLow;
    std::uint8_t secondHigh;
};

constexpr LeadInfo Lead(std::uint8_t b) {
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};
    if (b == 0xED) return {3, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};
    return {};  // length 0: not a lead byte
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10U)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FFU)));
}

// The sequence that starts at bytes[i]: its code point (U+FFFD when broken) and its length.
// A broken sequence ends before the byte that broke it, which is read afresh.
struct Utf8Sequence {
    char32_t codePoint;
    std::size_t length;
};

Utf8Sequence DecodeUtf8(std::string_view bytes, std::size_t i) {
    const auto b0 = static_cast<std::uint8_t>(bytes[i]);
    if (b0 < 0x80) return {b0, 1};
    const LeadInfo lead = Lead(b0);
    if (lead.length == 0) return {ReplacementChar, 1};
    char32_t cp = b0 & (0x7FU >> static_cast<unsigned>(lead.length));
    for (int k = 1; k < lead.length; ++k) {
        const std::size_t j = i + static_cast<std::size_t>(k);
        const Utf8Sequence broken{ReplacementChar, static_cast<std::size_t>(k)};
        if (j >= bytes.size()) return broken;  // cut off by the end of the input
        const auto b = static_cast<std::uint8_t>(bytes[j]);
        const std::uint8_t low = k == 1 ? lead.secondLow : 0x80;
        const std::uint8_t high = k == 1 ? lead.secondHigh : 0xBF;
        if (b < low || b > high) return broken;
        cp = (cp << 6U) | (b & 0x3FU);
    }
    return {cp, static_cast<std::size_t>(lead.length)};
}

}  // namespace

CodePointAt DecodeUtf16(std::u16string_view text, std::size_t i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        return {0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10U) +
                    (static_cast<char32_t>(text[i + 1]) - 0xDC00),
                2};
    }
    if (c >= 0xD800 && c <= 0xDFFF) return {ReplacementChar, 1};
    return {c, 1};
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    auto put = [&out](unsigned value) { out.push_back(static_cast<char>(value)); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0U | (codePoint >> 6U));
        put(0x80U | (codePoint & 0x3FU));
    } else if (codePoint < 0x10000) {
        put(0xE0U | (codePoint >> 12U));
        put(0x80U | ((codePoint >> 6U) & 0x3FU));
        put(0x80U | (codePoint & 0x3FU));
    } else {
        put(0xF0U | (codePoint >> 18U));
        put(0x80U | ((codePoint >> 12U) & 0x3FU));
        put(0x80U | ((codePoint >> 6U) & 0x3FU));
        put(0x80U | (codePoint & 0x3FU));
    }
}

// Reads `in` one code point at a time with `decode` and writes each with `append`.
template <typename Out, typename In, typename Decode, typename Append>
Out Recode(In in, Decode decode, Append append) {
    Out out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size();) {
        const auto [codePoint, length] = decode(in, i);
        append(out, codePoint);
        i += length;
    }
    return out;
}

std::u16string Utf8CodePage::ToText(std::string_view bytes) const {
    return Recode<std::u16string>(bytes, DecodeUtf8, AppendCodePoint);
}

std::string Utf8CodePage::ToBytes(std::u16string_view text) const {
    return Recode<std::string>(text, DecodeUtf16, AppendUtf8);
}

}  // namespace tarvolin
