#pragma once
// The reply scanner's rules read as plainly as they are stated, line by line: find the LF,
// test the tags anywhere in the line ignoring ASCII case, cut each value by position. The
// unit tests and the fuzz target check FeedLineScanner against it; the benchmark times it.

#include <string_view>

#include "app/FeedLineScanner.h"

namespace tarvolin::reference {

// Applies one line (its LF included) to the item; a line past the length limit is skipped.
void ScanLine(std::u16string_view line, FeedItem& item, FeedLineScanner::BuildDate buildDateTest);

// Every complete line of the reply through ScanLine; the text after the last LF is ignored.
void Scan(std::u16string_view reply, FeedItem& item, FeedLineScanner::BuildDate buildDateTest);

}  // namespace tarvolin::reference
