// The feed fetch: the base URL and the stored number to the text of the service's reply.

#include "app/ServiceUrls.h"
#include "app/frmMain.h"
#include "tray/Text.h"

namespace tarvolin {

std::u16string frmMain::FetchFeed(const std::u16string& baseUrl) {
    // Every failure is the empty reply: the caller tells success from failure by it alone.
    try {
        if (IsBlank(state_.number)) return {};
        // The encoded URL is ASCII unless the build names a non-ASCII host; UTF-8 keeps
        // that host intact too.
        const std::string url = Utf8CodePage{}.ToBytes(RequestUrl(baseUrl, state_.number));
        const std::optional<std::string> body = ports_.transfer.Get(url);
        if (!body) return {};
        return ports_.codePage.ToText(*body);
    } catch (...) {
        return {};
    }
}

}  // namespace tarvolin
