// Request URLs and link approval on arbitrary texts.
//
// Numbers: whatever the stored number holds, the request URL is the fixed base followed by
// ASCII with no control character, space or other character a URL cannot carry, and its
// percent-escapes decode back to the number.
//
// Links: whatever the service sends, what reaches the desktop is an absolute http or https
// URL of printable ASCII with no user part and no backslash, approving it again changes
// nothing, and Qt's URL parser in strict mode (the Linux runtime's own reading of a link) reads
// it as a valid http or https URL with a host and no user.

#include <QString>
#include <QUrl>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/ServiceUrls.h"
#include "ports/CodePage.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/unit/Fakes.h"
#include "tray/Text.h"
#include "tray/tray.h"

namespace tarvolin::fuzz {
namespace {

bool IsPrintableAscii(char16_t c) { return c > 0x20 && c < 0x7F; }

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

void CheckRequestUrl(std::u16string_view base, std::u16string_view number) {
    const std::u16string url = RequestUrl(base, number);
    Require(url.starts_with(base), "the request URL starts with its fixed base");
    const std::u16string_view tail = std::u16string_view(url).substr(base.size());
    std::string decoded;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char16_t c = tail[i];
        Require(IsPrintableAscii(c), "the request URL is printable ASCII");
        Require(!IsUrlUnsafe(c), "the request URL holds only characters a URL can carry");
        if (c == u'%' && i + 2 < tail.size() && HexValue(tail[i + 1]) >= 0 &&
            HexValue(tail[i + 2]) >= 0) {
            decoded.push_back(
                static_cast<char>(HexValue(tail[i + 1]) * 16 + HexValue(tail[i + 2])));
            i += 2;
        } else {
            decoded.push_back(static_cast<char>(c));
        }
    }
    // A '%' already in the number is sent as it stands, so only numbers without one decode
    // back exactly (lone surrogates as U+FFFD, as the code page writes them).
    if (number.find(u'%') == std::u16string_view::npos) {
        const Utf8CodePage codePage;
        Require(decoded == codePage.ToBytes(number), "the escapes decode back to the number");
    }
}

void CheckApproved(std::u16string_view link, const std::u16string& approved) {
    for (const char16_t c : approved) {
        Require(IsPrintableAscii(c), "an approved link is printable ASCII: no space, no control");
        Require(c != u'\\', "an approved link has no backslash");
    }
    const std::u16string lower = [&] {
        std::u16string text = approved.substr(0, 8);
        for (char16_t& c : text) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        }
        return text;
    }();
    Require(lower.starts_with(u"http://") || lower.starts_with(u"https://"),
            "an approved link is http or https");
    const std::size_t authorityStart = approved.find(u"://") + 3;
    const std::size_t authorityEnd = approved.find_first_of(u"/?#", authorityStart);
    const std::u16string authority = approved.substr(authorityStart, authorityEnd - authorityStart);
    Require(!authority.empty(), "an approved link has a host");
    Require(authority.find(u'@') == std::u16string::npos, "an approved link has no user part");
    Require(approved.size() <= 2048, "an approved link is at most 2048 characters");
    Require(ApproveLink(approved) == approved, "approving an approved link changes nothing");
    Require(approved.starts_with(std::u16string_view(link).substr(0, authorityEnd)),
            "approval never changes the scheme or the host");

    const QUrl parsed(QString::fromUtf16(approved.data(), static_cast<qsizetype>(approved.size())),
                      QUrl::StrictMode);
    Require(parsed.isValid(), "QUrl in strict mode reads an approved link as valid");
    Require(parsed.scheme() == u"http" || parsed.scheme() == u"https",
            "QUrl reads an http or https scheme");
    Require(!parsed.host().isEmpty(), "QUrl reads a host");
    Require(parsed.userInfo().isEmpty(), "QUrl reads no user");
}

void CheckLink(const std::u16string& link) {
    // Approval of the link as it stands, and after the "http://" prefix rule.
    if (const std::optional<std::u16string> approved = ApproveLink(link)) {
        CheckApproved(link, *approved);
    }
    const std::u16string prefixed = PrefixLink(link);
    const std::optional<std::u16string> approved = ApproveLink(prefixed);
    if (approved) CheckApproved(prefixed, *approved);

    // OpenLink hands the desktop exactly the approved form, once, or nothing.
    testing::FakeShell shell;
    modSystray tray(shell);
    const bool opened = tray.OpenLink(link);
    Require(opened == approved.has_value(), "OpenLink reports the desktop's answer");
    Require(shell.openedUrls.size() == (approved ? 1U : 0U), "OpenLink opens at most once");
    if (approved)
        Require(shell.openedUrls.front() == *approved, "OpenLink opens the approved form");
}

}  // namespace
}  // namespace tarvolin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvolin;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The whole input as UTF-8 (how a reply's link arrives) and as raw 16-bit units.
    for (const std::u16string& text : {Utf8CodePage{}.ToText(bytes), fuzz::Utf16Units(bytes)}) {
        fuzz::CheckRequestUrl(NotifyBaseUrl(), text);
        fuzz::CheckRequestUrl(StatusBaseUrl(), text);
        fuzz::CheckLink(text);
    }
    return 0;
}
