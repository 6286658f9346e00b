#pragma once
// The context menu that belongs to the tray icon. On StatusNotifierItem hosts Qt exports it
// over D-Bus (com.canonical.dbusmenu) and the host draws it; on XEmbed trays Qt pops it up
// on a right press. Its items raise the same handlers as the window's own pop-up menu.

#include <QMenu>

#include "runtime/qt/FormEvents.h"

namespace tarvolin {

class TrayMenu {
public:
    explicit TrayMenu(FormEvents& events);

    // The menu to hand to QSystemTrayIcon::setContextMenu.
    [[nodiscard]] QMenu* Menu() { return &menu_; }
    // True while the tray or the host shows this menu: the window's right-click pop-up then
    // stays away, so one right click never shows two menus.
    [[nodiscard]] bool Shown() const { return shown_; }

private:
    QMenu menu_;
    bool shown_ = false;
};

}  // namespace tarvolin
