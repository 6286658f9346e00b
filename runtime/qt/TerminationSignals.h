#pragma once
// SIGTERM, SIGINT and SIGHUP (the terminal that started the program closed) turned into a
// call on the event loop, where the window can be unloaded safely (a signal handler may do
// almost nothing itself).

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace tarvolin {

class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals();

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    TerminationSignals(TerminationSignals&&) = delete;
    TerminationSignals& operator=(TerminationSignals&&) = delete;

private:
    std::function<void()> onSignal_;
    int readFd_ = -1;
    int writeFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tarvolin
