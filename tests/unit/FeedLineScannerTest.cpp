// The reply scanner: positional extraction, case-blind tag tests, the last match winning,
// the untouched incomplete last line and the scanner's limits.

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/FeedLineScanner.h"
#include "tests/unit/Fakes.h"

namespace tarvolin::testing {
namespace {

using Mode = FeedLineScanner::BuildDate;

// What every destination holds before a scan, so that a field left alone is visible.
FeedItem Before() { return {u"old date\n", u"old category", u"old link", u"old description"}; }

// The item as one readable text, for comparisons with clear failure output.
std::string Show(const FeedItem& item) {
    return "buildDate \"" + Utf8(item.buildDate) + "\", category \"" + Utf8(item.category) +
           "\", link \"" + Utf8(item.link) + "\", description \"" + Utf8(item.description) + "\"";
}

FeedItem Scanned(std::u16string_view reply, Mode mode = Mode::Test) {
    FeedItem item = Before();
    const std::vector<char16_t> exact(reply.begin(), reply.end());  // nothing read past it
    FeedLineScanner::scan({exact.data(), exact.size()}, item, mode);
    return item;
}

struct ScanCase {
    const char* name;
    std::u16string reply;
    std::u16string buildDate, category, link, description;  // what the item then holds
};

const FeedItem Old = Before();

TEST(FeedLineScannerTest, TakesValuesByPositionFromTheLinesThatCarryATag) {
    // clang-format off
    const ScanCase cases[] = {
        {"CrLfLeavesTheClosingTagsFirstCharacter", u"<link>abc</link>\r\n", Old.buildDate, Old.category, u"abc<", Old.description},
        {"IndentedLineIsCutByPosition", u"  <link>abc</link>\n", Old.buildDate, Old.category, u"k>abc", Old.description},
        {"TagInsideTheLine", u"xx<category>News</category>\n", Old.buildDate, u"y>News", Old.link, Old.description},
        {"ClosingTagNotRequired", u"<category>Download!!!!!!!!!!!\n", Old.buildDate, u"Download", Old.link, Old.description},
        {"MixedCaseDescription", u"<Description><![cdata[Hi]]></DESCRIPTION>\n", Old.buildDate, Old.category, Old.link, u"Hi"},
        {"EmptyCdataGivesEmpty", u"<description><![CDATA[]]></description>\n", Old.buildDate, Old.category, Old.link, u""},
        {"DescriptionWithoutCdataIsNoMatch", u"<description>Hello</description>\n", Old.buildDate, Old.category, Old.link, Old.description},
        {"BuildDateLineTakenWhole", u"<lastBuildDate>Sun, 06 Dec 2026</lastBuildDate>\n", u"<lastBuildDate>Sun, 06 Dec 2026</lastBuildDate>\n", Old.category, Old.link, Old.description},
        {"BuildDateAnywhereAnyCase", u"  <LASTBUILDDATE>x\r\n", u"  <LASTBUILDDATE>x\r\n", Old.category, Old.link, Old.description},
        {"FinalLineWithoutLfIsNotExamined", u"<link>first</link>\n<link>second</link>", Old.buildDate, Old.category, u"first", Old.description},
        {"LastMatchWins", u"<category>News</category>\n<category>Download</category>\n", Old.buildDate, u"Download", Old.link, Old.description},
        {"OneLineMatchingTwoTags", u"<category><link>xy</link></category>\n", Old.buildDate, u"<link>xy</link>", u"ory><link>xy</link></ca", Old.description},
        {"BuildDateAndLinkOnOneLine", u"<lastBuildDate>1<link>abcdefg</link>\n", u"<lastBuildDate>1<link>abcdefg</link>\n", Old.category, u"uildDate>1<link>abcdefg", Old.description},
        {"TagSplitByLfIsNoMatch", u"<li\nnk>abc</link>\n", Old.buildDate, Old.category, Old.link, Old.description},
        {"TooShortForItsTagsLeavesTheField", u"<link>abcdef\n", Old.buildDate, Old.category, Old.link, Old.description},
        {"TooShortFieldSkippedOthersApplied", u"<link><category>\n", Old.buildDate, Old.category, u"<ca", Old.description},
        {"ShortDescriptionLeavesTheField", u"<description><![CDATA[]]>\n", Old.buildDate, Old.category, Old.link, Old.description},
        {"StrayLessThanSigns", u"<<<link>a</link>\n<\n<", Old.buildDate, Old.category, u"k>a", Old.description},
        {"NonAsciiValueCountsUtf16Units", u"<link>\u00fc\u20ac\U0001F600</link>\n", Old.buildDate, Old.category, u"\u00fc\u20ac\U0001F600", Old.description},
    };
    // clang-format on
    for (const ScanCase& c : cases) {
        EXPECT_EQ(Show(Scanned(c.reply)), Show({c.buildDate, c.category, c.link, c.description}))
            << c.name;
    }
}

TEST(FeedLineScannerTest, LinesUpTo32766CharactersAreScannedLongerOnesSkipped) {
    const std::u16string atTheLimit = u"<link>" + std::u16string(32752, u'v') + u"</link>\n";
    EXPECT_EQ(Scanned(atTheLimit).link, std::u16string(32752, u'v'));
    const std::u16string overIt = u"<link>" + std::u16string(32753, u'v') + u"</link>\n";
    EXPECT_EQ(Show(Scanned(overIt + u"<category>News</category>\n")),
              Show({Old.buildDate, u"News", Old.link, Old.description}));
}

}  // namespace
}  // namespace tarvolin::testing
