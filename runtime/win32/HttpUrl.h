#pragma once
// The URLs a request follows, taken apart and joined by WinINet's own URL functions.

// clang-format off
#include <windows.h>  // before the other Windows headers, which need it
#include <wininet.h>
// clang-format on

#include <optional>
#include <string>

namespace tarvolin {

struct HttpUrlParts {
    bool secure = false;
    std::string host;
    INTERNET_PORT port = 0;
    std::string pathAndQuery;  // never empty, no fragment
};

// Only absolute http and https URLs with a host.
[[nodiscard]] std::optional<HttpUrlParts> CrackHttpUrl(const std::string& url);

// The absolute form of a Location value, relative to the URL that answered with it.
[[nodiscard]] std::optional<std::string> ResolveLocation(const std::string& base,
                                                         const std::string& location);

}  // namespace tarvolin
