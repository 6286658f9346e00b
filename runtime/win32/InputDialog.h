#pragma once
// The input box: a modal dialog with a prompt, an edit box holding a default text, and the
// buttons OK and Cancel, built from an in-memory template.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvolin {

// Control ids of the dialog.
inline constexpr std::uint16_t InputPromptId = 100;
inline constexpr std::uint16_t InputEditId = 101;

// The dialog template (DLGTEMPLATE and its items), DWORD-aligned words.
[[nodiscard]] std::vector<std::uint16_t> InputDialogTemplate(const std::u16string& prompt,
                                                             const std::u16string& title,
                                                             const std::u16string& defaultText);

// Shows the dialog and waits: the text in the edit box on OK (or Return), nothing on
// Cancel, Escape or closing the dialog.
[[nodiscard]] std::optional<std::u16string> RunInputDialog(const std::u16string& prompt,
                                                           const std::u16string& title,
                                                           const std::u16string& defaultText);

}  // namespace tarvolin
