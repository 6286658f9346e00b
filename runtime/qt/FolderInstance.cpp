// The lock file holds the running notifier's process id and a lock of the kernel's, so a
// notifier that crashed or was killed leaves a lock that the next start sees through and
// takes over. The socket only carries the news of a later start: a connection is the news.

#include "runtime/qt/FolderInstance.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>
#include <utility>

namespace tarvolin {

namespace {

constexpr int ConnectAttempts = 20;  // the running one may be between its lock and listen
constexpr int ConnectPauseMs = 50;
constexpr int ConnectTimeoutMs = 500;

// The folder's key: a hash of its path, so any folder name fits a socket's short path.
QString FolderKey(const QString& folder) {
    const QByteArray digest =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("tarvolin-notifier-") + QString::fromLatin1(digest.left(16));
}

}  // namespace

FolderInstance::FolderInstance(const QString& programFolder) {
    // XDG_RUNTIME_DIR, or Qt's own per-user fallback when the session sets none.
    const QString runtimeFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtimeFolder.isEmpty()) basePath_ = runtimeFolder + u'/' + FolderKey(programFolder);
}

bool FolderInstance::Claim() {
    if (basePath_.isEmpty()) {
        std::fputs("tarvolin-notifier: no runtime folder; a second start is not detected\n",
                   stderr);
        return true;
    }
    lock_ = std::make_unique<QLockFile>(basePath_ + QStringLiteral(".lock"));
    // Held for the notifier's whole life: only a dead holder makes the lock stale.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        if (lock_->error() != QLockFile::LockFailedError) return true;  // cannot lock: run
        ReportToRunning();
        return false;
    }
    const QString socketPath = basePath_ + QStringLiteral(".socket");
    QLocalServer::removeServer(socketPath);  // left by a notifier that was killed
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socketPath)) {
        qWarning().noquote() << "tarvolin-notifier: later starts go unnoticed:"
                             << server_.errorString();
    }
    return true;
}

void FolderInstance::OnLaterStart(std::function<void()> onLaterStart) {
    QObject::connect(&server_, &QLocalServer::newConnection, &server_,
                     [this, onLaterStart = std::move(onLaterStart)] {
                         while (QLocalSocket* socket = server_.nextPendingConnection()) {
                             socket->deleteLater();
                             onLaterStart();
                         }
                     });
}

void FolderInstance::ReportToRunning() const {
    for (int attempt = 0; attempt < ConnectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(basePath_ + QStringLiteral(".socket"));
        if (socket.waitForConnected(ConnectTimeoutMs)) {
            socket.disconnectFromServer();
            return;
        }
        QThread::msleep(ConnectPauseMs);
    }
}

}  // namespace tarvolin
