// The reply scanner: one pass over the reply. Each '<' is checked against the four opening
// tags; each LF closes a line, whose matches are then applied by position arithmetic.

#include "app/FeedLineScanner.h"

#include "tray/Text.h"

#include <cstdint>

namespace tarvolin {

namespace {

// What a line matched, one bit per tag.
enum TagBit : std::uint8_t {
    BuildDateTag = 1U << 0U,
    CategoryTag = 1U << 1U,
    LinkTag = 1U << 2U,
    DescriptionTag = 1U << 3U,
};

// Opening tags in lower case, without their leading '<'.
constexpr std::u16string_view BuildDateOpen = u"lastbuilddate>";
constexpr std::u16string_view CategoryOpen = u"category>";
constexpr std::u16string_view LinkOpen = u"link>";
constexpr std::u16string_view DescriptionOpen = u"description><![cdata[";

// Lengths of the whole tags, '<' included, that frame each value.
constexpr std::size_t CategoryOpenLength = 10;      // <category>
constexpr std::size_t CategoryCloseLength = 11;     // </category>
constexpr std::size_t LinkOpenLength = 6;           // <link>
constexpr std::size_t LinkCloseLength = 7;          // </link>
constexpr std::size_t DescriptionOpenLength = 22;   // <description><![CDATA[
constexpr std::size_t DescriptionCloseLength = 17;  // ]]></description>

// The tag, if any, that opens at `afterLess`, the text just after a '<'.
std::uint8_t TagAt(std::u16string_view afterLess, bool testBuildDate) {
    if (afterLess.empty()) return 0;
    switch (afterLess.front() | 0x20) {  // ASCII letters in lower case
        case u'l':
            if (StartsWithIgnoreCase(afterLess, LinkOpen)) return LinkTag;
            if (testBuildDate && StartsWithIgnoreCase(afterLess, BuildDateOpen)) {
                return BuildDateTag;
            }
            return 0;
        case u'c':
            return StartsWithIgnoreCase(afterLess, CategoryOpen) ? CategoryTag : 0;
        case u'd':
            return StartsWithIgnoreCase(afterLess, DescriptionOpen) ? DescriptionTag : 0;
        default:
            return 0;
    }
}

// The value framed by tags of the given lengths, taken by position alone: it starts right
// after the opening tag's length and stops short of the closing tag and the LF. A line too
// short for its tags leaves the field as it was.
void TakeValue(std::u16string_view line, std::size_t openLength, std::size_t closeLength,
               std::u16string& field) {
    const std::size_t frame = openLength + closeLength + 1;
    if (line.size() < frame) return;
    field.assign(line.substr(openLength, line.size() - frame));
}

void ApplyLine(std::u16string_view line, std::uint8_t tags, FeedItem& item) {
    if ((tags & BuildDateTag) != 0) item.buildDate.assign(line);
    if ((tags & CategoryTag) != 0) {
        TakeValue(line, CategoryOpenLength, CategoryCloseLength, item.category);
    }
    if ((tags & LinkTag) != 0) TakeValue(line, LinkOpenLength, LinkCloseLength, item.link);
    if ((tags & DescriptionTag) != 0) {
        TakeValue(line, DescriptionOpenLength, DescriptionCloseLength, item.description);
    }
}

}  // namespace

void FeedLineScanner::scan(std::u16string_view reply, FeedItem& item, BuildDate buildDateTest) {
    const bool testBuildDate = buildDateTest == BuildDate::Test;
    std::size_t lineStart = 0;
    std::uint8_t tags = 0;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        const char16_t c = reply[i];
        if (c == u'<') {
            tags |= TagAt(reply.substr(i + 1), testBuildDate);
        } else if (c == u'\n') {
            const std::u16string_view line = reply.substr(lineStart, i + 1 - lineStart);
            // Lines beyond the scanner's limit are skipped whole.
            if (tags != 0 && line.size() <= MaxScannedLineLength) ApplyLine(line, tags, item);
            lineStart = i + 1;
            tags = 0;
        }
    }
    // Text after the last LF is an incomplete line and is never applied.
}

}  // namespace tarvolin
