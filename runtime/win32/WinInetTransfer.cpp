// The wait for the worker, and what becomes of a request the wait gives up on.

#include "runtime/win32/WinInetTransfer.h"

#include <chrono>
#include <exception>
#include <memory>
#include <thread>
#include <type_traits>

#include "runtime/win32/MessageWait.h"
#include "runtime/win32/WinInetGet.h"
#include "runtime/win32/WinInetSession.h"

namespace tarvolin {

namespace {

struct EventCloser {
    void operator()(HANDLE event) const { CloseHandle(event); }
};

// One request, shared by the worker that runs it and the window thread that waits for it.
// Whoever lets go last frees it, so a worker that outlives the wait (an aborted or
// timed-out request) only ever uses what it owns.
struct Job {
    Job(std::string_view requestUrl, const TransferLimits& requestLimits)
        : url(requestUrl),
          limits(requestLimits),
          deadline(std::chrono::steady_clock::now() + requestLimits.timeout) {}

    std::string url;
    TransferLimits limits;
    std::chrono::steady_clock::time_point deadline;
    WinInetSession session;
    std::optional<std::string> body;
    std::unique_ptr<std::remove_pointer_t<HANDLE>, EventCloser> done{
        CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

void Run(Job& job) noexcept {
    try {
        job.body = WinInetGet(job.session, job.url, job.limits, job.deadline);
    } catch (const std::exception&) {
        job.body.reset();  // out of memory: no answer
    }
    SetEvent(job.done.get());
}

}  // namespace

std::optional<std::string> WinInetTransfer::Get(std::string_view url) {
    const auto job = std::make_shared<Job>(url, limits_);
    if (!job->done) return std::nullopt;
    std::thread worker([job] { Run(*job); });

    switch (WaitDeliveringMessages(job->done.get(), job->deadline)) {
        case WaitEnd::Signalled:
            worker.join();  // it has finished: the body is complete
            return std::move(job->body);
        case WaitEnd::Quit:
            // Closing the session makes the calls in progress fail on Windows; Wine lets
            // them run to their own time-out. Either way the program goes on ending now.
            job->session.Abort();
            break;
        case WaitEnd::TimedOut:
            // Not closed here: under Wine, closing the session waits for a read in progress,
            // which would hold the window for as long as the service keeps sending. The
            // worker's own time-outs end it at the same deadline.
            break;
    }
    worker.detach();
    return std::nullopt;
}

}  // namespace tarvolin
