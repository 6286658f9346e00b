// tarvolin-notifier: the notifier on a Linux desktop. It creates the one window with its
// Qt ports, raises its load event, runs the event loop and unloads the window when the
// session or a signal ends the program. It reads no options and no settings. One notifier
// runs per program folder.

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "app/frmMain.h"
#include "ports/CodePage.h"
#include "runtime/qt/DisplayOpening.h"
#include "runtime/qt/FolderInstance.h"
#include "runtime/qt/FormEvents.h"
#include "runtime/qt/NotificationImage.h"
#include "runtime/qt/PlatformChoice.h"
#include "runtime/qt/QtDialogs.h"
#include "runtime/qt/QtShell.h"
#include "runtime/qt/QtTransfer.h"
#include "runtime/qt/QtWindow.h"
#include "runtime/qt/TerminationSignals.h"
#include "runtime/qt/TrayMenu.h"
#include "runtime/qt/TrayPresence.h"

namespace {

// Every drawn size, so that trays asking for 22, 24 or 48 px and scaled screens get a
// sharp image instead of a scaled one.
QIcon NotifierIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/tarvolin-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

// Creates the one window with its Qt ports, raises its load event and runs the event loop
// until Exit, the end of the session or a signal ends the program.
int RunWindow(QApplication& app, tarvolin::FolderInstance& instance) {
    using namespace tarvolin;
    const QIcon icon = NotifierIcon();
    QApplication::setWindowIcon(icon);

    FormEvents events;
    TrayMenu trayMenu(events);
    QtWindow window(events, trayMenu, icon);
    QtDialogs dialogs(events);
    QtShell shell(events, trayMenu, icon, NotificationImage(QCoreApplication::applicationDirPath()),
                  [&window](const QString& tip) { window.Host().ShowStatus(tip); });
    QtTransfer transfer;
    const Utf8CodePage codePage;
    frmMain form(Ports{window, dialogs, shell, transfer, codePage});
    events.Attach(form);

    // Unload once (the icon leaves the tray), then end with status 0.
    const auto unload = [&events] {
        events.Raise([](frmMain& frm) {
            std::int16_t cancel = 0;
            frm.Form_Unload(cancel);
        });
        events.Shut();
        QCoreApplication::exit(0);
    };
    const TerminationSignals termination(unload);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, unload);
    // Closing the window, where it is shown, is its unload like any other window close.
    window.Host().OnClose(unload);
    // Without a notification area the window carries the commands; a tray that comes later
    // takes the icon and the window goes.
    const TrayPresence tray([&window](bool available) { window.ShowWithoutTray(!available); });
    instance.OnLaterStart([&events] { events.Raise([](frmMain& frm) { frm.SecondStart(); }); });

    events.Raise([](frmMain& frm) { frm.Form_Load(); });
    // Exit confirmed from a box that start-up itself had open: no loop is left to run.
    if (!events.Open()) return 0;
    window.ShowWithoutTray(!tray.Available());
    return QApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    // Qt's X11 platform aborts without a display, so the program says why and stops first.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("tarvolin-notifier: no graphical display (DISPLAY is not set)\n", stderr);
        return 1;
    }

    tarvolin::PlatformArguments arguments(std::span(argv, static_cast<std::size_t>(argc)));
    std::optional<QApplication> app;
    {
        const tarvolin::DisplayOpening opening;
        app.emplace(arguments.Count(), arguments.Values());
    }
    // The program lives in the tray: closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setDesktopFileName(QStringLiteral("tarvolin-notifier"));

    // Decided before the window loads: a second start from this folder adds no icon, sends
    // no request and leaves the number file alone; the running notifier shows its status.
    tarvolin::FolderInstance instance(QCoreApplication::applicationDirPath());
    if (!instance.Claim()) return 0;
    return RunWindow(*app, instance);
}
