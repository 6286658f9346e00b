#pragma once
// What the Qt transfer tests share: the feed service as their one server, started on a free
// loopback port for each test with a notice for every number, and a way to carry on after a
// test has ended the program.

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string>

namespace tarvolin::test {

class FeedService {
public:
    FeedService() {
        process_.start(QStringLiteral(TARVOLIN_FEED_SERVICE),
                       {"--port", "0", "--quiet", "--notice", "Your bundle renews tomorrow."});
        // It prints "feed-service: listening on 127.0.0.1:PORT" once it accepts connections.
        if (process_.waitForReadyRead(10'000))
            base_ =
                "http://" + QString(process_.readLine()).trimmed().section(' ', -1).toStdString();
    }
    ~FeedService() {
        process_.terminate();
        process_.waitForFinished(5'000);
    }
    FeedService(const FeedService&) = delete;
    FeedService& operator=(const FeedService&) = delete;
    FeedService(FeedService&&) = delete;
    FeedService& operator=(FeedService&&) = delete;

    // "http://127.0.0.1:PORT", or "" when the service did not start.
    [[nodiscard]] const std::string& Base() const { return base_; }

private:
    QProcess process_;
    std::string base_;
};

// Runs `action` from the event loop 100 ms from now: inside the wait of a Get started now.
inline void DuringTheWait(QTimer& timer, const std::function<void()>& action) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, action);
    timer.start(100);
}

// QCoreApplication::exit leaves a flag that makes every later event loop return at once, as
// the ended program needs; a test program that goes on clears it the way exec() does.
inline void ClearEndOfProgram() {
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

}  // namespace tarvolin::test
