#pragma once
// The freedesktop notification client: one notification at a time, sent straight over the
// session bus with a "default" action, and the server's signals for that one notification.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QDBusPendingCall;

namespace tarvolin {

class DesktopNotifications final : public QObject {
    Q_OBJECT

public:
    // What happens to the current notification, at most one of them per Show. They come
    // from the event loop, never from inside Close; only `failed` may come from inside Show.
    struct Events {
        std::function<void()> shown;     // the server has put it up
        std::function<void()> clicked;   // the user chose it
        std::function<void()> timedOut;  // it expired or the user dismissed it
        std::function<void()> hidden;    // another client closed it
        // No notification server answered: the caller shows the text its own way.
        std::function<void(const QString& title, const QString& body)> failed;
    };

    explicit DesktopNotifications(Events events);

    // Sends a notification that becomes the current one. The caller closes the previous
    // one first.
    void Show(const QString& title, const QString& body);
    // Closes the current notification, if any. True when the server had shown it.
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
    };

    [[nodiscard]] bool IsCurrent(std::uint64_t serial) const;
    void QueryCapabilities();
    void SendNotify(const Request& request);
    void SendClose(uint id, bool wait);
    bool CloseCurrent(bool wait);
    template <typename OnReply>
    void Await(const QDBusPendingCall& call, OnReply onReply);

    Events events_;
    QDBusConnection bus_;
    std::uint64_t nextSerial_ = 1;
    std::optional<Current> current_;
    std::optional<Request> waiting_;  // held back until the server's capabilities are known
    bool capabilitiesAsked_ = false;  // a GetCapabilities call is on its way
    std::optional<bool> bodyMarkup_;  // whether the server reads the body as markup
};

}  // namespace tarvolin
