#pragma once
// Window port on Qt: the host window that names the window, Timer1, the pop-up menu and
// the end of the program. The window is shown only while there is no notification area.

#include <QIcon>
#include <QTimer>
#include <cstdint>
#include <string>

#include "ports/Window.h"
#include "runtime/qt/FormEvents.h"
#include "runtime/qt/HostWindow.h"
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

    // Shows the window, with its menu bar, while no tray can hold the icon; hides it again
    // when one can.
    void ShowWithoutTray(bool noTray);
    [[nodiscard]] HostWindow& Host() { return host_; }

private:
    FormEvents& events_;
    const TrayMenu& trayMenu_;
    HostWindow host_;
    QTimer timer1_;
    std::uint32_t iconHandle_;
};

}  // namespace tarvolin
