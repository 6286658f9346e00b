#pragma once
// The system's ANSI code page (CP_ACP): where text meets bytes on Windows.

#include "ports/CodePage.h"

namespace tarvolin {

class AnsiCodePage final : public CodePage {
public:
    // Each byte of a single-byte code page becomes one character; bytes the code page cannot
    // decode become its default character, never an error.
    [[nodiscard]] std::u16string ToText(std::string_view bytes) const override;
    // Characters the code page cannot hold become its default character ('?').
    [[nodiscard]] std::string ToBytes(std::u16string_view text) const override;
};

}  // namespace tarvolin
