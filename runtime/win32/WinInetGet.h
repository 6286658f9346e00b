#pragma once
// One GET with WinINet's blocking calls, for a worker thread: redirects followed by hand
// (at most the limit, only to http and https), a deadline over the whole request and a
// cap on the body.

#include <chrono>
#include <optional>
#include <string>

#include "ports/Transfer.h"
#include "runtime/win32/WinInetSession.h"

namespace tarvolin {

// The body of a 2xx answer (maybe empty), or nothing on any failure.
[[nodiscard]] std::optional<std::string> WinInetGet(WinInetSession& session, std::string url,
                                                    const TransferLimits& limits,
                                                    std::chrono::steady_clock::time_point deadline);

}  // namespace tarvolin
