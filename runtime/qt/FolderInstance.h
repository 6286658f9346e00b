#pragma once
// One notifier per program folder. The first start from a folder takes a lock in the
// user's runtime folder and listens on a local socket beside it; a later start from the
// same folder finds the lock held, reports itself on the socket and ends. Notifiers in
// different folders (another subscriber, another number) run side by side.

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

namespace tarvolin {

class FolderInstance {
public:
    explicit FolderInstance(const QString& programFolder);

    // True when this start is the folder's notifier (also when no runtime folder can hold
    // the lock: then nothing is guarded). False when another notifier of the folder runs;
    // it has been told of this start.
    bool Claim();
    // Runs onLaterStart, from the event loop, whenever a later start reports itself.
    void OnLaterStart(std::function<void()> onLaterStart);

private:
    void ReportToRunning() const;

    QString basePath_;  // the runtime folder and the folder's key, empty when unavailable
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace tarvolin
