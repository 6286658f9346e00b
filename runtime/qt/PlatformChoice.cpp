// The session is read from the variables a desktop session sets for its programs:
// XDG_SESSION_TYPE, XDG_CURRENT_DESKTOP (a colon-separated list such as "ubuntu:GNOME").

#include "runtime/qt/PlatformChoice.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <algorithm>
#include <cstring>

namespace tarvolin {

namespace {

bool GnomeOnWayland() {
    if (qgetenv("XDG_SESSION_TYPE") != "wayland") return false;
    const QList<QByteArray> desktops = qgetenv("XDG_CURRENT_DESKTOP").toLower().split(':');
    return desktops.contains("gnome") && !qEnvironmentVariableIsEmpty("DISPLAY");
}

bool PlatformNamed(std::span<char*> given) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
    return std::any_of(given.begin(), given.end(), [](const char* argument) {
        return std::strcmp(argument, "-platform") == 0 || std::strcmp(argument, "--platform") == 0;
    });
}

}  // namespace

PlatformArguments::PlatformArguments(std::span<char*> given) : values_(given.begin(), given.end()) {
    if (GnomeOnWayland() && !PlatformNamed(given)) {
        values_.push_back(option_.data());
        values_.push_back(choice_.data());
    }
    count_ = static_cast<int>(values_.size());
    values_.push_back(nullptr);
}

}  // namespace tarvolin
