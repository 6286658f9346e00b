#include "bench/LiteralScanner.h"

#include <string>

#include "tests/support/ScannerReference.h"

namespace tarvolin::bench {

void LiteralScan(std::u16string_view reply, FeedItem& item,
                 FeedLineScanner::BuildDate buildDateTest) {
    // The copy of the rest after every line is the point: it is what the one-pass scanner
    // saves.
    std::u16string rest(reply);
    for (std::size_t p = rest.find(u'\n'); p != std::u16string::npos; p = rest.find(u'\n')) {
        const std::u16string line = rest.substr(0, p + 1);
        reference::ScanLine(line, item, buildDateTest);
        rest = rest.substr(p + 1);
    }
}

}  // namespace tarvolin::bench
