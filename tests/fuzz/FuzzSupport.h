#pragma once
// What the fuzz targets share: texts drawn from the fuzzer's bytes, and a check that stops
// the run with a message when a property does not hold (libFuzzer then keeps the input).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ports/CodePage.h"

namespace tarvolin::fuzz {

inline void Require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

// Raw 16-bit units, two bytes each: NULs, lone surrogates and anything else a UTF-16 text
// can hold.
inline std::u16string Utf16Units(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8U)));
    }
    return text;
}

}  // namespace tarvolin::fuzz
