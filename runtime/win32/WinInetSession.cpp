// The shared session: every close of a handle happens under one lock, and none after an
// abort.

#include "runtime/win32/WinInetSession.h"

namespace tarvolin {

namespace {
constexpr const char* UserAgent = "Tarvolin Internet Notifier";
}  // namespace

WinInetSession::~WinInetSession() {
    const std::lock_guard lock(mutex_);
    if (!aborted_ && session_ != nullptr) InternetCloseHandle(session_);
}

HINTERNET WinInetSession::Open() {
    HINTERNET session = InternetOpenA(UserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    const std::lock_guard lock(mutex_);
    if (aborted_ && session != nullptr) {
        InternetCloseHandle(session);
        return nullptr;
    }
    session_ = session;
    return session;
}

void WinInetSession::Abort() {
    const std::lock_guard lock(mutex_);
    if (aborted_) return;
    aborted_ = true;
    if (session_ != nullptr) InternetCloseHandle(session_);
}

void WinInetSession::CloseChild(HINTERNET handle) {
    const std::lock_guard lock(mutex_);
    if (!aborted_ && handle != nullptr) InternetCloseHandle(handle);
}

}  // namespace tarvolin
