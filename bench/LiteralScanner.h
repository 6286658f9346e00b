#pragma once
// The reply scanner written the way its line-by-line description reads: find the first LF
// in the rest of the reply, test and cut that line, then make the rest a copy of everything
// after it. It gives the same item as FeedLineScanner::scan and exists only so that the
// benchmark can show what the one-pass scanner saves; its cost grows with lines × size.

#include <string_view>

#include "app/FeedLineScanner.h"

namespace tarvolin::bench {

void LiteralScan(std::u16string_view reply, FeedItem& item,
                 FeedLineScanner::BuildDate buildDateTest);

}  // namespace tarvolin::bench
