// The service's request URLs. Port, paths and query are fixed; the scheme (http or https)
// and the host come from the build.

#include "app/ServiceUrls.h"

#include "app/ServiceHost.h"
#include "tray/Text.h"

namespace tarvolin {

namespace {

std::u16string ServiceBase() {
    return std::u16string(ServiceScheme) + u"://" + std::u16string(ServiceHost) + u":9090";
}

}  // namespace

std::u16string NotifyBaseUrl() { return ServiceBase() + u"/dataservices/notify?ver=1.0&msisdn="; }

std::u16string StatusBaseUrl() { return ServiceBase() + u"/dataservices/status?ver=1.0&msisdn="; }

std::u16string RequestUrl(std::u16string_view baseUrl, std::u16string_view number) {
    std::u16string url(baseUrl);
    url += PercentEncode(number, UrlText::Data);
    return url;
}

}  // namespace tarvolin
