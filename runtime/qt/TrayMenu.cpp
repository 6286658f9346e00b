// The tray's menu built from the window's design. A host reports its drawn menu through
// dbusmenu: AboutToShow before it opens, the event "closed" after; Qt turns both into the
// menu's aboutToShow and aboutToHide, as it does for the menu it pops up itself.

#include "runtime/qt/TrayMenu.h"

#include <QAction>

#include "app/WindowDesign.h"
#include "runtime/qt/QtText.h"

namespace tarvolin {

TrayMenu::TrayMenu(FormEvents& events) {
    menu_.setTitle(ToQString(ContextMenuCaption));
    for (const MenuItemDesign& item : ContextMenuItems) {
        const QAction* action = menu_.addAction(ToQString(item.caption));
        const MenuHandler handler = item.handler;
        // Queued: the handler runs once the menu has closed, and a host's dbusmenu call is
        // answered at once rather than after a box the handler opens. A chosen item also
        // means the menu is closed, for hosts that never report "closed".
        QObject::connect(
            action, &QAction::triggered, &menu_,
            [this, &events, handler] {
                shown_ = false;
                events.Raise([handler](frmMain& form) { (form.*handler)(); });
            },
            Qt::QueuedConnection);
    }
    QObject::connect(&menu_, &QMenu::aboutToShow, &menu_, [this] { shown_ = true; });
    QObject::connect(&menu_, &QMenu::aboutToHide, &menu_, [this] { shown_ = false; });
}

}  // namespace tarvolin
