// feed-service: the demo and test service the notifier polls. Serves notices in the reply
// form the notifier scans and lets tests publish notices and inject faults over /admin/.

#include <chrono>
#include <cstdio>
#include <future>
#include <pthread.h>
#include <signal.h>
#include <span>
#include <string>
#include <thread>
#include <unistd.h>

#include "FeedServer.h"
#include "FeedState.h"
#include "Options.h"

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitCannotListen = 2;

std::time_t Now() { return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()); }

// SIGINT and SIGTERM are taken by sigwait in Serve; blocked before any thread starts so that
// every handler thread inherits the mask. Writes to a vanished client must not kill us.
sigset_t BlockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return stopSignals;
}

// Serves until SIGINT or SIGTERM; true when the loop ended cleanly.
bool Serve(tarvolin::feed::FeedServer& server, const sigset_t& stopSignals) {
    const pid_t self = getpid();
    auto serving = std::async(std::launch::async, [&server, self] {
        const bool ok = server.Run();
        // Wake the signal wait below if the loop ended on its own.
        kill(self, SIGTERM);
        return ok;
    });
    int signalNumber = 0;
    sigwait(&stopSignals, &signalNumber);
    // stop() has no effect until the listening loop runs, so repeat it until the loop ends.
    do {
        server.Stop();
    } while (serving.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready);
    return serving.get();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvolin::feed;

    std::string error;
    const auto options = ParseOptions(
        std::span<char* const>(argv, static_cast<std::size_t>(argc)).subspan(1), error);
    if (!options) {
        std::fprintf(stderr, "feed-service: %s\n%s", error.c_str(), Usage);
        return ExitUsage;
    }
    if (options->help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    const sigset_t stopSignals = BlockStopSignals();

    FeedState state(options->statusText, Now());
    if (options->notice || options->category || options->link) {
        state.Publish(options->notice.value_or(""), options->category.value_or(""),
                      options->link.value_or(""), "", Now());
    }
    FeedServer server(state, options->quiet);
    if (!server.Bind(options->bindAddress, options->port, error)) {
        std::fprintf(stderr, "feed-service: cannot listen on %s:%d: %s\n",
                     options->bindAddress.c_str(), options->port, error.c_str());
        return ExitCannotListen;
    }
    std::printf("feed-service: listening on %s:%d\n", options->bindAddress.c_str(), server.Port());
    std::fflush(stdout);
    return Serve(server, stopSignals) ? 0 : 1;
}
