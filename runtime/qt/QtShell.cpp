// The tray record acted out on a Linux desktop. The record's fields say what to do: a
// tooltip change (flags 7) or a balloon (flags 19, a clear first and then the text).

#include "runtime/qt/QtShell.h"

#include <QDesktopServices>
#include <QTimer>
#include <QUrl>
#include <utility>

#include "app/frmMain.h"
#include "runtime/qt/QtText.h"

namespace tarvolin {

namespace {

constexpr int TrayMessageMs = 10000;  // QSystemTrayIcon's own default

}  // namespace

QtShell::QtShell(FormEvents& events, TrayMenu& trayMenu, QIcon icon,
                 DesktopNotifications::Image notificationImage,
                 std::function<void(const QString&)> onTip)
    : events_(events),
      trayMenu_(trayMenu),
      icon_(std::move(icon)),
      onTip_(std::move(onTip)),
      notifications_(DesktopNotifications::Events{
                         .shown = [this] { Post(TrayBalloonShow); },
                         .clicked = [this] { Post(TrayBalloonUserClick); },
                         .timedOut = [this] { Post(TrayBalloonTimeout); },
                         .hidden = [this] { Post(TrayBalloonHide); },
                         .failed = [this](const QString& title,
                                          const QString& body) { ShowTrayMessage(title, body); },
                     },
                     std::move(notificationImage)) {}

QtShell::~QtShell() = default;

void QtShell::NotifyIcon(int message, const TrayIconRecord& record) {
    switch (message) {
        case NimAdd:
            Add(record);
            break;
        case NimModify:
            Modify(record);
            break;
        case NimDelete:
            Delete();
            break;
        default:
            break;  // the shell refuses any other message
    }
}

void QtShell::Add(const TrayIconRecord& record) {
    if (trayIcon_) return;  // the shell refuses a second add of the same icon
    trayIcon_ = std::make_unique<QSystemTrayIcon>(icon_);
    SetTip(record);
    // Set before show, so that a StatusNotifierItem carries its menu from the start: many
    // hosts draw only an exported menu and never ask the program for one. A right click
    // still reaches the window, which pops up its own menu unless this one is up.
    trayIcon_->setContextMenu(trayMenu_.Menu());
    QObject::connect(trayIcon_.get(), &QSystemTrayIcon::activated, &context_,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger) Post(TrayLeftButtonUp);
                         if (reason == QSystemTrayIcon::Context) Post(TrayRightButtonUp);
                     });
    QObject::connect(trayIcon_.get(), &QSystemTrayIcon::messageClicked, &context_, [this] {
        if (!trayMessageUp_) return;
        trayMessageUp_ = false;
        Post(TrayBalloonUserClick);
    });
    // A tray that starts after the program still gets the icon: Qt docks it into an XEmbed
    // tray whenever one appears. (Qt picks the D-Bus tray only when one is there now.)
    trayIcon_->show();
}

void QtShell::Modify(const TrayIconRecord& record) {
    if (!trayIcon_) return;  // the shell refuses to modify an icon it does not have
    if ((record.uFlags & NifInfo) != 0) {
        if (CloseBalloon(false)) Post(TrayBalloonHide);
        const QString body = ToQString(record.szInfo.Text());
        if (!body.isEmpty()) notifications_.Show(ToQString(record.szInfoTitle.Text()), body);
    } else if ((record.uFlags & NifTip) != 0) {
        SetTip(record);
    }
}

void QtShell::SetTip(const TrayIconRecord& record) {
    const QString tip = ToQString(record.szTip.Text());
    trayIcon_->setToolTip(tip);
    if (onTip_) onTip_(tip);
}

void QtShell::Delete() {
    if (!trayIcon_) return;
    CloseBalloon(true);
    trayIcon_->hide();
    trayIcon_.reset();
}

bool QtShell::CloseBalloon(bool wait) {
    if (trayMessageUp_) {
        trayMessageUp_ = false;
        if (trayIcon_) trayIcon_->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
        return true;
    }
    return wait ? notifications_.CloseAndWait() : notifications_.Close();
}

// Without a notification server the tray shows the text itself. It reports a click but
// no time-out, so the time-out is the message's own duration.
void QtShell::ShowTrayMessage(const QString& title, const QString& body) {
    if (!trayIcon_) return;
    trayIcon_->showMessage(title, body, QSystemTrayIcon::Information, TrayMessageMs);
    trayMessageUp_ = true;
    const std::uint64_t serial = ++trayMessageSerial_;
    Post(TrayBalloonShow);
    QTimer::singleShot(TrayMessageMs, &context_, [this, serial] {
        if (!trayMessageUp_ || serial != trayMessageSerial_) return;
        trayMessageUp_ = false;
        Post(TrayBalloonTimeout);
    });
}

void QtShell::Post(std::int32_t code) {
    QMetaObject::invokeMethod(
        &context_,
        [this, code] { events_.Raise([code](frmMain& form) { form.TrayNotification(code); }); },
        Qt::QueuedConnection);
}

bool QtShell::OpenUrl(const std::u16string& url) {
    // The window approved the link as an absolute http or https URL; it is checked once
    // more here, since whatever reaches the desktop's opener gets launched. QDesktopServices
    // hands it over as one argument, never through a shell command line.
    const QUrl target(ToQString(url), QUrl::StrictMode);
    const QString scheme = target.scheme();
    if (!target.isValid() || (scheme != u"http" && scheme != u"https") || target.host().isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(target);
}

}  // namespace tarvolin
