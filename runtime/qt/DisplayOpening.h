#pragma once
// Opening the display is the one step of start-up that Qt ends with abort() when it fails:
// a DISPLAY or WAYLAND_DISPLAY that is set but names no reachable display, or garbage. For
// as long as this object lives (while the application object is made), Qt's messages are
// held back and what the display libraries write to stderr is caught; a fatal message, or
// a display that has not answered within the time allowed, ends the program with one line
// on stderr and status 1, as when no display is set at all. Once it is over, what was held
// and caught goes out as usual.

#include <QMessageLogContext>
#include <QString>
#include <QtGlobal>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvolin {

class DisplayOpening {
public:
    DisplayOpening();
    ~DisplayOpening();

    DisplayOpening(const DisplayOpening&) = delete;
    DisplayOpening& operator=(const DisplayOpening&) = delete;
    DisplayOpening(DisplayOpening&&) = delete;
    DisplayOpening& operator=(DisplayOpening&&) = delete;

    // What the handler does with each message while the display is being opened.
    void Take(QtMsgType type, const QMessageLogContext& context, const QString& message);

private:
    struct Held {
        QtMsgType type;
        std::string file;
        int line;
        std::string function;
        std::string category;
        QString message;
    };

    // The one line, on the real stderr, and the end of the process.
    [[noreturn]] void Fail() const;
    void CatchStderr();
    void ReleaseStderr() const;

    QtMessageHandler previous_;
    std::vector<Held> held_;
    int stderrFd_ = -1;  // the real stderr while fd 2 writes into the catch
    int caughtFd_ = -1;
    std::mutex mutex_;
    std::condition_variable opened_;
    bool done_ = false;
    std::thread watchdog_;
};

}  // namespace tarvolin
