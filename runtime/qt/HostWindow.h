#pragma once
// The host window as the user can see it: caption "RSS", a menu bar with "Context" (Status,
// My Number, Exit) beside "X", and a line with the status the tooltip would show. It is
// shown only while no notification area exists, so that every command stays in reach;
// closing it unloads the window, as any window close does.

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QString>
#include <functional>

#include "runtime/qt/FormEvents.h"

namespace tarvolin {

class HostWindow final : public QMainWindow {
public:
    HostWindow(FormEvents& events, const QIcon& icon);

    // What a close of the window does: the window's unload.
    void OnClose(std::function<void()> onClose) { onClose_ = std::move(onClose); }
    void ShowStatus(const QString& text) { status_.setText(text); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel status_;
    std::function<void()> onClose_;
};

}  // namespace tarvolin
