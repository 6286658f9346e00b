#pragma once
// Transfer port on Qt Network: one GET, waited for in a local event loop the way a modal
// dialog waits, so that tray clicks, menu commands, dialogs and session end keep being
// handled while a service is slow or silent.

#include <QNetworkAccessManager>
#include <optional>
#include <string>
#include <string_view>

#include "ports/Transfer.h"

namespace tarvolin {

class QtTransfer final : public Transfer {
public:
    // Takes the system's proxy settings (http_proxy, https_proxy, no_proxy, or the desktop's).
    explicit QtTransfer(TransferLimits limits = {});

    // Only http and https URLs are fetched. Gives nothing at once when the program ends
    // during the wait (QCoreApplication::exit) or has already ended. Calls may nest: a Get
    // started inside another's wait returns first.
    [[nodiscard]] std::optional<std::string> Get(std::string_view url) override;

private:
    std::optional<std::string> Fetch(std::string_view url);

    TransferLimits limits_;
    QNetworkAccessManager manager_;
    int running_ = 0;  // Gets in progress, nested ones included
};

}  // namespace tarvolin
