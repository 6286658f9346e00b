// The service URLs and the feed fetch: what goes to the transfer and what comes back as text.

#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>

#include "app/ServiceHost.h"
#include "app/ServiceUrls.h"
#include "app/frmMain.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"

namespace tarvolin::testing {
namespace {

const std::u16string Host(ServiceHost);
const std::u16string NotifyBase = u"http://" + Host + u":9090/dataservices/notify?ver=1.0&msisdn=";
const std::u16string StatusBase = u"http://" + Host + u":9090/dataservices/status?ver=1.0&msisdn=";

TEST(ServiceUrlsTest, BasesCarryTheBuildsHostPortPathAndQuery) {
    EXPECT_EQ(Utf8(NotifyBaseUrl()), Utf8(NotifyBase));
    EXPECT_EQ(Utf8(StatusBaseUrl()), Utf8(StatusBase));
}

TEST(ServiceUrlsTest, DefaultHostIsTheLocalService) {
    if (Host != u"localhost") GTEST_SKIP() << "built for another service host";
    EXPECT_EQ(NotifyBaseUrl(), u"http://localhost:9090/dataservices/notify?ver=1.0&msisdn=");
    EXPECT_EQ(StatusBaseUrl(), u"http://localhost:9090/dataservices/status?ver=1.0&msisdn=");
}

struct UrlCase {
    const char* name;
    std::u16string number;
    std::u16string appended;
};

class ServiceUrlsRequestTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(ServiceUrlsRequestTest, AppendsTheNumber) {
    EXPECT_EQ(Utf8(RequestUrl(NotifyBase, GetParam().number)),
              Utf8(NotifyBase + GetParam().appended));
    EXPECT_EQ(Utf8(RequestUrl(StatusBase, GetParam().number)),
              Utf8(StatusBase + GetParam().appended));
}

INSTANTIATE_TEST_SUITE_P(
    ServiceUrlsTest, ServiceUrlsRequestTest,
    ::testing::Values(UrlCase{"Digits", u"0803", u"0803"}, UrlCase{"Empty", u"", u""},
                      UrlCase{"UrlCharactersVerbatim", u"+44#1&x=y%20;/?", u"+44#1&x=y%20;/?"},
                      UrlCase{"Spaces", u" 08 03 ", u"%2008%2003%20"},
                      UrlCase{"CrLfCannotSplitTheRequest", u"0803\r\nHost: evil",
                              u"0803%0D%0AHost:%20evil"},
                      UrlCase{"Controls", u"\t\x7f", u"%09%7F"},
                      UrlCase{"Punctuation", u"\"<>\\^`{|}", u"%22%3C%3E%5C%5E%60%7B%7C%7D"},
                      UrlCase{"NonAsciiAsUtf8", u"\u00e9\u20ac", u"%C3%A9%E2%82%AC"},
                      UrlCase{"SurrogatePair", u"\U0001F600", u"%F0%9F%98%80"},
                      UrlCase{"UnpairedSurrogate",
                              u"1\xD800"
                              u"2",
                              u"1%EF%BF%BD2"}),
    [](const ::testing::TestParamInfo<UrlCase>& caseInfo) {
        return std::string(caseInfo.param.name);
    });

// Everything FetchFeed may not touch.
auto Snapshot(const frmMain& form) {
    const NotifierState& s = form.State();
    return std::make_tuple(s.notifyUrl, s.statusUrl, s.numberFilePath, s.number, s.statusText,
                           s.lastShownBuildDate, s.currentBuildDate, s.link, s.category,
                           s.balloonVisible, form.Schedule().count, form.Schedule().threshold);
}

class FeedFetchTest : public ::testing::Test {
protected:
    // Starts the window with this number file; what start-up itself asked for is forgotten.
    void LoadWithNumberFile(const std::string& bytes) {
        dir.Write("MyNumber.txt", bytes);
        ports.window.appPath = dir.PathText();
        form.Form_Load();
        ports.transfer.requests.clear();
        ports.shell.notifyCalls.clear();
        ports.dialogs.msgBoxes.clear();
    }

    // The one reply FetchFeed gets, and what it makes of it.
    std::u16string FetchWithReply(std::optional<std::string> reply) {
        ports.transfer.replies = {std::move(reply)};
        const auto before = Snapshot(form);
        std::u16string text = form.FetchFeed(StatusBase);
        EXPECT_EQ(Snapshot(form), before) << "the fetch changed the window's state";
        EXPECT_TRUE(ports.shell.notifyCalls.empty());
        EXPECT_TRUE(ports.dialogs.msgBoxes.empty());
        return text;
    }

    TempDir dir;
    FakePorts ports;
    frmMain form{ports.ports()};
};

TEST_F(FeedFetchTest, EmptyNumberMakesNoRequest) {
    LoadWithNumberFile("");
    EXPECT_EQ(FetchWithReply("<rss/>\n"), u"");
    EXPECT_TRUE(ports.transfer.requests.empty());
}

TEST_F(FeedFetchTest, NumberOfSpacesMakesNoRequest) {
    LoadWithNumberFile("   \r\n");
    ASSERT_EQ(form.State().number, u"   ");
    EXPECT_EQ(FetchWithReply("<rss/>\n"), u"");
    EXPECT_TRUE(ports.transfer.requests.empty());
}

TEST_F(FeedFetchTest, RequestsTheBaseWithTheNumberAndReturnsTheBody) {
    LoadWithNumberFile("0803\r\n");
    EXPECT_EQ(FetchWithReply("<link>abc</link>\n"), u"<link>abc</link>\n");
    ASSERT_EQ(ports.transfer.requests.size(), 1U);
    EXPECT_EQ(ports.transfer.requests[0], Utf8(StatusBase) + "0803");
}

TEST_F(FeedFetchTest, NumberGoesAsStoredWithItsSpaceEncoded) {
    LoadWithNumberFile(" 0803\r\n");
    (void)FetchWithReply("ok");
    ASSERT_EQ(ports.transfer.requests.size(), 1U);
    EXPECT_EQ(ports.transfer.requests[0], Utf8(StatusBase) + "%200803");
}

TEST_F(FeedFetchTest, UsesTheBaseItIsGiven) {
    LoadWithNumberFile("0803\r\n");
    ports.transfer.fallback = "ok";
    (void)form.FetchFeed(u"http://b\u00fccher.example:9090/n?msisdn=");
    ASSERT_EQ(ports.transfer.requests.size(), 1U);
    EXPECT_EQ(ports.transfer.requests[0],
              "http://b\xC3\xBC"
              "cher.example:9090/n?msisdn=0803");
}

TEST_F(FeedFetchTest, FailureGivesEmptyText) {
    LoadWithNumberFile("0803\r\n");
    EXPECT_EQ(FetchWithReply(std::nullopt), u"");
    EXPECT_EQ(ports.transfer.requests.size(), 1U);
}

TEST_F(FeedFetchTest, EmptyBodyGivesEmptyText) {
    LoadWithNumberFile("0803\r\n");
    EXPECT_EQ(FetchWithReply(""), u"");
}

TEST_F(FeedFetchTest, BodyBytesGoThroughTheCodePage) {
    LoadWithNumberFile("0803\r\n");
    EXPECT_EQ(FetchWithReply("<description><![CDATA[caf\xC3\xA9 \xE2\x82\xAC]]>\n"),
              u"<description><![CDATA[caf\u00e9 \u20ac]]>\n");
}

class ThrowingTransfer final : public Transfer {
public:
    std::optional<std::string> Get(std::string_view /*url*/) override {
        throw std::runtime_error("transfer broke");
    }
};

TEST(FeedFetchFailureTest, TransferThatThrowsGivesEmptyText) {
    TempDir dir;
    dir.Write("MyNumber.txt", "0803\r\n");
    FakePorts ports;
    ports.window.appPath = dir.PathText();
    ThrowingTransfer transfer;
    frmMain form(Ports{ports.window, ports.dialogs, ports.shell, transfer, ports.codePage});
    form.Form_Load();
    ASSERT_EQ(form.State().number, u"0803");
    EXPECT_EQ(form.FetchFeed(StatusBase), u"");
    EXPECT_EQ(form.FetchFeed(NotifyBase), u"");
}

}  // namespace
}  // namespace tarvolin::testing
