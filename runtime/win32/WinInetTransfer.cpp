// One GET through WinINet: session, connection and request handles per call, redirects
// followed by hand, a deadline over the whole request and a cap on the body.

#include "runtime/win32/WinInetTransfer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "runtime/win32/InternetHandle.h"

namespace tarvolin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char UserAgent[] = "Tarvolin Internet Notifier";
constexpr DWORD RequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                               INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                               INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH |
                               INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr std::size_t ReadChunk = 64 * 1024;

struct UrlParts {
    bool secure = false;
    std::string host;
    INTERNET_PORT port = 0;
    std::string pathAndQuery;
};

// Only absolute http and https URLs with a host; the fragment is not sent.
std::optional<UrlParts> CrackHttpUrl(const std::string& url) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;  // non-zero lengths ask for pointers into `url`
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (url.size() > 0xFFFFU ||
        !InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        return std::nullopt;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        return std::nullopt;
    }
    if (parts.lpszHostName == nullptr || parts.dwHostNameLength == 0) return std::nullopt;

    UrlParts result;
    result.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    result.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    result.port = parts.nPort;
    if (parts.lpszUrlPath != nullptr) {
        result.pathAndQuery.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    }
    if (result.pathAndQuery.empty()) result.pathAndQuery.push_back('/');
    if (parts.lpszExtraInfo != nullptr) {
        std::string extra(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        result.pathAndQuery += extra.substr(0, extra.find('#'));
    }
    return result;
}

class Deadline {
public:
    explicit Deadline(std::chrono::milliseconds budget) : end_(Clock::now() + budget) {}
    // At least 1 ms: WinINet reads 0 as "no time-out".
    [[nodiscard]] DWORD RemainingMs() const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
        return static_cast<DWORD>(std::clamp<std::int64_t>(left, 1, 0x7FFFFFFF));
    }
    [[nodiscard]] bool Passed() const { return Clock::now() >= end_; }

private:
    Clock::time_point end_;
};

// WinINet ignores time-outs set on the session handle: they go on each connection and
// request handle, as what is left of the whole request's time.
void SetTimeouts(HINTERNET handle, DWORD milliseconds) {
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionA(handle, option, &milliseconds, sizeof(milliseconds));
    }
}

// A failed call, by its error. A time-out shows as 12002, or while receiving as the
// socket's own WSAETIMEDOUT or as 12030 (connection aborted); those are told from a
// dropped connection by the clock.
TransferFailure FailureOfError(DWORD error, Clock::time_point callStart, DWORD callTimeoutMs) {
    constexpr DWORD SocketTimedOut = 10060;  // WSAETIMEDOUT, without winsock2.h
    if (error == ERROR_INTERNET_TIMEOUT || error == SocketTimedOut)
        return TransferFailure::TimedOut;
    // Timer granularity lets the wait end a little early.
    const auto waited = Clock::now() - callStart + std::chrono::milliseconds(50);
    if (waited >= std::chrono::milliseconds(callTimeoutMs)) return TransferFailure::TimedOut;
    return TransferFailure::ConnectionFailed;
}

std::optional<std::string> QueryHeader(HINTERNET request, DWORD info) {
    std::string value(256, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length = static_cast<DWORD>(value.size());
        DWORD index = 0;
        if (HttpQueryInfoA(request, info, value.data(), &length, &index)) {
            value.resize(length);
            return value;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        value.resize(static_cast<std::size_t>(length) + 1);
    }
    return std::nullopt;
}

std::optional<DWORD> QueryNumber(HINTERNET request, DWORD info) {
    DWORD number = 0;
    DWORD length = sizeof(number);
    DWORD index = 0;
    if (!HttpQueryInfoA(request, info | HTTP_QUERY_FLAG_NUMBER, &number, &length, &index)) {
        return std::nullopt;
    }
    return number;
}

bool IsFollowedRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The absolute form of a Location value, relative to the URL that answered with it.
std::optional<std::string> ResolveLocation(const std::string& base, const std::string& location) {
    std::string combined(2048, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length = static_cast<DWORD>(combined.size());
        if (InternetCombineUrlA(base.c_str(), location.c_str(), combined.data(), &length, 0)) {
            combined.resize(length);
            return combined;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        combined.resize(static_cast<std::size_t>(length) + 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> WinInetTransfer::Get(std::string_view url) {
    lastStatus_ = 0;
    const auto fail = [this](TransferFailure failure) -> std::optional<std::string> {
        lastFailure_ = failure;
        return std::nullopt;
    };
    const Deadline deadline(limits_.timeout);

    const InternetHandle session(
        InternetOpenA(UserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return fail(TransferFailure::ConnectionFailed);

    std::string current(url);
    for (int redirects = 0;; ++redirects) {
        const std::optional<UrlParts> parts = CrackHttpUrl(current);
        if (!parts)
            return fail(redirects == 0 ? TransferFailure::BadUrl
                                       : TransferFailure::RedirectRefused);

        const InternetHandle connection(InternetConnectA(session.get(), parts->host.c_str(),
                                                         parts->port, nullptr, nullptr,
                                                         INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection) return fail(TransferFailure::ConnectionFailed);
        SetTimeouts(connection.get(), deadline.RemainingMs());

        std::array<const char*, 2> acceptTypes{"*/*", nullptr};
        const InternetHandle request(HttpOpenRequestA(
            connection.get(), "GET", parts->pathAndQuery.c_str(), nullptr, nullptr,
            acceptTypes.data(), RequestFlags | (parts->secure ? INTERNET_FLAG_SECURE : 0), 0));
        if (!request) return fail(TransferFailure::ConnectionFailed);

        const DWORD sendTimeout = deadline.RemainingMs();
        SetTimeouts(request.get(), sendTimeout);
        const Clock::time_point sendStart = Clock::now();
        if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) {
            return fail(FailureOfError(GetLastError(), sendStart, sendTimeout));
        }
        if (deadline.Passed()) return fail(TransferFailure::TimedOut);

        const std::optional<DWORD> status = QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE);
        // No status line at all (the connection closed at once) reads as status 0.
        if (!status || *status < 100) return fail(TransferFailure::ConnectionFailed);
        lastStatus_ = *status;

        if (IsFollowedRedirect(*status)) {
            if (redirects >= limits_.maxRedirects) return fail(TransferFailure::TooManyRedirects);
            const std::optional<std::string> location =
                QueryHeader(request.get(), HTTP_QUERY_LOCATION);
            if (!location || location->empty()) return fail(TransferFailure::RedirectRefused);
            std::optional<std::string> next = ResolveLocation(current, *location);
            if (!next) return fail(TransferFailure::RedirectRefused);
            current = std::move(*next);
            continue;
        }
        if (*status < 200 || *status >= 300) return fail(TransferFailure::HttpStatus);

        const std::optional<DWORD> contentLength =
            QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH);
        if (contentLength && *contentLength > limits_.maxBodyBytes) {
            return fail(TransferFailure::TooLarge);
        }

        std::string body;
        std::array<char, ReadChunk> chunk{};
        for (;;) {
            if (deadline.Passed()) return fail(TransferFailure::TimedOut);
            const DWORD readTimeout = deadline.RemainingMs();
            SetTimeouts(request.get(), readTimeout);
            const Clock::time_point readStart = Clock::now();
            DWORD read = 0;
            if (!InternetReadFile(request.get(), chunk.data(), static_cast<DWORD>(chunk.size()),
                                  &read)) {
                return fail(FailureOfError(GetLastError(), readStart, readTimeout));
            }
            if (read == 0) break;  // the end of the body
            body.append(chunk.data(), read);
            if (body.size() > limits_.maxBodyBytes) return fail(TransferFailure::TooLarge);
        }
        // A connection that closes before the announced length is a cut-off body.
        if (contentLength && body.size() < *contentLength) {
            return fail(TransferFailure::ConnectionFailed);
        }
        lastFailure_ = TransferFailure::None;
        return body;
    }
}

}  // namespace tarvolin
