#pragma once
// The HTTP transfer on libcurl: one synchronous GET with a total time limit and a body cap.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "ports/Transfer.h"

namespace tarvolin {

class CurlTransfer final : public Transfer {
public:
    // The whole transfer, connect and redirects included, must end within this time.
    static constexpr std::chrono::milliseconds DefaultTimeLimit{60'000};
    // A reply body larger than this is refused: the notices are a few hundred bytes.
    static constexpr std::size_t DefaultBodyCap = 1'048'576;

    // Shorter limits are for tests; a limit under 1 ms is taken as 1 ms.
    explicit CurlTransfer(std::chrono::milliseconds timeLimit = DefaultTimeLimit,
                          std::size_t bodyCap = DefaultBodyCap);
    ~CurlTransfer() override;

    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;
    CurlTransfer(CurlTransfer&&) = delete;
    CurlTransfer& operator=(CurlTransfer&&) = delete;

    // Follows up to five redirects, to http and https only. Only a 2xx final reply succeeds.
    [[nodiscard]] std::optional<std::string> Get(std::string_view url) noexcept override;

    // libcurl's text for the last failed Get, "" after a success; for diagnostics.
    [[nodiscard]] const std::string& LastError() const { return lastError_; }

private:
    std::optional<std::string> Perform(std::string_view url);

    std::chrono::milliseconds timeLimit_;
    std::size_t bodyCap_;
    int globalInitResult_;  // libcurl's CURLcode from its global set-up
    std::string lastError_;
};

}  // namespace tarvolin
