#pragma once
// Shell port on shell32: Shell_NotifyIconA for the tray icon, ShellExecuteA for links.

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <shellapi.h>
// clang-format on

#include <functional>
#include <optional>
#include <utility>

#include "ports/CodePage.h"
#include "ports/Shell.h"

namespace tarvolin {

class Win32Shell final : public Shell {
public:
    // The shell's notify-icon call; tests pass one that records the structures.
    using NotifyIconFunction = std::function<BOOL(DWORD message, PNOTIFYICONDATAA data)>;

    explicit Win32Shell(const CodePage& codePage,
                        NotifyIconFunction notifyIcon = &Shell_NotifyIconA)
        : codePage_(codePage), notifyIcon_(std::move(notifyIcon)) {}

    void NotifyIcon(int message, const TrayIconRecord& record) override;
    bool OpenUrl(const std::u16string& url) override;

    // The notification area was created anew (Explorer restarted): adds the icon again
    // with the structure last sent, as an add with its icon and tooltip, unless the icon
    // was deleted or never added.
    void ReAddIcon();

private:
    const CodePage& codePage_;
    NotifyIconFunction notifyIcon_;
    std::optional<NOTIFYICONDATAA> lastSent_;
    bool iconAdded_ = false;
};

}  // namespace tarvolin
