// The tray icon and link opening through shell32.

#include "runtime/win32/Win32Shell.h"

#include <cstdint>
#include <string>

#include "runtime/win32/NotifyIconData.h"

namespace tarvolin {

void Win32Shell::NotifyIcon(int message, const TrayIconRecord& record) {
    NOTIFYICONDATAA data = ToNotifyIconData(record, codePage_);
    // The result is not reported: the notifier neither checks nor retries a tray call.
    notifyIcon_(static_cast<DWORD>(message), &data);
    lastSent_ = data;
    if (message == NimAdd) iconAdded_ = true;
    if (message == NimDelete) iconAdded_ = false;
}

void Win32Shell::ReAddIcon() {
    if (!iconAdded_ || !lastSent_) return;
    // The last structure may have been a balloon: the new icon gets the tooltip the record
    // still holds, and no balloon is shown again.
    NOTIFYICONDATAA data = *lastSent_;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyIcon_(NIM_ADD, &data);
}

bool Win32Shell::OpenUrl(const std::u16string& url) {
    const std::string file = codePage_.ToBytes(url);
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<std::intptr_t>(result) > 32;
}

}  // namespace tarvolin
