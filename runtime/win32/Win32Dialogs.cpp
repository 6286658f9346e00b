// MessageBoxW for the message box; the input box is InputDialog.

#include "runtime/win32/Win32Dialogs.h"

#include <windows.h>

#include "runtime/win32/InputDialog.h"

namespace tarvolin {

namespace {

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

int Win32Dialogs::MsgBox(const std::u16string& text, int buttons, const std::u16string& title) {
    // No owner: the notifier's window is never shown, and the box must come to the front
    // of whatever the user is doing, as a tray program's boxes do.
    const UINT style =
        (buttons == MsgBoxYesNo ? MB_YESNO : MB_OK) | MB_DEFBUTTON1 | MB_SETFOREGROUND | MB_TOPMOST;
    const int answer = MessageBoxW(nullptr, Wide(text), Wide(title), style);
    if (buttons != MsgBoxYesNo) return MsgBoxResultOk;
    return answer == IDYES ? MsgBoxResultYes : MsgBoxResultNo;
}

std::u16string Win32Dialogs::InputBox(const std::u16string& prompt, const std::u16string& title,
                                      const std::u16string& defaultText) {
    return RunInputDialog(prompt, title, defaultText).value_or(std::u16string());
}

}  // namespace tarvolin
