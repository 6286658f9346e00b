// The menu bar built from the window's design. Its items raise their handlers through the
// window's one door once the menu has closed, as the tray's menu does.

#include "runtime/qt/HostWindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <utility>

#include "app/WindowDesign.h"
#include "runtime/qt/QtText.h"

namespace tarvolin {

namespace {

constexpr int StatusMarginPx = 12;

}  // namespace

HostWindow::HostWindow(FormEvents& events, const QIcon& icon) {
    setWindowTitle(ToQString(WindowCaption));
    setWindowIcon(icon);
    QMenu* context = menuBar()->addMenu(ToQString(ContextMenuCaption));
    for (const MenuItemDesign& item : ContextMenuItems) {
        const QAction* action = context->addAction(ToQString(item.caption));
        const MenuHandler handler = item.handler;
        QObject::connect(
            action, &QAction::triggered, this,
            [&events, handler] { events.Raise([handler](frmMain& form) { (form.*handler)(); }); },
            Qt::QueuedConnection);
    }
    // "X" has no items and no handler: choosing it does nothing.
    menuBar()->addAction(ToQString(CloseMenuCaption));
    status_.setMargin(StatusMarginPx);
    setCentralWidget(&status_);
}

void HostWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (onClose_) onClose_();
}

}  // namespace tarvolin
