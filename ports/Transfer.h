#pragma once
// Transfer port: one HTTP GET, synchronous for the caller. A runtime waits for it the way
// a modal dialog does: its event loop keeps running, so other events of the window may be
// handled before Get returns. When the program ends meanwhile, the request is aborted.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvolin {

// What every transfer holds a request to; tests pass shorter limits.
struct TransferLimits {
    // The whole request, connect and redirects included, must complete within this time.
    std::chrono::milliseconds timeout{60'000};
    // A body longer than this is a failure: the notices are a few hundred bytes.
    std::size_t maxBodyBytes = std::size_t{1} << 20U;
    // Redirects followed before the request fails; only to http and https.
    int maxRedirects = 5;
    // A reply's header section (status line, fields, the empty line after them) longer than
    // this is a failure.
    std::size_t maxHeaderBytes = std::size_t{64} * 1024;
};

class Transfer {
public:
    virtual ~Transfer() = default;
    // GET the URL (ASCII, already percent-encoded) and return the body's bytes, or
    // nothing on any failure: connection error, time-out, non-2xx status, oversized body
    // or header section. Nothing of the request outlives it.
    // An empty body is returned as an empty string; the caller decides what it means.
    [[nodiscard]] virtual std::optional<std::string> Get(std::string_view url) = 0;
};

}  // namespace tarvolin
