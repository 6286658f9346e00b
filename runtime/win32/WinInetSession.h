#pragma once
// The WinINet session of one request, shared by the worker thread that runs the request
// and the window thread that may abort it when the program ends.

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <wininet.h>
// clang-format on

#include <memory>
#include <mutex>

namespace tarvolin {

class WinInetSession {
    struct ChildCloser {
        WinInetSession* session;
        void operator()(HINTERNET handle) const { session->CloseChild(handle); }
    };

public:
    // A connection or request handle opened in this session, closed when it goes.
    using Child = std::unique_ptr<void, ChildCloser>;

    WinInetSession() = default;
    ~WinInetSession();
    WinInetSession(const WinInetSession&) = delete;
    WinInetSession& operator=(const WinInetSession&) = delete;
    WinInetSession(WinInetSession&&) = delete;
    WinInetSession& operator=(WinInetSession&&) = delete;

    // Opens the session with the user's proxy settings; nothing once aborted or on failure.
    [[nodiscard]] HINTERNET Open();
    [[nodiscard]] Child Adopt(HINTERNET handle) { return Child(handle, ChildCloser{this}); }

    // Closes the session and with it every connection and request opened in it, which
    // makes WinINet's calls in progress fail. From then on nothing here closes a handle
    // again: WinINet may hand the same value out anew, to another request.
    void Abort();

private:
    void CloseChild(HINTERNET handle);

    std::mutex mutex_;
    HINTERNET session_ = nullptr;
    bool aborted_ = false;
};

}  // namespace tarvolin
