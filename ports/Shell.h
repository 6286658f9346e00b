#pragma once
// Shell port: the notification-area icon and the opening of links.

#include <cstdint>
#include <string>

#include "ports/TrayIconRecord.h"

namespace tarvolin {

// Tray notification codes: what the shell reports of the icon and its balloon.
inline constexpr std::int32_t TrayLeftButtonUp = 514;
inline constexpr std::int32_t TrayRightButtonUp = 517;
inline constexpr std::int32_t TrayBalloonShow = 1026;
inline constexpr std::int32_t TrayBalloonHide = 1027;
inline constexpr std::int32_t TrayBalloonTimeout = 1028;
inline constexpr std::int32_t TrayBalloonUserClick = 1029;

// Notify-icon messages.
inline constexpr int NimAdd = 0;
inline constexpr int NimModify = 1;
inline constexpr int NimDelete = 2;

class Shell {
public:
    virtual ~Shell() = default;
    // Add, modify or delete the icon the record describes. The result is not reported:
    // the notifier neither checks nor retries it.
    virtual void NotifyIcon(int message, const TrayIconRecord& record) = 0;
    // Hand an approved absolute http/https URL (ASCII) to the desktop's default handler.
    // Returns whether the desktop accepted it.
    virtual bool OpenUrl(const std::u16string& url) = 0;
};

}  // namespace tarvolin
