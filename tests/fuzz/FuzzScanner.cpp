// The reply scanner on arbitrary replies: any bytes through the UTF-8 code page, scanned as
// the poll cycle scans (build-date test made) and as the Status command scans (left out),
// with the item carried from one reply to the next as the window carries its fields.
//
// The scanner is checked against a plain line-by-line reading of its rules (find each LF,
// test the tags anywhere in the line ignoring case, cut the value by position), and it must
// give the same item whether a reply is scanned whole or in two pieces split after an LF.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/FeedLineScanner.h"
#include "ports/CodePage.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/ScannerReference.h"

namespace tarvolin::fuzz {
namespace {

bool Same(const FeedItem& a, const FeedItem& b) {
    return a.buildDate == b.buildDate && a.category == b.category && a.link == b.link &&
           a.description == b.description;
}

void CheckScan(std::u16string_view reply, const FeedItem& before, FeedLineScanner::BuildDate mode) {
    const bool test = mode == FeedLineScanner::BuildDate::Test;

    FeedItem scanned = before;
    FeedLineScanner::scan(reply, scanned, mode);
    FeedItem expected = before;
    reference::Scan(reply, expected, mode);
    Require(Same(scanned, expected), "scan agrees with the line-by-line reading of its rules");
    if (!test) Require(scanned.buildDate == before.buildDate, "Status scan keeps the build date");

    // A reply split after any LF scans like the whole, the item carried across.
    const std::size_t middle = reply.find(u'\n', reply.size() / 2);
    if (middle != std::u16string_view::npos) {
        FeedItem pieces = before;
        FeedLineScanner::scan(reply.substr(0, middle + 1), pieces, mode);
        FeedLineScanner::scan(reply.substr(middle + 1), pieces, mode);
        Require(Same(pieces, scanned), "a reply scanned in two pieces gives the same item");
    }
}

}  // namespace
}  // namespace tarvolin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvolin;
    const std::u16string reply =
        Utf8CodePage{}.ToText(std::string_view(reinterpret_cast<const char*>(data), size));

    // Fields that hold values from an earlier reply, which only matching lines may replace.
    const FeedItem earlier{u"<lastBuildDate>earlier</lastBuildDate>\n", u"News",
                           u"http://example.com/earlier", u"earlier notice"};
    fuzz::CheckScan(reply, earlier, FeedLineScanner::BuildDate::Test);
    fuzz::CheckScan(reply, earlier, FeedLineScanner::BuildDate::Skip);
    fuzz::CheckScan(reply, FeedItem{}, FeedLineScanner::BuildDate::Test);
    return 0;
}
