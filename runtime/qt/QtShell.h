#pragma once
// Shell port on Qt: the tray record acted out with QSystemTrayIcon and desktop
// notifications, and links handed to the desktop's default handler.

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ports/Shell.h"
#include "runtime/qt/DesktopNotifications.h"
#include "runtime/qt/FormEvents.h"
#include "runtime/qt/TrayMenu.h"

namespace tarvolin {

class QtShell final : public Shell {
public:
    // onTip shows each new tooltip elsewhere too (the window, where it is shown).
    QtShell(FormEvents& events, TrayMenu& trayMenu, QIcon icon,
            DesktopNotifications::Image notificationImage,
            std::function<void(const QString&)> onTip);
    ~QtShell() override;

    QtShell(const QtShell&) = delete;
    QtShell& operator=(const QtShell&) = delete;
    QtShell(QtShell&&) = delete;
    QtShell& operator=(QtShell&&) = delete;

    void NotifyIcon(int message, const TrayIconRecord& record) override;
    bool OpenUrl(const std::u16string& url) override;

private:
    void Add(const TrayIconRecord& record);
    void Modify(const TrayIconRecord& record);
    void Delete();
    void SetTip(const TrayIconRecord& record);
    bool CloseBalloon(bool wait);
    void ShowTrayMessage(const QString& title, const QString& body);
    // Hands a notification code to the window from the event loop, never from inside a
    // call the window is making.
    void Post(std::int32_t code);

    FormEvents& events_;
    TrayMenu& trayMenu_;
    QIcon icon_;
    std::function<void(const QString&)> onTip_;
    QObject context_;  // receiver of queued events; they die with it
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    DesktopNotifications notifications_;
    std::uint64_t trayMessageSerial_ = 0;  // the tray's own message, when it is the balloon
    bool trayMessageUp_ = false;
};

}  // namespace tarvolin
