// Qt's message handler takes no context, so the one opening in progress is the piece of
// process-wide state here; it is set for the life of the DisplayOpening. The display
// libraries (libxcb, libwayland) report some failures straight to stderr, so fd 2 points
// into an in-memory file meanwhile. A display that accepts the connection and never answers
// would hold the start for good: the watchdog thread ends it.

#include "runtime/qt/DisplayOpening.h"

#include <QByteArray>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace tarvolin {

namespace {

// A display answers in milliseconds; a busy machine may take seconds.
constexpr std::chrono::seconds OpeningLimit{20};

std::atomic<DisplayOpening*>& CurrentOpening() {
    static std::atomic<DisplayOpening*> opening{nullptr};
    return opening;
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (DisplayOpening* opening = CurrentOpening().load(); opening != nullptr) {
        opening->Take(type, context, message);
    }
}

// "DISPLAY=:77", "WAYLAND_DISPLAY=wayland-9" or both: the displays the program was given.
QByteArray DisplaysNamed() {
    QByteArray named;
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (qEnvironmentVariableIsEmpty(variable)) continue;
        if (!named.isEmpty()) named += ", ";
        named += QByteArray(variable) + '=' + qgetenv(variable);
    }
    return named;
}

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

DisplayOpening::DisplayOpening() : previous_(qInstallMessageHandler(HoldMessage)) {
    CurrentOpening().store(this);
    CatchStderr();
    watchdog_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        if (!opened_.wait_for(lock, OpeningLimit, [this] { return done_; })) Fail();
    });
}

DisplayOpening::~DisplayOpening() {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    opened_.notify_one();
    watchdog_.join();
    ReleaseStderr();
    qInstallMessageHandler(previous_);
    CurrentOpening().store(nullptr);
    for (const Held& held : held_) {
        const QMessageLogContext context(held.file.c_str(), held.line, held.function.c_str(),
                                         held.category.c_str());
        qt_message_output(held.type, context, held.message);
    }
}

void DisplayOpening::Take(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (type == QtFatalMsg) Fail();
    const std::lock_guard lock(mutex_);
    held_.push_back({type, context.file != nullptr ? context.file : "", context.line,
                     context.function != nullptr ? context.function : "",
                     context.category != nullptr ? context.category : "", message});
}

void DisplayOpening::Fail() const {
    // Nothing else is running yet: no icon, no request, no file. What was held or caught
    // would only repeat the failure in the libraries' words.
    const QByteArray line =
        "tarvolin-notifier: cannot open the graphical display (" + DisplaysNamed() + ")\n";
    WriteAll(stderrFd_ >= 0 ? stderrFd_ : STDERR_FILENO,
             std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    std::_Exit(1);
}

void DisplayOpening::CatchStderr() {
    std::fflush(stderr);
    caughtFd_ = ::memfd_create("tarvolin-display-opening", MFD_CLOEXEC);
    if (caughtFd_ < 0) return;  // then the libraries write to stderr directly
    stderrFd_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (stderrFd_ < 0 || ::dup2(caughtFd_, STDERR_FILENO) < 0) {
        if (stderrFd_ >= 0) ::close(stderrFd_);
        ::close(caughtFd_);
        stderrFd_ = caughtFd_ = -1;
    }
}

void DisplayOpening::ReleaseStderr() const {
    if (stderrFd_ < 0) return;
    std::fflush(stderr);
    ::dup2(stderrFd_, STDERR_FILENO);
    ::close(stderrFd_);
    std::array<char, 4096> buffer{};
    ::lseek(caughtFd_, 0, SEEK_SET);
    for (ssize_t got = 0; (got = ::read(caughtFd_, buffer.data(), buffer.size())) > 0;) {
        WriteAll(STDERR_FILENO, std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
    ::close(caughtFd_);
}

}  // namespace tarvolin
