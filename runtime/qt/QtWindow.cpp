// The host window on Qt. Its handle and icon handle only name things to the tray record;
// where a tray holds the icon, the window itself is never shown.

#include "runtime/qt/QtWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "app/WindowDesign.h"
#include "runtime/qt/QtText.h"

namespace tarvolin {

namespace {

constexpr double TwipsPerInch = 1440.0;
constexpr double UsualDotsPerInch = 96.0;

// A 32-bit id that is never 0: 0 would read as "no window" or "no icon" in the record.
std::uint32_t NonZeroLow32(quint64 value) {
    const auto low = static_cast<std::uint32_t>(value & 0xFFFFFFFFU);
    return low != 0 ? low : 1U;
}

}  // namespace

QtWindow::QtWindow(FormEvents& events, const TrayMenu& trayMenu, const QIcon& icon)
    : events_(events),
      trayMenu_(trayMenu),
      host_(events, icon),
      iconHandle_(NonZeroLow32(static_cast<quint64>(icon.cacheKey()))) {
    // Timer1 stays idle until the logic sets its interval. A very coarse timer fires on
    // whole seconds, so a one-minute tick never wakes the process early.
    timer1_.setTimerType(Qt::VeryCoarseTimer);
    QObject::connect(&timer1_, &QTimer::timeout, &timer1_,
                     [this] { events_.Raise([](frmMain& form) { form.Timer1_Timer(); }); });
}

std::uint32_t QtWindow::Handle() const { return NonZeroLow32(host_.winId()); }

std::uint32_t QtWindow::IconHandle() const { return iconHandle_; }

std::u16string QtWindow::AppPath() const { return ToU16(QCoreApplication::applicationDirPath()); }

void QtWindow::SetTimerInterval(std::int32_t milliseconds) {
    if (!events_.Open()) return;
    // Setting the interval restarts the count, as a timer control does; 0 stops it.
    if (milliseconds > 0) {
        timer1_.start(milliseconds);
    } else {
        timer1_.stop();
    }
}

float QtWindow::TwipsPerPixelX() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchX() : 0.0;
    return static_cast<float>(TwipsPerInch / (dpi > 0.0 ? dpi : UsualDotsPerInch));
}

void QtWindow::PopupMenu(TopMenu menu) {
    // mnuClose has no items: popping it up shows nothing.
    if (menu != TopMenu::mnuContext || !events_.Open()) return;
    // The tray's own menu is up for this right click (popped up by an XEmbed tray, or drawn
    // by a StatusNotifierItem host): it is the menu, its items run the same handlers.
    if (trayMenu_.Shown()) return;
    QMenu popup;
    popup.setTitle(ToQString(ContextMenuCaption));
    for (const MenuItemDesign& item : ContextMenuItems) popup.addAction(ToQString(item.caption));
    // The chosen item's handler runs after the menu has closed, still inside PopupMenu,
    // as a modal pop-up menu raises its click event.
    const QAction* chosen = popup.exec(QCursor::pos());
    if (chosen == nullptr) return;
    const qsizetype index = popup.actions().indexOf(chosen);
    if (index < 0 || static_cast<std::size_t>(index) >= ContextMenuItems.size()) return;
    const MenuHandler handler = ContextMenuItems[static_cast<std::size_t>(index)].handler;
    events_.Raise([handler](frmMain& form) { (form.*handler)(); });
}

void QtWindow::ShowWithoutTray(bool noTray) {
    if (noTray && events_.Open()) {
        host_.show();
    } else {
        host_.hide();
    }
}

void QtWindow::End() {
    // QCoreApplication::exit leaves every running event loop, nested ones (a dialog, the
    // pop-up menu) included, and no new loop starts after it. With the door shut no handler
    // runs while the stack unwinds, so main returns 0 through the normal clean-up, which
    // flushes what is still queued for the X server and the session bus; a hard _Exit
    // would not.
    events_.Shut();
    timer1_.stop();
    host_.hide();
    QCoreApplication::exit(0);
}

}  // namespace tarvolin
