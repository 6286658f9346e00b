// bare-tray: the floor a Qt 6 tray program cannot go below, for the footprint benchmark. It
// shows the notifier's icon with a tooltip and runs a one-minute coarse timer that does
// nothing, as the notifier's own idle schedule does; there is nothing else.

#include <QApplication>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/tarvolin-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/tarvolin-32.png"), QSize(32, 32));
    QSystemTrayIcon tray(icon);
    tray.setToolTip(QStringLiteral("Connected"));
    tray.show();

    QTimer tick;
    tick.setTimerType(Qt::VeryCoarseTimer);
    tick.setInterval(60000);
    tick.start();

    return QApplication::exec();
}
