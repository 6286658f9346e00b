// InternetCrackUrlA and InternetCombineUrlA for the request's URLs.

#include "runtime/win32/HttpUrl.h"

namespace tarvolin {

std::optional<HttpUrlParts> CrackHttpUrl(const std::string& url) {
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

    HttpUrlParts result;
    result.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    result.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    result.port = parts.nPort;
    if (parts.lpszUrlPath != nullptr) {
        result.pathAndQuery.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    }
    if (result.pathAndQuery.empty()) result.pathAndQuery.push_back('/');
    if (parts.lpszExtraInfo != nullptr) {
        const std::string extra(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        result.pathAndQuery += extra.substr(0, extra.find('#'));  // the fragment is not sent
    }
    return result;
}

std::optional<std::string> ResolveLocation(const std::string& base, const std::string& location) {
    std::string combined(2048, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto length = static_cast<DWORD>(combined.size());
        if (InternetCombineUrlA(base.c_str(), location.c_str(), combined.data(), &length, 0)) {
            combined.resize(length);
            return combined;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        combined.resize(static_cast<std::size_t>(length) + 1);
    }
    return std::nullopt;
}

}  // namespace tarvolin
