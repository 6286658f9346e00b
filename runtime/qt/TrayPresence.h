#pragma once
// Whether a notification area can hold the icon now, and word when that changes. Qt picks
// its kind of tray once, at the first question: a StatusNotifierItem host when one is
// registered then, else an XEmbed tray on the X display. So a change is looked for where
// that kind lives: the watcher coming or going on the session bus, or an XEmbed tray
// announcing itself (MANAGER) or a window going away on the display. Nothing is polled, so
// a notifier with a tray wakes no more often than one without this.

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>

namespace tarvolin {

class TrayPresence final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // onChange(available) runs from the event loop whenever the answer changes.
    explicit TrayPresence(std::function<void(bool available)> onChange);
    ~TrayPresence() override;

    TrayPresence(const TrayPresence&) = delete;
    TrayPresence& operator=(const TrayPresence&) = delete;
    TrayPresence(TrayPresence&&) = delete;
    TrayPresence& operator=(TrayPresence&&) = delete;

    [[nodiscard]] bool Available() const { return available_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private slots:
    void Recheck();

    // NOLINTNEXTLINE(readability-redundant-access-specifiers): moc reads the slot above
private:
    void RecheckSoon();

    std::function<void(bool)> onChange_;
    QDBusServiceWatcher watcher_;
    bool available_ = false;
    bool busTray_ = false;  // Qt shows the icon as a StatusNotifierItem
    bool recheckQueued_ = false;
};

}  // namespace tarvolin
