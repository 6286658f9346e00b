#pragma once
// Code-page port: where the notifier's text (UTF-16) meets bytes. Used for the number
// file, the HTTP body and the tray record's wire form.

#include <string>
#include <string_view>

namespace tarvolin {

class CodePage {
public:
    virtual ~CodePage() = default;
    // Bytes in this code page to text. Never fails: undecodable bytes become U+FFFD.
    [[nodiscard]] virtual std::u16string ToText(std::string_view bytes) const = 0;
    // Text to bytes in this code page. Never fails: unmappable characters are replaced.
    [[nodiscard]] virtual std::string ToBytes(std::u16string_view text) const = 0;
};

// UTF-8, the code page of every platform but Windows. Malformed or overlong sequences,
// surrogates and code points above U+10FFFF decode to U+FFFD, one per bad sequence;
// unpaired surrogates in the text encode as U+FFFD.
class Utf8CodePage final : public CodePage {
public:
    [[nodiscard]] std::u16string ToText(std::string_view bytes) const override;
    [[nodiscard]] std::string ToBytes(std::u16string_view text) const override;
};

}  // namespace tarvolin
