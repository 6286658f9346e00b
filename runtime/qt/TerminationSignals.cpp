// The self-pipe: the handler writes one byte to a socket that the event loop watches.

#include "runtime/qt/TerminationSignals.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tarvolin {

namespace {

constexpr std::array HandledSignals{SIGTERM, SIGINT, SIGHUP};

// A signal handler receives no context, so the socket it writes to is the one piece of
// process-wide state here; it is set once before the handlers are installed.
std::atomic<int>& SignalWriteFd() {
    static std::atomic<int> fd{-1};
    return fd;
}

extern "C" void OnTerminationSignal(int /*signal*/) {
    const int savedErrno = errno;
    const char byte = 1;
    const int fd = SignalWriteFd().load();
    if (fd >= 0) {
        // A full socket already holds a wake-up, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
    std::array<int, 2> fds{-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds.data()) != 0) {
        return;  // the signals keep their default action: the process ends as usual
    }
    readFd_ = fds[0];
    writeFd_ = fds[1];
    SignalWriteFd().store(writeFd_);
    notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        std::array<char, 16> drained{};
        while (::read(readFd_, drained.data(), drained.size()) > 0) {
        }
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : HandledSignals) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (readFd_ < 0) return;
    for (const int signal : HandledSignals) std::signal(signal, SIG_DFL);
    SignalWriteFd().store(-1);
    notifier_.reset();
    ::close(readFd_);
    ::close(writeFd_);
}

}  // namespace tarvolin
