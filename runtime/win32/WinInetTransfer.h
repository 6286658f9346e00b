#pragma once
// Transfer port on WinINet: a GET that honours the user's proxy settings as the system's
// own components do.

#include <optional>
#include <string>
#include <string_view>

#include "ports/Transfer.h"

namespace tarvolin {

// Why the last Get failed, for diagnostics and tests; the notifier itself sees only "no body".
enum class TransferFailure {
    None,
    BadUrl,            // not an absolute http or https URL
    ConnectionFailed,  // refused, unknown host, dropped
    TimedOut,
    HttpStatus,  // a status outside 2xx that is not a redirect followed
    TooLarge,
    RedirectRefused,  // a redirect without a location or to another scheme
    TooManyRedirects,
};

class WinInetTransfer final : public Transfer {
public:
    explicit WinInetTransfer(TransferLimits limits = {}) : limits_(limits) {}

    [[nodiscard]] std::optional<std::string> Get(std::string_view url) override;

    [[nodiscard]] TransferFailure LastFailure() const { return lastFailure_; }
    // The HTTP status of the last response received (0 if none).
    [[nodiscard]] unsigned LastStatus() const { return lastStatus_; }

private:
    TransferLimits limits_;
    TransferFailure lastFailure_ = TransferFailure::None;
    unsigned lastStatus_ = 0;
};

}  // namespace tarvolin
