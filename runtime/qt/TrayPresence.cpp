// Qt answers the question itself (QSystemTrayIcon::isSystemTrayAvailable); this only asks
// again when something on the bus or the display may have changed the answer, after Qt has
// seen the same event, so its own tray tracking is up to date. On the XEmbed side Qt's
// answer costs one round trip to the X server; on the bus side a call to the watcher,
// which is made only when the watcher itself has changed.

#include "runtime/qt/TrayPresence.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMetaObject>
#include <QString>
#include <QSystemTrayIcon>
#include <cstdint>
#include <utility>
#include <xcb/xcb.h>

namespace tarvolin {

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString WatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
constexpr std::uint8_t XcbEventTypeMask = 0x7F;  // the top bit marks a sent event
constexpr int WatcherCallMs = 1000;

// The question Qt asks once to choose its kind of tray: is a host registered with the
// watcher?
bool StatusNotifierHostRegistered() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        WatcherService, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << WatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, WatcherCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

}  // namespace

TrayPresence::TrayPresence(std::function<void(bool)> onChange)
    : onChange_(std::move(onChange)),
      watcher_(WatcherService, QDBusConnection::sessionBus(),
               QDBusServiceWatcher::WatchForOwnerChange),
      // The first question: Qt chooses its kind of tray here, for the life of the process.
      available_(QSystemTrayIcon::isSystemTrayAvailable()),
      busTray_(available_ && StatusNotifierHostRegistered()) {
    if (busTray_) {
        QObject::connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
                         &TrayPresence::RecheckSoon);
        // A watcher may come up before its host (the panel) registers with it.
        QDBusConnection::sessionBus().connect(QString(), WatcherPath, WatcherInterface,
                                              QStringLiteral("StatusNotifierHostRegistered"), this,
                                              SLOT(Recheck()));
    } else {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

TrayPresence::~TrayPresence() { QCoreApplication::instance()->removeNativeEventFilter(this); }

bool TrayPresence::nativeEventFilter(const QByteArray& eventType, void* message,
                                     qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
    const auto type =
        static_cast<const xcb_generic_event_t*>(message)->response_type & XcbEventTypeMask;
    // A tray announces itself to the root window with a client message (MANAGER); a tray
    // that goes takes its window with it.
    if (type == XCB_CLIENT_MESSAGE || type == XCB_DESTROY_NOTIFY) RecheckSoon();
    return false;  // Qt handles the event as usual
}

void TrayPresence::RecheckSoon() {
    if (recheckQueued_) return;
    recheckQueued_ = true;
    QMetaObject::invokeMethod(this, &TrayPresence::Recheck, Qt::QueuedConnection);
}

void TrayPresence::Recheck() {
    recheckQueued_ = false;
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available == available_) return;
    available_ = available;
    onChange_(available);
}

}  // namespace tarvolin
