// The reply scanner: positional extraction, case-blind tag tests, the last match winning,
// the untouched incomplete last line and the scanner's limits.

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "app/FeedLineScanner.h"
#include "tests/support/ScannerReference.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TestData.h"

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
    FeedLineScanner::scan(reply, item, mode);
    return item;
}

// The fixture replies are ASCII files with LF line ends.
std::u16string Reply(const std::string& name) {
    const std::string bytes = ReadTestData("replies/" + name);
    std::u16string text;
    for (const char byte : bytes) {
        EXPECT_GE(byte, 0) << name << " must be ASCII";
        text.push_back(static_cast<char16_t>(byte));
    }
    return text;
}

struct ScanCase {
    const char* name;
    std::u16string reply;
    Mode mode;
    FeedItem expected;
};

class FeedLineScannerCases : public ::testing::TestWithParam<ScanCase> {};

TEST_P(FeedLineScannerCases, UpdatesTheItem) {
    const ScanCase& c = GetParam();
    EXPECT_EQ(Show(Scanned(c.reply, c.mode)), Show(c.expected));
}

FeedItem With(std::u16string buildDate, std::u16string category, std::u16string link,
              std::u16string description) {
    return {std::move(buildDate), std::move(category), std::move(link), std::move(description)};
}

const FeedItem Old = Before();

INSTANTIATE_TEST_SUITE_P(
    FeedLineScannerTest, FeedLineScannerCases,
    ::testing::Values(
        ScanCase{"LinkLine", u"<link>abc</link>\n", Mode::Test,
                 With(Old.buildDate, Old.category, u"abc", Old.description)},
        ScanCase{"TagsInCapitals", u"<LINK>abc</LINK>\n", Mode::Test,
                 With(Old.buildDate, Old.category, u"abc", Old.description)},
        ScanCase{"CrLfLeavesTheClosingTagsFirstCharacter", u"<link>abc</link>\r\n", Mode::Test,
                 With(Old.buildDate, Old.category, u"abc<", Old.description)},
        ScanCase{"IndentedLineIsCutByPosition", u"  <link>abc</link>\n", Mode::Test,
                 With(Old.buildDate, Old.category, u"k>abc", Old.description)},
        ScanCase{"TagInsideTheLine", u"xx<category>News</category>\n", Mode::Test,
                 With(Old.buildDate, u"y>News", Old.link, Old.description)},
        ScanCase{"ClosingTagNotRequired", u"<category>Download!!!!!!!!!!!\n", Mode::Test,
                 With(Old.buildDate, u"Download", Old.link, Old.description)},
        ScanCase{"CdataHello", u"<description><![CDATA[Hello]]></description>\n", Mode::Test,
                 With(Old.buildDate, Old.category, Old.link, u"Hello")},
        ScanCase{"MixedCaseDescription", u"<Description><![cdata[Hi]]></DESCRIPTION>\n", Mode::Test,
                 With(Old.buildDate, Old.category, Old.link, u"Hi")},
        ScanCase{"EmptyCdataGivesEmpty", u"<description><![CDATA[]]></description>\n", Mode::Test,
                 With(Old.buildDate, Old.category, Old.link, u"")},
        ScanCase{"DescriptionWithoutCdataIsNoMatch", u"<description>Hello</description>\n",
                 Mode::Test, Old},
        ScanCase{"EmptyLinkGivesEmpty", u"<link></link>\n", Mode::Test,
                 With(Old.buildDate, Old.category, u"", Old.description)},
        ScanCase{"BuildDateLineTakenWholeWithItsLf",
                 u"<lastBuildDate>Sun, 06 Dec 2026 19:00:00 GMT</lastBuildDate>\n", Mode::Test,
                 With(u"<lastBuildDate>Sun, 06 Dec 2026 19:00:00 GMT</lastBuildDate>\n",
                      Old.category, Old.link, Old.description)},
        ScanCase{"BuildDateAnywhereAnyCase", u"  <LASTBUILDDATE>x\r\n", Mode::Test,
                 With(u"  <LASTBUILDDATE>x\r\n", Old.category, Old.link, Old.description)},
        ScanCase{"FinalLineWithoutLfIsNotExamined", u"<link>first</link>\n<link>second</link>",
                 Mode::Test, With(Old.buildDate, Old.category, u"first", Old.description)},
        ScanCase{"ReplyWithoutLfChangesNothing", u"<link>abc</link>", Mode::Test, Old},
        ScanCase{"EmptyReplyChangesNothing", u"", Mode::Test, Old},
        ScanCase{"LastMatchWins", u"<category>News</category>\n<category>Download</category>\n",
                 Mode::Test, With(Old.buildDate, u"Download", Old.link, Old.description)},
        ScanCase{
            "OneLineMatchingTwoTags", u"<category><link>xy</link></category>\n", Mode::Test,
            With(Old.buildDate, u"<link>xy</link>", u"ory><link>xy</link></ca", Old.description)},
        ScanCase{"BuildDateAndLinkOnOneLine", u"<lastBuildDate>1<link>abcdefg</link>\n", Mode::Test,
                 With(u"<lastBuildDate>1<link>abcdefg</link>\n", Old.category,
                      u"uildDate>1<link>abcdefg", Old.description)},
        ScanCase{"TagSplitByLfIsNoMatch", u"<li\nnk>abc</link>\n", Mode::Test, Old},
        ScanCase{"TooShortForItsTagsLeavesTheField", u"<link>abcdef\n", Mode::Test, Old},
        ScanCase{"TooShortFieldSkippedOthersApplied", u"<link><category>\n", Mode::Test,
                 With(Old.buildDate, Old.category, u"<ca", Old.description)},
        ScanCase{"ShortDescriptionLeavesTheField", u"<description><![CDATA[]]>\n", Mode::Test, Old},
        ScanCase{"StrayLessThanSigns", u"<<<link>a</link>\n<\n<", Mode::Test,
                 With(Old.buildDate, Old.category, u"k>a", Old.description)},
        ScanCase{"NonAsciiValueCountsUtf16Units", u"<link>\u00fc\u20ac\U0001F600</link>\n",
                 Mode::Test,
                 With(Old.buildDate, Old.category, u"\u00fc\u20ac\U0001F600", Old.description)}),
    [](const ::testing::TestParamInfo<ScanCase>& caseInfo) {
        return std::string(caseInfo.param.name);
    });

TEST(FeedLineScannerTest, NoticeReply) {
    EXPECT_EQ(Show(Scanned(Reply("scanner-notice.xml"))),
              Show(With(u"<lastBuildDate>Tue, 08 Dec 2026 09:30:00 GMT</lastBuildDate>\n",
                        u"Download", u"http://downloads.example.net/tarvolin/setup-2.1.html",
                        u"Version 2.1 is ready. Click here to download it.")));
}

TEST(FeedLineScannerTest, NoticeReplyInTheStatusScanKeepsTheBuildDate) {
    EXPECT_EQ(Show(Scanned(Reply("scanner-notice.xml"), Mode::Skip)),
              Show(With(Old.buildDate, u"Download",
                        u"http://downloads.example.net/tarvolin/setup-2.1.html",
                        u"Version 2.1 is ready. Click here to download it.")));
}

TEST(FeedLineScannerTest, LastItemOfAReplyWins) {
    EXPECT_EQ(Show(Scanned(Reply("scanner-two-items.xml"))),
              Show(With(u"<lastBuildDate>Wed, 09 Dec 2026 07:00:00 GMT</lastBuildDate>\n",
                        u"Download", u"http://downloads.example.net/2", u"Second notice")));
}

TEST(FeedLineScannerTest, IndentedReplyIsCutByPosition) {
    EXPECT_EQ(Show(Scanned(Reply("scanner-indented.xml"))),
              Show(With(u"    <lastBuildDate>Thu, 10 Dec 2026 12:00:00 GMT</lastBuildDate>\n",
                        u"ory>News", u"ink>http://news.example.net/3", Old.description)));
}

TEST(FeedLineScannerTest, ReplyWhoseLastLinkHasNoLf) {
    EXPECT_EQ(Show(Scanned(Reply("scanner-no-final-lf.xml"))),
              Show(With(Old.buildDate, u"News", u"http://news.example.net/4", Old.description)));
}

// A link line of exactly `length` characters, its LF included, with a filler value.
std::u16string LinkLineOfLength(std::size_t length) {
    return u"<link>" + std::u16string(length - 14, u'v') + u"</link>\n";
}

TEST(FeedLineScannerTest, LineAtTheLengthLimitIsScanned) {
    const std::u16string line = LinkLineOfLength(32766);
    ASSERT_EQ(line.size(), 32766U);
    EXPECT_EQ(Scanned(line).link, std::u16string(32752, u'v'));
}

TEST(FeedLineScannerTest, LongerLineIsSkippedAndTheNextLinesStillCount) {
    const std::u16string line = LinkLineOfLength(32767);
    ASSERT_EQ(line.size(), 32767U);
    EXPECT_EQ(Show(Scanned(line + u"<category>News</category>\n")),
              Show(With(Old.buildDate, u"News", Old.link, Old.description)));
}

TEST(FeedLineScannerTest, AgreesWithTheLineByLineRuleOnGeneratedReplies) {
    const std::vector<std::u16string> pieces = {u"<link>",
                                                u"</link>",
                                                u"<LiNk>",
                                                u"<category>",
                                                u"</category>",
                                                u"<CATEGORY>",
                                                u"<description><![CDATA[",
                                                u"<Description><![cdata[",
                                                u"]]></description>",
                                                u"<lastBuildDate>",
                                                u"<lastbuilddate>",
                                                u"<lastBuild",
                                                u"<cat",
                                                u"<desc",
                                                u"<",
                                                u">",
                                                u"\n",
                                                u"\n",
                                                u"\r\n",
                                                u"\r",
                                                u" ",
                                                u"  ",
                                                u"abc",
                                                u"News",
                                                u"\u00e9\u20ac",
                                                u"http://example.net/x"};
    std::mt19937 random(20261208);
    for (int round = 0; round < 2000; ++round) {
        std::u16string reply;
        const auto count = random() % 40;
        for (std::uint32_t i = 0; i < count; ++i) reply += pieces[random() % pieces.size()];
        for (const Mode mode : {Mode::Test, Mode::Skip}) {
            FeedItem expected = Before();
            reference::Scan(reply, expected, mode);
            ASSERT_EQ(Show(Scanned(reply, mode)), Show(expected)) << "reply: " << Utf8(reply);
        }
    }
}

}  // namespace
}  // namespace tarvolin::testing
