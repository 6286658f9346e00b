// Opening a link from the service. The link comes from a remote reply, so before it goes
// to the desktop's default handler it must be a plain web address: an absolute http or
// https URL with a well-formed host, never a file path, another scheme or something a
// handler could read as options.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "tray/Text.h"
#include "tray/tray.h"

namespace tarvolin {

namespace {

// Longest link handed to the desktop.
constexpr std::size_t MaxLinkLength = 2048;
constexpr std::size_t MaxHostNameLength = 253;
constexpr std::size_t MaxLabelLength = 63;

constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
// C0 and C1 controls, DEL, and the backslash some handlers read as a path separator.
constexpr bool IsForbidden(char16_t c) {
    return c <= 0x1F || (c >= 0x7F && c <= 0x9F) || c == u'\\';
}

bool AllDigits(std::u16string_view text) { return std::ranges::all_of(text, IsDigit); }

// Length of the "http://" or "https://" (any letter case) that begins the link, or 0.
std::size_t SchemeLength(std::u16string_view url) {
    if (!StartsWithIgnoreCase(url, u"http")) return 0;
    std::size_t n = 4;
    if (url.size() > n && (url[n] == u's' || url[n] == u'S')) ++n;
    if (url.substr(n, 3) != u"://") return 0;
    n += 3;
    // Exactly two slashes: a third would leave no authority.
    if (url.size() > n && url[n] == u'/') return 0;
    return n;
}

bool IsDecimalOctet(std::u16string_view text) {
    if (text.empty() || text.size() > 3 || !AllDigits(text)) return false;
    // A leading zero reads as octal to some parsers: refused.
    if (text.size() > 1 && text[0] == u'0') return false;
    return text.size() < 3 || text <= u"255";  // digits of one length compare as numbers
}

// A DNS name, or a dotted IPv4 address when its last label is numeric. One trailing dot
// is allowed.
bool IsValidHostName(std::u16string_view host) {
    if (!host.empty() && host.back() == u'.') host.remove_suffix(1);
    if (host.empty() || host.size() > MaxHostNameLength) return false;

    std::size_t labels = 0;
    bool allOctets = true;
    std::u16string_view lastLabel;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find(u'.', start);
        const std::u16string_view label = host.substr(
            start, dot == std::u16string_view::npos ? std::u16string_view::npos : dot - start);
        if (label.empty() || label.size() > MaxLabelLength) return false;
        if (label.front() == u'-' || label.back() == u'-') return false;
        for (const char16_t c : label) {
            if (!IsAsciiLetter(c) && !IsDigit(c) && c != u'-') return false;
        }
        ++labels;
        allOctets = allOctets && IsDecimalOctet(label);
        lastLabel = label;
        if (dot == std::u16string_view::npos) break;
        start = dot + 1;
    }
    // A numeric last label makes the whole host an IPv4 address, so it must be a proper
    // dotted quad; other numeric forms (hex, octal, fewer parts) are refused.
    if (AllDigits(lastLabel)) return labels == 4 && allOctets;
    return true;
}

// The inside of a bracketed IPv6 literal: eight groups of one to four hex digits, or fewer
// with one "::" standing for the rest; the last two groups may be written as a dotted IPv4
// address. No zone identifier.
bool IsValidIpv6Literal(std::u16string_view inner) {
    std::size_t groups = 0;
    bool compressed = false;
    std::size_t i = 0;
    if (inner.starts_with(u"::")) {
        compressed = true;
        i = 2;
    } else if (inner.starts_with(u":")) {
        return false;
    }
    while (i < inner.size()) {
        const std::size_t end = inner.find(u':', i);
        const std::u16string_view group =
            inner.substr(i, end == std::u16string_view::npos ? std::u16string_view::npos : end - i);
        if (end == std::u16string_view::npos && group.find(u'.') != std::u16string_view::npos) {
            if (!IsValidHostName(group) || !AllDigits(group.substr(group.rfind(u'.') + 1)) ||
                group.back() == u'.') {
                return false;  // only a dotted quad may stand for the last two groups
            }
            groups += 2;
            break;
        }
        if (group.empty() || group.size() > 4 || !std::ranges::all_of(group, IsAsciiHexDigit)) {
            return false;
        }
        ++groups;
        if (end == std::u16string_view::npos) break;
        i = end + 1;
        if (inner.substr(i).starts_with(u':')) {
            if (compressed) return false;  // "::" only once
            compressed = true;
            ++i;
        } else if (i == inner.size()) {
            return false;  // a single colon at the end
        }
    }
    return compressed ? groups <= 7 : groups == 8;
}

bool IsValidPort(std::u16string_view port) {
    if (port.empty() || port.size() > 5 || !AllDigits(port)) return false;
    std::uint32_t value = 0;
    for (const char16_t c : port) value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    return value >= 1 && value <= 65535;
}

bool IsValidAuthority(std::u16string_view authority) {
    // A user part ("user@host") can disguise the real host.
    if (authority.find(u'@') != std::u16string_view::npos) return false;

    std::u16string_view rest;
    if (!authority.empty() && authority.front() == u'[') {
        const std::size_t close = authority.find(u']');
        if (close == std::u16string_view::npos) return false;
        if (!IsValidIpv6Literal(authority.substr(1, close - 1))) return false;
        rest = authority.substr(close + 1);
    } else {
        const std::size_t colon = authority.find(u':');
        if (!IsValidHostName(authority.substr(0, colon))) return false;
        if (colon != std::u16string_view::npos) rest = authority.substr(colon);
    }
    if (rest.empty()) return true;
    return rest.front() == u':' && IsValidPort(rest.substr(1));
}

}  // namespace

std::u16string PrefixLink(std::u16string url) {
    if (!StartsWithIgnoreCase(url, u"http")) url.insert(0, u"http://");
    return url;
}

std::optional<std::u16string> ApproveLink(std::u16string_view url) {
    // Encoding only lengthens the link, so an overlong one can be refused at once.
    if (url.size() > MaxLinkLength) return std::nullopt;
    for (const char16_t c : url) {
        if (IsForbidden(c)) return std::nullopt;
    }
    const std::size_t schemeLength = SchemeLength(url);
    if (schemeLength == 0) return std::nullopt;

    const std::u16string_view rest = url.substr(schemeLength);
    const std::size_t authorityEnd = rest.find_first_of(u"/?#");
    const std::u16string_view authority = rest.substr(0, authorityEnd);
    if (!IsValidAuthority(authority)) return std::nullopt;

    std::u16string approved(url.substr(0, schemeLength));
    approved += authority;
    if (authorityEnd != std::u16string_view::npos)
        approved += PercentEncode(rest.substr(authorityEnd), UrlText::UrlTail);
    if (approved.size() > MaxLinkLength) return std::nullopt;
    return approved;
}

bool modSystray::OpenLink(std::u16string url) {
    const std::u16string prefixed = PrefixLink(std::move(url));
    const std::optional<std::u16string> approved = ApproveLink(prefixed);
    if (!approved) return false;
    return shell_.OpenUrl(*approved);
}

}  // namespace tarvolin
