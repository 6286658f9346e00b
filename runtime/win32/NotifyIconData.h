#pragma once
// The tray record in the shell's own NOTIFYICONDATAA: the record's field values in the
// structure of this build's width.

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <shellapi.h>
// clang-format on

#include <cstdint>

#include "ports/CodePage.h"
#include "ports/TrayIconRecord.h"

namespace tarvolin {

// A 32-bit handle field as the handle it names. Window and icon handles are shared between
// 32- and 64-bit programs and keep their value when cut to 32 bits and sign-extended back.
[[nodiscard]] inline HANDLE HandleFromField(std::uint32_t field) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(field)));
}
[[nodiscard]] inline std::uint32_t FieldFromHandle(const void* handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

// cbSize is the version-2 size of this build (the 488 bytes of the 32-bit layout are 504
// on x86_64), the size that carries balloons; the handles are the ones the record's fields
// name; each text field holds the bytes of the record's wire form, the field's characters
// through the code page, cut to the field's width without splitting a character.
[[nodiscard]] NOTIFYICONDATAA ToNotifyIconData(const TrayIconRecord& record,
                                               const CodePage& codePage);

}  // namespace tarvolin
