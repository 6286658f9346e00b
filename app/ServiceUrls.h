#pragma once
// The service's request URLs: "http://" + host + ":9090" + path and query, then the number.

#include <string>
#include <string_view>

namespace tarvolin {

[[nodiscard]] std::u16string NotifyBaseUrl();  // ".../dataservices/notify?ver=1.0&msisdn="
[[nodiscard]] std::u16string StatusBaseUrl();  // ".../dataservices/status?ver=1.0&msisdn="

// base + number, the number appended as stored except for the characters a URL cannot
// carry and '#', '&' and '%', which are percent-encoded as UTF-8 (UrlText::Data): the
// number arrives as the one value of its field and can neither split nor bend the request.
[[nodiscard]] std::u16string RequestUrl(std::u16string_view baseUrl, std::u16string_view number);

}  // namespace tarvolin
