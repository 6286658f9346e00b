#pragma once
// Dialogs port on the Win32 message box and a small input dialog.

#include "ports/Dialogs.h"

namespace tarvolin {

class Win32Dialogs final : public Dialogs {
public:
    int MsgBox(const std::u16string& text, int buttons, const std::u16string& title) override;
    std::u16string InputBox(const std::u16string& prompt, const std::u16string& title,
                            const std::u16string& defaultText) override;
};

}  // namespace tarvolin
