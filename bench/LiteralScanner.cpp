// Line by line, with a fresh copy of the remaining reply after every line. Lines over the
// scanner's limit and matched lines too short for their tags are skipped, as the product's
// scanner does, so both give the same item.

#include "bench/LiteralScanner.h"

#include <string>

namespace tarvolin::bench {

namespace {

std::u16string Lower(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
    }
    return lower;
}

// The value between tags of lengths `open` and `close`, by position alone.
void Cut(const std::u16string& line, std::size_t open, std::size_t close, std::u16string& field) {
    if (line.size() < open + close + 1) return;
    field = line.substr(open, line.size() - open - close - 1);
}

}  // namespace

void LiteralScan(std::u16string_view reply, FeedItem& item,
                 FeedLineScanner::BuildDate buildDateTest) {
    std::u16string rest(reply);
    for (std::size_t p = rest.find(u'\n'); p != std::u16string::npos; p = rest.find(u'\n')) {
        const std::u16string line = rest.substr(0, p + 1);
        if (line.size() <= MaxScannedLineLength) {
            const std::u16string lower = Lower(line);
            if (buildDateTest == FeedLineScanner::BuildDate::Test &&
                lower.find(u"<lastbuilddate>") != std::u16string::npos) {
                item.buildDate = line;
            }
            if (lower.find(u"<category>") != std::u16string::npos) {
                Cut(line, 10, 11, item.category);
            }
            if (lower.find(u"<link>") != std::u16string::npos) Cut(line, 6, 7, item.link);
            if (lower.find(u"<description><![cdata[") != std::u16string::npos) {
                Cut(line, 22, 17, item.description);
            }
        }
        rest = rest.substr(p + 1);
    }
}

}  // namespace tarvolin::bench
