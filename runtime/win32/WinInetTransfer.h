#pragma once
// Transfer port on WinINet: a GET that honours the user's proxy settings as the system's
// own components do. The request runs on a worker thread; the window thread waits for it
// delivering its messages, so the window never stops answering while a service hangs.

#include <optional>
#include <string>
#include <string_view>

#include "ports/Transfer.h"

namespace tarvolin {

class WinInetTransfer final : public Transfer {
public:
    explicit WinInetTransfer(TransferLimits limits = {}) : limits_(limits) {}

    // Nothing when the program ends during the wait: the request is then aborted.
    [[nodiscard]] std::optional<std::string> Get(std::string_view url) override;

private:
    TransferLimits limits_;
};

}  // namespace tarvolin
