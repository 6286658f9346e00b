#pragma once
// The freedesktop notification client: one notification at a time, sent straight over the
// session bus with a "default" action and the notifier's own image, and the server's signals
// for that one notification.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <optional>

class QDBusPendingCall;

namespace tarvolin {

class DesktopNotifications final : public QObject {
    Q_OBJECT

public:
    // What happens to the current notification: shown, then at most one of the others, except
    // that a notification kept in the server's list may still be clicked after its time-out.
    // They come from the event loop, never from inside Close; only `failed` may come from
    // inside Show.
    struct Events {
        std::function<void()> shown;    // the server has put it up
        std::function<void()> clicked;  // the user chose it (on a kept one, also from the list)
        // It expired or the user dismissed it; on a server that keeps notifications, its
        // banner's time is over.
        std::function<void()> timedOut;
        std::function<void()> hidden;  // another client closed it
        // No notification server answered: the caller shows the text its own way.
        std::function<void(const QString& title, const QString& body)> failed;
    };

    // How each notification names its image: an icon name or file path for app_icon, and
    // hints such as image-data.
    struct Image {
        QString appIcon;
        QVariantMap hints;
    };

    DesktopNotifications(Events events, Image image);

    // Sends a notification that becomes the current one. The caller closes the previous
    // one first.
    void Show(const QString& title, const QString& body);
    // Closes the current notification, if any (a kept one leaves the server's list). True
    // when the server had shown it and its time-out has not been told.
    bool Close();
    // As Close, but waits up to a second until the server has the request: for the end of
    // the program, when nothing queued would still be sent.
    bool CloseAndWait();

private slots:
    void OnNotificationClosed(uint id, uint reason);
    void OnActionInvoked(uint id, const QString& actionKey);

    // NOLINTNEXTLINE(readability-redundant-access-specifiers): moc reads the slots above
private:
    struct Request {
        std::uint64_t serial = 0;
        QString title;
        QString body;
    };
    struct Current {
        std::uint64_t serial = 0;
        uint id = 0;  // the server's id, 0 until Notify has answered
        bool shown = false;
        // Its banner has gone from a server that keeps notifications in a list: the time-out
        // has been told, and only a click on it in that list still counts.
        bool kept = false;
    };
    // What GetCapabilities said of the server.
    struct Server {
        bool bodyMarkup = false;          // it reads the body as markup
        bool keepsNotifications = false;  // "persistence": no close signal when a banner ends
    };

    [[nodiscard]] bool IsCurrent(std::uint64_t serial) const;
    void QueryCapabilities();
    void SendWaiting();
    void SendNotify(const Request& request);
    void SendClose(uint id, bool wait);
    bool CloseCurrent(bool wait);
    void OnBannerTime();
    template <typename OnReply>
    void Await(const QDBusPendingCall& call, OnReply onReply);

    Events events_;
    Image image_;
    QDBusConnection bus_;
    std::uint64_t nextSerial_ = 1;
    std::optional<Current> current_;
    // Held back until the server's capabilities are known and no Notify is on its way.
    std::optional<Request> waiting_;
    bool capabilitiesAsked_ = false;  // a GetCapabilities call is on its way
    bool notifyOnItsWay_ = false;     // a Notify call has not been answered yet
    std::optional<Server> server_;
    QTimer bannerTimer_;  // a kept notification's banner is over when it fires
};

}  // namespace tarvolin
