// Notifications over QtDBus. Calls are built with QDBusMessage (QDBusInterface would
// introspect the server first, a blocking round trip) and answered asynchronously, so a
// slow server never holds up the window.

#include "runtime/qt/DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <utility>

namespace tarvolin {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString ObjectPath = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString AppName = QStringLiteral("Tarvolin Internet Notifier");
const QString DefaultAction = QStringLiteral("default");
const QString DefaultActionLabel = QStringLiteral("Open");
const QString BodyMarkup = QStringLiteral("body-markup");
const QString Persistence = QStringLiteral("persistence");
constexpr int ExpireAsServerDecides = -1;
// How long a banner stays on a server that keeps notifications and tells no time-out (as
// long as the tray's own message): then the balloon counts as timed out.
constexpr int KeptBannerMs = 10000;
constexpr uint ClosedByCall = 3;
constexpr int CloseWaitMs = 1000;

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(Service, ObjectPath, Interface, method);
}

// A server that reads markup would take "<" or "&" in a notice as the start of a tag.
QString EscapeMarkup(QString text) {
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    text.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    text.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return text;
}

}  // namespace

DesktopNotifications::DesktopNotifications(Events events, Image image)
    : events_(std::move(events)), image_(std::move(image)), bus_(QDBusConnection::sessionBus()) {
    bannerTimer_.setSingleShot(true);
    bannerTimer_.setInterval(KeptBannerMs);
    QObject::connect(&bannerTimer_, &QTimer::timeout, this, &DesktopNotifications::OnBannerTime);
    if (!bus_.isConnected()) return;
    // No sender name in the match: a server that starts or restarts later is heard too.
    // Signals are told apart by the id of the current notification.
    bus_.connect(QString(), ObjectPath, Interface, QStringLiteral("NotificationClosed"), this,
                 SLOT(OnNotificationClosed(uint, uint)));
    bus_.connect(QString(), ObjectPath, Interface, QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
}

template <typename OnReply>
void DesktopNotifications::Await(const QDBusPendingCall& call, OnReply onReply) {
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(call, this);
    QObject::connect(watcher.get(), &QDBusPendingCallWatcher::finished, this,
                     [onReply = std::move(onReply)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         onReply(*finished);
                     });
    // This object owns the watcher from now on; deleteLater above ends it after the reply.
    static_cast<void>(watcher.release());
}

bool DesktopNotifications::IsCurrent(std::uint64_t serial) const {
    return current_.has_value() && current_->serial == serial;
}

void DesktopNotifications::Show(const QString& title, const QString& body) {
    Request request{nextSerial_++, title, body};
    current_ = Current{request.serial};
    if (!bus_.isConnected()) {
        current_.reset();
        events_.failed(title, body);
        return;
    }
    waiting_ = std::move(request);
    if (server_.has_value()) {
        SendWaiting();
    } else {
        QueryCapabilities();
    }
}

// One Notify on its way at a time: the one before is closed as soon as its id is known,
// before the next goes out. A burst of notices (a status change, then a notice) otherwise
// reaches the server as several live notifications, and GNOME puts a notification into
// the message list without its banner once three of them are waiting.
void DesktopNotifications::SendWaiting() {
    if (notifyOnItsWay_ || !waiting_.has_value()) return;
    const Request request = *std::exchange(waiting_, std::nullopt);
    if (IsCurrent(request.serial)) SendNotify(request);
}

void DesktopNotifications::QueryCapabilities() {
    if (capabilitiesAsked_) return;
    capabilitiesAsked_ = true;
    Await(bus_.asyncCall(Call(QStringLiteral("GetCapabilities"))),
          [this](const QDBusPendingCall& call) {
              capabilitiesAsked_ = false;
              const QDBusPendingReply<QStringList> reply(call);
              if (!reply.isError()) {
                  const QStringList capabilities = reply.value();
                  server_ = Server{.bodyMarkup = capabilities.contains(BodyMarkup),
                                   .keepsNotifications = capabilities.contains(Persistence)};
                  SendWaiting();
                  return;
              }
              // No server on the bus: asked again next time.
              const std::optional<Request> request = std::exchange(waiting_, std::nullopt);
              if (!request.has_value() || !IsCurrent(request->serial)) return;
              current_.reset();
              events_.failed(request->title, request->body);
          });
}

void DesktopNotifications::SendNotify(const Request& request) {
    QDBusMessage message = Call(QStringLiteral("Notify"));
    const bool markup = server_.has_value() && server_->bodyMarkup;
    message << AppName << uint{0} << image_.appIcon << request.title
            << (markup ? EscapeMarkup(request.body) : request.body)
            << QStringList{DefaultAction, DefaultActionLabel} << image_.hints
            << ExpireAsServerDecides;
    notifyOnItsWay_ = true;
    Await(bus_.asyncCall(message), [this, request](const QDBusPendingCall& call) {
        notifyOnItsWay_ = false;
        const QDBusPendingReply<uint> reply(call);
        const bool isCurrent = IsCurrent(request.serial);
        if (reply.isError()) {
            if (isCurrent) {
                current_.reset();
                events_.failed(request.title, request.body);
            }
            SendWaiting();
            return;
        }
        const uint id = reply.value();
        if (!isCurrent) {  // cleared while the request was on its way
            SendClose(id, false);
            SendWaiting();
            return;
        }
        current_->id = id;
        current_->shown = true;
        // Such a server sends no close when the banner ends: the runtime tells the time-out.
        if (server_.has_value() && server_->keepsNotifications) bannerTimer_.start();
        events_.shown();
    });
}

void DesktopNotifications::SendClose(uint id, bool wait) {
    QDBusMessage message = Call(QStringLiteral("CloseNotification"));
    message << id;
    if (wait) {
        bus_.call(message, QDBus::Block, CloseWaitMs);
    } else {
        bus_.send(message);
    }
}

bool DesktopNotifications::CloseCurrent(bool wait) {
    if (!current_.has_value()) return false;
    const Current closing = *current_;
    current_.reset();
    waiting_.reset();
    bannerTimer_.stop();
    if (closing.id != 0) SendClose(closing.id, wait);
    return closing.shown && !closing.kept;
}

bool DesktopNotifications::Close() { return CloseCurrent(false); }

bool DesktopNotifications::CloseAndWait() { return CloseCurrent(true); }

void DesktopNotifications::OnBannerTime() {
    if (!current_.has_value() || !current_->shown || current_->kept) return;
    current_->kept = true;
    events_.timedOut();
}

void DesktopNotifications::OnNotificationClosed(uint id, uint reason) {
    if (!current_.has_value() || current_->id == 0 || current_->id != id) return;
    const bool told = current_->kept;  // its time-out is already told
    current_.reset();
    bannerTimer_.stop();
    if (told) return;
    if (reason == ClosedByCall) {
        events_.hidden();
    } else {
        events_.timedOut();
    }
}

void DesktopNotifications::OnActionInvoked(uint id, const QString& actionKey) {
    if (!current_.has_value() || current_->id == 0 || current_->id != id) return;
    if (actionKey != DefaultAction) return;
    current_.reset();
    bannerTimer_.stop();
    events_.clicked();
    SendClose(id, false);  // some servers leave a notification up after its action
}

}  // namespace tarvolin
