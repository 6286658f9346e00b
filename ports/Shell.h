#pragma once
// Shell port: the notification-area icon and the opening of links.

#include <cstdint>
#include <string>

#include "ports/TrayIconRecord.h"

namespace tarvolin {

// Tray notification codes: what the shell reports of the icon and its balloon. Plain enums:
// the codes travel as integers, and any other integer is a code nobody handles.
enum TrayCode : std::int32_t {
    TrayLeftButtonUp = 514,      // left button released over the icon
    TrayRightButtonUp = 517,     // right button released over the icon
    TrayBalloonShow = 1026,      // the balloon appeared
    TrayBalloonHide = 1027,      // the balloon was hidden
    TrayBalloonTimeout = 1028,   // the balloon went away by time-out (or was dismissed)
    TrayBalloonUserClick = 1029  // the user clicked the balloon
};

// Notify-icon messages.
enum NotifyIconMessage : int { NimAdd = 0, NimModify = 1, NimDelete = 2 };

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
