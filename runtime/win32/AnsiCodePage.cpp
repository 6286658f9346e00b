// CodePage on MultiByteToWideChar / WideCharToMultiByte with the system's ANSI code page.

#include "runtime/win32/AnsiCodePage.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <windows.h>

namespace tarvolin {

namespace {

// The conversion calls count in int; texts this program converts are far smaller
// (replies are capped at 1 MiB), so larger input is converted in pieces.
constexpr std::size_t PieceSize = std::size_t{1} << 28;

}  // namespace

std::u16string AnsiCodePage::ToText(std::string_view bytes) const {
    std::u16string text;
    while (!bytes.empty()) {
        const std::string_view piece = bytes.substr(0, PieceSize);
        const int pieceLength = static_cast<int>(piece.size());
        const int needed = MultiByteToWideChar(CP_ACP, 0, piece.data(), pieceLength, nullptr, 0);
        if (needed > 0) {
            const std::size_t start = text.size();
            text.resize(start + static_cast<std::size_t>(needed));
            MultiByteToWideChar(CP_ACP, 0, piece.data(), pieceLength,
                                reinterpret_cast<wchar_t*>(text.data() + start), needed);
        }
        bytes.remove_prefix(piece.size());
    }
    return text;
}

std::string AnsiCodePage::ToBytes(std::u16string_view text) const {
    std::string bytes;
    while (!text.empty()) {
        const std::u16string_view piece = text.substr(0, PieceSize);
        const auto* wide = reinterpret_cast<const wchar_t*>(piece.data());
        const int pieceLength = static_cast<int>(piece.size());
        const int needed =
            WideCharToMultiByte(CP_ACP, 0, wide, pieceLength, nullptr, 0, nullptr, nullptr);
        if (needed > 0) {
            const std::size_t start = bytes.size();
            bytes.resize(start + static_cast<std::size_t>(needed));
            WideCharToMultiByte(CP_ACP, 0, wide, pieceLength, bytes.data() + start, needed, nullptr,
                                nullptr);
        }
        text.remove_prefix(piece.size());
    }
    return bytes;
}

}  // namespace tarvolin
