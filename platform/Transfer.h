#pragma once
// Transfer port: one synchronous HTTP GET.

#include <optional>
#include <string>
#include <string_view>

namespace tarvolin {

class Transfer {
public:
    virtual ~Transfer() = default;
    // GET the URL (ASCII, already percent-encoded) and return the body's bytes, or
    // nothing on any failure: connection error, time-out, non-2xx status, oversized body.
    // An empty body is returned as an empty string; the caller decides what it means.
    [[nodiscard]] virtual std::optional<std::string> Get(std::string_view url) = 0;
};

}  // namespace tarvolin
