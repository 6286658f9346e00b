#pragma once
// Transfer port on Qt's sockets: one GET, waited for in a local event loop the way a modal
// dialog waits, so that tray clicks, menu commands, dialogs and session end keep being
// handled while a service is slow or silent.

#include <optional>
#include <string>
#include <string_view>

#include "ports/Transfer.h"

namespace tarvolin {

class QtTransfer final : public Transfer {
public:
    explicit QtTransfer(TransferLimits limits = {}) : limits_(limits) {}

    // Only http and https URLs are fetched, through the system's proxy settings (http_proxy,
    // https_proxy, no_proxy, or the desktop's). Gives nothing at once when the program ends
    // during the wait (QCoreApplication::exit) or has already ended. Calls may nest: a Get
    // started inside another's wait returns first. When Get returns, nothing of the request
    // is left: its connections are closed.
    [[nodiscard]] std::optional<std::string> Get(std::string_view url) override;

private:
    TransferLimits limits_;
};

}  // namespace tarvolin
