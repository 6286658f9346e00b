#include "tests/support/ScannerReference.h"

#include <string>

namespace tarvolin::reference {

namespace {

std::u16string AsciiLower(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
    }
    return lower;
}

// The value between tags of the given lengths, when the line is long enough for them.
void Cut(std::u16string_view line, std::size_t open, std::size_t close, std::u16string& field) {
    if (line.size() >= open + close + 1) field = line.substr(open, line.size() - open - close - 1);
}

}  // namespace

void ScanLine(std::u16string_view line, FeedItem& item, FeedLineScanner::BuildDate buildDateTest) {
    if (line.size() > MaxScannedLineLength) return;
    const std::u16string lower = AsciiLower(line);
    const auto has = [&lower](std::u16string_view tag) {
        return lower.find(tag) != std::u16string::npos;
    };
    if (buildDateTest == FeedLineScanner::BuildDate::Test && has(u"<lastbuilddate>")) {
        item.buildDate = line;
    }
    if (has(u"<category>")) Cut(line, 10, 11, item.category);
    if (has(u"<link>")) Cut(line, 6, 7, item.link);
    if (has(u"<description><![cdata[")) Cut(line, 22, 17, item.description);
}

void Scan(std::u16string_view reply, FeedItem& item, FeedLineScanner::BuildDate buildDateTest) {
    std::u16string_view rest = reply;
    for (std::size_t p = rest.find(u'\n'); p != std::u16string_view::npos; p = rest.find(u'\n')) {
        ScanLine(rest.substr(0, p + 1), item, buildDateTest);
        rest.remove_prefix(p + 1);
    }
}

}  // namespace tarvolin::reference
