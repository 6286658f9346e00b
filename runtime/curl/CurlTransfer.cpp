#include "runtime/curl/CurlTransfer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <curl/curl.h>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace tarvolin {
namespace {

constexpr long MaxRedirects = 5;
constexpr const char* AllowedProtocols = "http,https";

struct EasyHandleDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleDeleter>;

// Where the write callback collects the body; it stops the transfer once the cap is passed.
struct BodySink {
    std::string body;
    std::size_t cap = 0;
    bool overCap = false;
    bool outOfMemory = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto& sink = *static_cast<BodySink*>(userData);
    const std::size_t length = size * count;  // size is always 1
    if (length > sink.cap - sink.body.size()) {
        sink.overCap = true;
        return CURL_WRITEFUNC_ERROR;
    }
    try {
        sink.body.append(data, length);
    } catch (const std::bad_alloc&) {
        sink.outOfMemory = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return length;
}

// Notes whether the last header line seen was the blank line that ends a header block: a
// reply cut off inside its headers would otherwise pass for a complete one without a body.
std::size_t ReadHeaderLine(char* data, std::size_t size, std::size_t count, void* userData) {
    const std::size_t length = size * count;
    const std::string_view line(data, length);
    *static_cast<bool*>(userData) = line == "\r\n" || line == "\n";
    return length;
}

}  // namespace

// libcurl reads a zero time-out as none at all, hence the floor of 1 ms.
CurlTransfer::CurlTransfer(std::chrono::milliseconds timeLimit, std::size_t bodyCap)
    : timeLimit_(std::max(timeLimit, std::chrono::milliseconds{1})),
      bodyCap_(bodyCap),
      globalInitResult_(curl_global_init(CURL_GLOBAL_DEFAULT)) {}

CurlTransfer::~CurlTransfer() {
    // libcurl counts its set-ups; only a successful one is undone.
    if (globalInitResult_ == CURLE_OK) {
        curl_global_cleanup();
    }
}

std::optional<std::string> CurlTransfer::Get(std::string_view url) noexcept {
    try {
        lastError_.clear();
        return Perform(url);
    } catch (const std::exception& error) {
        lastError_ = error.what();
    } catch (...) {
        lastError_ = "unknown failure";
    }
    return std::nullopt;
}

std::optional<std::string> CurlTransfer::Perform(std::string_view url) {
    if (globalInitResult_ != CURLE_OK) {
        lastError_ = std::string("libcurl set-up failed: ") +
                     curl_easy_strerror(static_cast<CURLcode>(globalInitResult_));
        return std::nullopt;
    }
    // libcurl reads the URL up to its first NUL, so a URL holding one would be cut short.
    if (url.find('\0') != std::string_view::npos) {
        lastError_ = "URL contains a NUL byte";
        return std::nullopt;
    }

    // A fresh handle per request: no connection or cookie outlives the call.
    const EasyHandle handle(curl_easy_init());
    if (!handle) {
        lastError_ = "curl_easy_init failed";
        return std::nullopt;
    }
    CURL* const curl = handle.get();

    const std::string urlText(url);
    BodySink sink;
    sink.cap = bodyCap_;
    bool headersEnded = false;
    std::array<char, CURL_ERROR_SIZE> errorText{};

    const std::array settings{
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText.data()),
        curl_easy_setopt(curl, CURLOPT_URL, urlText.c_str()),
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L),
        // No alarm signal to time out name look-ups: it is unsafe in a threaded program.
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L),
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeLimit_.count())),
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, AllowedProtocols),
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, AllowedProtocols),
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L),
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, MaxRedirects),
        // The body is handed over byte for byte: no Accept-Encoding is sent, nothing decoded.
        curl_easy_setopt(curl, CURLOPT_HTTP_CONTENT_DECODING, 0L),
        // An error status ends the transfer before its body is read.
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L),
        // Refuses a declared length over the cap up front; the write callback does the rest.
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(bodyCap_)),
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody),
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, static_cast<void*>(&sink)),
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &ReadHeaderLine),
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, static_cast<void*>(&headersEnded)),
    };
    CURLcode result = CURLE_OK;
    for (const CURLcode setting : settings) {
        if (setting != CURLE_OK) {
            result = setting;
            break;
        }
    }
    if (result == CURLE_OK) {
        result = curl_easy_perform(curl);
    }

    if (result != CURLE_OK) {
        if (sink.overCap) {
            lastError_ = "reply body exceeds " + std::to_string(bodyCap_) + " bytes";
        } else if (sink.outOfMemory) {
            lastError_ = "out of memory for the reply body";
        } else if (errorText.front() != '\0') {
            lastError_ = errorText.data();
        } else {
            lastError_ = curl_easy_strerror(result);
        }
        return std::nullopt;
    }

    if (!headersEnded) {
        lastError_ = "reply ended inside its headers";
        return std::nullopt;
    }
    // A final 1xx or 3xx reply (a redirect without a usable target) is no answer either.
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        lastError_ = "unexpected HTTP status " + std::to_string(status);
        return std::nullopt;
    }
    return std::move(sink.body);
}

}  // namespace tarvolin
