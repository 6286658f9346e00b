// The GET's steps: send, follow a redirect, read the body.

#include "runtime/win32/WinInetGet.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "runtime/win32/HttpUrl.h"

namespace tarvolin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD RequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                               INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                               INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH |
                               INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr std::size_t ReadChunk = std::size_t{64} * 1024;

// WinINet ignores time-outs set on the session handle: each connection and request handle
// gets what is left of the whole request's time (at least 1 ms: 0 means no limit).
void LimitTime(HINTERNET handle, Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    auto milliseconds = static_cast<DWORD>(std::clamp<std::int64_t>(left, 1, 0x7FFFFFFF));
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionA(handle, option, &milliseconds, sizeof(milliseconds));
    }
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

std::optional<std::string> QueryLocation(HINTERNET request) {
    std::string value(256, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto length = static_cast<DWORD>(value.size());
        DWORD index = 0;
        if (HttpQueryInfoA(request, HTTP_QUERY_LOCATION, value.data(), &length, &index)) {
            value.resize(length);
            return value;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        value.resize(static_cast<std::size_t>(length) + 1);
    }
    return std::nullopt;
}

// The reply's header section as WinINet keeps it (status line, fields, the empty line), or
// nothing when it is longer than `maxBytes`. WinINet has read all of it by now: the cap
// cannot stop the reading, only the use of what was read.
std::optional<std::string> HeaderSection(HINTERNET request, std::size_t maxBytes) {
    std::string raw(maxBytes + 1, '\0');  // room for the NUL WinINet writes after it
    auto length = static_cast<DWORD>(raw.size());
    DWORD index = 0;
    if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &length, &index) ||
        length > maxBytes) {
        return std::nullopt;
    }
    raw.resize(length);
    return raw;
}

// WinINet reads a reply without a status line (HTTP/0.9 to it), or one whose header section
// the connection cut off, as a bare "200 OK" without a single header field. Every HTTP/1.x
// server sends some (the date, the body's length or how it ends): without any it is no answer.
bool HasHeaderFields(std::string_view headers) {
    const std::size_t statusLineEnd = headers.find("\r\n");
    return statusLineEnd != std::string_view::npos &&
           headers.find(':', statusLineEnd) != std::string_view::npos;
}

bool IsFollowedRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A request sent and the status of its answer; the handles stay open for the body.
struct Answer {
    WinInetSession::Child connection;
    WinInetSession::Child request;
    DWORD status = 0;
};

std::optional<Answer> Send(WinInetSession& session, HINTERNET internet, const HttpUrlParts& url,
                           const TransferLimits& limits, Clock::time_point deadline) {
    Answer answer{session.Adopt(InternetConnectA(internet, url.host.c_str(), url.port, nullptr,
                                                 nullptr, INTERNET_SERVICE_HTTP, 0, 0)),
                  session.Adopt(nullptr)};
    if (!answer.connection) return std::nullopt;
    LimitTime(answer.connection.get(), deadline);
    std::array<const char*, 2> acceptTypes{"*/*", nullptr};
    answer.request = session.Adopt(HttpOpenRequestA(
        answer.connection.get(), "GET", url.pathAndQuery.c_str(), nullptr, nullptr,
        acceptTypes.data(), RequestFlags | (url.secure ? INTERNET_FLAG_SECURE : 0), 0));
    if (!answer.request) return std::nullopt;
    LimitTime(answer.request.get(), deadline);
    if (!HttpSendRequestA(answer.request.get(), nullptr, 0, nullptr, 0)) return std::nullopt;
    // No status line at all (the connection closed at once) reads as status 0.
    const std::optional<DWORD> status = QueryNumber(answer.request.get(), HTTP_QUERY_STATUS_CODE);
    const std::optional<std::string> headers =
        HeaderSection(answer.request.get(), limits.maxHeaderBytes);
    if (!status || *status < 100 || !headers || !HasHeaderFields(*headers) ||
        Clock::now() >= deadline) {
        return std::nullopt;
    }
    answer.status = *status;
    return answer;
}

std::optional<std::string> ReadBody(HINTERNET request, std::size_t maxBytes,
                                    Clock::time_point deadline) {
    const std::optional<DWORD> announced = QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH);
    if (announced && *announced > maxBytes) return std::nullopt;
    std::string body;
    for (;;) {
        if (Clock::now() >= deadline) return std::nullopt;
        LimitTime(request, deadline);
        // A synchronous read returns only once it has all it asked for or the body ends, and
        // each byte that arrives starts its time-out anew: a body that trickles in would keep
        // it past the deadline. So it asks only for what has arrived; waiting for that is
        // bounded by the time-out.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) return std::nullopt;
        if (available == 0) break;  // the end of the body
        const std::size_t start = body.size();
        const std::size_t wanted =
            std::min<std::size_t>({available, ReadChunk, maxBytes + 1 - start});
        body.resize(start + wanted);
        DWORD read = 0;
        if (!InternetReadFile(request, &body[start], static_cast<DWORD>(wanted), &read)) {
            return std::nullopt;
        }
        body.resize(start + read);
        if (read == 0) break;
        if (body.size() > maxBytes) return std::nullopt;
    }
    // A connection that closes before the announced length is a cut-off body.
    if (announced && body.size() < *announced) return std::nullopt;
    return body;
}

}  // namespace

std::optional<std::string> WinInetGet(WinInetSession& session, std::string url,
                                      const TransferLimits& limits, Clock::time_point deadline) {
    const HINTERNET internet = session.Open();
    if (internet == nullptr) return std::nullopt;
    bool secureSoFar = false;
    for (int redirects = 0;; ++redirects) {
        const std::optional<HttpUrlParts> parts = CrackHttpUrl(url);
        // Once on https, a redirect to plain http would hand the request to anyone on the path.
        if (!parts || (secureSoFar && !parts->secure)) return std::nullopt;
        secureSoFar = parts->secure;
        const std::optional<Answer> answer = Send(session, internet, *parts, limits, deadline);
        if (!answer) return std::nullopt;
        if (!IsFollowedRedirect(answer->status)) {
            if (answer->status < 200 || answer->status >= 300) return std::nullopt;
            return ReadBody(answer->request.get(), limits.maxBodyBytes, deadline);
        }
        if (redirects >= limits.maxRedirects) return std::nullopt;
        const std::optional<std::string> location = QueryLocation(answer->request.get());
        if (!location || location->empty()) return std::nullopt;
        std::optional<std::string> next = ResolveLocation(url, *location);
        if (!next) return std::nullopt;
        url = std::move(*next);
    }
}

}  // namespace tarvolin
