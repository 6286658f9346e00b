// Link approval on arbitrary texts. Whatever the service sends as a link, what reaches the
// desktop is an absolute http or https URL of printable ASCII without user part or backslash,
// is approved again unchanged, keeps the scheme and host it came with, and Qt's URL parser in
// strict mode (the Linux runtime's own reading of a link) reads it as a valid http or https
// URL with a host and no user.

#include <QString>
#include <QUrl>

#include "tests/fuzz/FuzzSupport.h"
#include "tests/unit/Fakes.h"
#include "tray/Text.h"
#include "tray/tray.h"

namespace tarvolin::fuzz {
namespace {

bool IsPrintableAscii(char16_t c) { return c > 0x20 && c < 0x7F && c != u'\\'; }

void CheckApproved(std::u16string_view link, const std::u16string& approved) {
    Require(std::ranges::all_of(approved, IsPrintableAscii), "an approved link is printable ASCII");
    Require(StartsWithIgnoreCase(approved, u"http://") || StartsWithIgnoreCase(approved, u"https://"),
            "an approved link is http or https");
    const std::size_t authorityEnd = approved.find_first_of(u"/?#", approved.find(u"://") + 3);
    Require(link.starts_with(std::u16string_view(approved).substr(0, authorityEnd)),
            "approval never changes the scheme or the host");
    Require(approved.size() <= 2048, "an approved link is at most 2048 characters");
    Require(ApproveLink(approved) == approved, "approving an approved link changes nothing");
    const QUrl parsed(QString::fromUtf16(approved.data(), static_cast<qsizetype>(approved.size())),
                      QUrl::StrictMode);
    Require(parsed.isValid() && (parsed.scheme() == u"http" || parsed.scheme() == u"https") &&
                !parsed.host().isEmpty() && parsed.userInfo().isEmpty(),
            "QUrl reads an approved link as http or https with a host and no user");
}

void CheckLink(const std::u16string& link) {
    if (const std::optional<std::u16string> approved = ApproveLink(link)) {
        CheckApproved(link, *approved);
    }
    const std::optional<std::u16string> approved = ApproveLink(PrefixLink(link));
    if (approved) CheckApproved(PrefixLink(link), *approved);
    testing::FakeShell shell;
    modSystray tray(shell);
    Require(tray.OpenLink(link) == approved.has_value(), "OpenLink reports the desktop's answer");
    Require(shell.openedUrls == (approved ? std::vector{*approved} : std::vector<std::u16string>{}),
            "OpenLink opens exactly the approved form, once, or nothing");
}

}  // namespace
}  // namespace tarvolin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvolin;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The input as UTF-8 (how a reply's link arrives) and as raw 16-bit units.
    for (const std::u16string& text : {Utf8CodePage{}.ToText(bytes), fuzz::Utf16Units(bytes)}) {
        fuzz::CheckLink(text);
    }
    return 0;
}
