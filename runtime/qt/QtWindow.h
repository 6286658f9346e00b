#pragma once
// Window port on Qt: a hidden host widget that names the window, Timer1, the pop-up menu
// and the end of the program.

#include <QIcon>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <string>

#include "ports/Window.h"
#include "runtime/qt/FormEvents.h"
#include "runtime/qt/TrayMenu.h"

namespace tarvolin {

class QtWindow final : public Window {
public:
    QtWindow(FormEvents& events, const TrayMenu& trayMenu, const QIcon& icon);

    [[nodiscard]] std::uint32_t Handle() const override;
    [[nodiscard]] std::uint32_t IconHandle() const override;
    [[nodiscard]] std::u16string AppPath() const override;
    void SetTimerInterval(std::int32_t milliseconds) override;
    [[nodiscard]] float TwipsPerPixelX() const override;
    void PopupMenu(TopMenu menu) override;
    void End() override;

private:
    FormEvents& events_;
    const TrayMenu& trayMenu_;
    QWidget host_;  // never shown: the notifier's whole surface is the tray icon
    QTimer timer1_;
    std::uint32_t iconHandle_;
};

}  // namespace tarvolin
