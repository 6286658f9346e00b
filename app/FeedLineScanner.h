#pragma once
// Picks the build-date line, category, link and description out of a service reply by
// fixed line arithmetic. The reply is not parsed as XML.

#include <string>
#include <string_view>

namespace tarvolin {

// The scanner's output. A field is overwritten only when a matching line is found (the last
// match wins); otherwise it keeps the value it came in with.
struct FeedItem {
    std::u16string buildDate;
    std::u16string category;
    std::u16string link;
    std::u16string description;
};

// Lines longer than this, their LF included, are skipped whole.
inline constexpr std::size_t MaxScannedLineLength = 32766;

class FeedLineScanner {
public:
    enum class BuildDate { Test, Skip };
    // Updates `item` from the complete (LF-terminated) lines of `reply`.
    static void scan(std::u16string_view reply, FeedItem& item, BuildDate buildDateTest);
};

}  // namespace tarvolin
