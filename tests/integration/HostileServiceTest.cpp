// The hostile-service matrix: the real poll cycle and the real libcurl transfer (with a
// 2-second limit) against a scripted server on loopback that answers badly in every way a
// service can. Each row names one answer and what the subscriber then sees: the status in
// the tooltip and the balloons. No row may crash, take longer than the limit and a margin,
// or touch the number file; after every failed poll the next tick recovers as soon as the
// service answers properly again.

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/frmMain.h"
#include "runtime/curl/CurlTransfer.h"
#include "tests/integration/LoopbackServer.h"
#include "tests/unit/Fakes.h"
#include "tests/unit/TempDir.h"
#include "tests/unit/TestData.h"

namespace tarvolin::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using testing::Utf8;

constexpr std::chrono::milliseconds TimeLimit = 2s;
// A poll must end within the limit; the margin only absorbs a loaded, sanitized build.
constexpr std::chrono::milliseconds HangMargin = 3s;
constexpr std::chrono::seconds LongStall = 30s;
constexpr std::size_t Cap = CurlTransfer::DefaultBodyCap;

const std::string NotifyPath = "/dataservices/notify";
const std::u16string Notice = u"Your bundle renews tomorrow.";
const std::u16string Connected = StatusConnected;
const std::u16string Unavailable = StatusServiceUnavailable;

// The real transfer, aimed at the loopback server: the service's fixed address is replaced
// by the server's; path and query stay as the window logic built them.
class LoopbackTransfer final : public Transfer {
public:
    explicit LoopbackTransfer(const LoopbackServer& server) : server_(server), curl_(TimeLimit) {}
    std::optional<std::string> Get(std::string_view url) override {
        return curl_.Get(server_.Url(url.substr(url.find("/dataservices/"))));
    }

private:
    const LoopbackServer& server_;
    CurlTransfer curl_;
};

std::string Feed() { return testing::ReadTestData("replies/poll-notice-news.xml"); }

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The feed with its notice text replaced.
std::string FeedSaying(std::string_view text) {
    return ReplaceAll(Feed(), "Your bundle renews tomorrow.", text);
}

// The feed padded with comment lines after its notice to exactly `size` bytes.
std::string FeedOfSize(std::size_t size) {
    std::string body = Feed();
    const std::string line = "<!-- " + std::string(90, '.') + " -->\n";
    while (body.size() + line.size() <= size) body += line;
    body += std::string(size - body.size() - 1, ' ') + "\n";
    return body;
}

std::string Head(std::string_view statusLine, std::size_t length) {
    return ReplyHead(statusLine, "Content-Length: " + std::to_string(length) + "\r\n");
}

Behaviour Ok(std::string_view body) { return Behaviour::Reply("HTTP/1.1 200 OK", body); }

using Serve = std::function<void(LoopbackServer&)>;

Serve Route(Behaviour behaviour) {
    return [b = std::move(behaviour)](LoopbackServer& server) { server.Route(NotifyPath, b); };
}
Serve RouteOk(std::string body) { return Route(Ok(body)); }
Serve Queue(Behaviour behaviour) {
    return [b = std::move(behaviour)](LoopbackServer& server) { server.Enqueue(b); };
}
Serve RedirectTo(std::function<std::string(const LoopbackServer&)> location) {
    return [location = std::move(location)](LoopbackServer& server) {
        server.Route(NotifyPath, Behaviour::Redirect(location(server)));
    };
}

struct HostileRow {
    const char* name;
    Serve serve;
    std::u16string status;
    std::vector<std::u16string> notices;  // notice balloons after the status balloon
};

void PrintTo(const HostileRow& row, std::ostream* out) { *out << row.name; }

const HostileRow Rows[] = {
    // The answer a service should give, and small variations that must still work.
    {"ValidFeed", RouteOk(Feed()), Connected, {Notice}},
    {"ChunkedEncoding", Route(Behaviour::ChunkedReply(Feed(), 7)), Connected, {Notice}},
    {"CloseDelimitedHttp10",
     Route(Behaviour::Raw("HTTP/1.0 200 OK\r\nConnection: close\r\n\r\n" + Feed())),
     Connected,
     {Notice}},
    {"InterimContinueBeforeTheReply",
     Route(Behaviour::Raw("HTTP/1.1 100 Continue\r\n\r\n" + Head("HTTP/1.1 200 OK", Feed().size()) +
                          Feed())),
     Connected,
     {Notice}},
    {"RedirectToTheFeedOnAnotherPath",
     [](LoopbackServer& server) {
         server.Route(NotifyPath, Behaviour::Redirect(server.Url("/moved")));
         server.Route("/moved", Ok(Feed()));
     },
     Connected,
     {Notice}},
    // Bodies that say nothing.
    {"EmptyBody", RouteOk(""), Unavailable, {}},
    {"NoContent204", Route(Behaviour::Raw("HTTP/1.1 204 No Content\r\n\r\n")), Unavailable, {}},
    {"SpacesOnly", RouteOk("        "), Unavailable, {}},
    {"TabsOnlyAreContent", RouteOk("\t\t"), Connected, {}},
    {"LineFeedsOnly", RouteOk("\n\n\n"), Connected, {}},
    // Bodies the scanner must survive.
    {"NoLineFeedAtAll", RouteOk(ReplaceAll(Feed(), "\n", "")), Connected, {}},
    {"CrOnlyLineEnds", RouteOk(ReplaceAll(Feed(), "\n", "\r")), Connected, {}},
    {"CrLfLineEnds",
     RouteOk(ReplaceAll(Feed(), "\n", "\r\n")),
     Connected,
     {u"Your bundle renews tomorrow.]"}},
    {"NulBytes",
     RouteOk(ReplaceAll(FeedSaying("Your bundle\0renews"s), "<title>", "<ti\0tle>"s)),
     Connected,
     {u"Your bundle"}},
    {"InvalidUtf8",
     RouteOk(FeedSaying("caf\xc3\xa9 \xff\xfe \xed\xa0\x80 ok")),
     Connected,
     {u"caf\u00e9 \uFFFD\uFFFD \uFFFD\uFFFD\uFFFD ok"}},
    {"Utf16Body",
     RouteOk([] {
         std::string wide = "\xff\xfe";
         for (const char c : Feed()) wide += std::string{c, '\0'};
         return wide;
     }()),
     Connected,
     {}},
    {"MatchedLinesTooShortForTheirTags",
     RouteOk("<lastBuildDate>\n<category>\n<link>\n<description><![CDATA[\n"),
     Connected,
     {}},
    {"NoticeLineLongerThanTheScannerLimit",
     RouteOk(FeedSaying(std::string(40000, 'n'))),
     Connected,
     {}},
    {"OneLineOfTenMegabytes", RouteOk(FeedSaying(std::string(10 << 20, 'n'))), Unavailable, {}},
    {"HundredThousandShortLines",
     RouteOk([] {
         std::string body;
         for (int i = 0; i < 100000; ++i) body += "<p>\n";
         return body + Feed();
     }()),
     Connected,
     {Notice}},
    {"BodyOfExactlyTheCap", RouteOk(FeedOfSize(Cap)), Connected, {Notice}},
    {"BodyOneByteOverTheCap", RouteOk(FeedOfSize(Cap + 1)), Unavailable, {}},
    {"ChunkedBodyOverTheCapWithNoLength",
     Route(Behaviour::ChunkedReply(FeedOfSize(2 * Cap))),
     Unavailable,
     {}},
    // Error statuses, with and without a feed that looks valid.
    {"Status500WithAValidFeed",
     Route(Behaviour::Reply("HTTP/1.1 500 Internal Server Error", Feed())),
     Unavailable,
     {}},
    {"Status404",
     Route(Behaviour::Reply("HTTP/1.1 404 Not Found", "Not Found\n")),
     Unavailable,
     {}},
    {"Status302WithoutLocation",
     Route(Behaviour::Reply("HTTP/1.1 302 Found", Feed())),
     Unavailable,
     {}},
    // Redirects that must not be followed to their end.
    {"RedirectLoop",
     RedirectTo([](const LoopbackServer& server) { return server.Url(NotifyPath + "?again"); }),
     Unavailable,
     {}},
    {"RedirectToFile",
     RedirectTo([](const LoopbackServer&) { return "file:///etc/passwd"s; }),
     Unavailable,
     {}},
    {"RedirectToFtp",
     RedirectTo([](const LoopbackServer& server) {
         return "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/feed";
     }),
     Unavailable,
     {}},
    {"RedirectToHttpsOnAPlainPort",
     RedirectTo([](const LoopbackServer& server) {
         return "https://127.0.0.1:" + std::to_string(server.Port()) + "/feed";
     }),
     Unavailable,
     {}},
    // Broken framing and broken connections.
    {"ContentLengthLargerThanTheBody",
     Route(Behaviour::Raw(Head("HTTP/1.1 200 OK", Feed().size() + 100) + Feed())),
     Unavailable,
     {}},
    {"ResetInTheMiddleOfTheBody",
     Route(Behaviour{{Send{Head("HTTP/1.1 200 OK", Feed().size()) + Feed().substr(0, 100)},
                      Stall{100ms}, Reset{}}}),
     Unavailable,
     {}},
    {"NonHttpAnswer", Route(Behaviour::Raw("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n")), Unavailable, {}},
    {"AcceptedThenClosed", Queue(Behaviour::CloseAtOnce()), Unavailable, {}},
    {"OversizedHeader",
     Route(Behaviour::Raw(ReplyHead("HTTP/1.1 200 OK", "X-Filler: " + std::string(200000, 'h') +
                                                           "\r\nConnection: close\r\n") +
                          Feed())),
     Unavailable,
     {}},
    // Answers that never end: each must give up at the time limit.
    {"SilentAfterAccepting", Queue(Behaviour{{Stall{LongStall}}, false}), Unavailable, {}},
    {"HeadersThenStallPastTheLimit",
     Route(Behaviour{{Send{Head("HTTP/1.1 200 OK", 500)}, Stall{LongStall}}}),
     Unavailable,
     {}},
    {"AByteEveryFewSeconds",
     Route(Behaviour{{SendSlowly{Head("HTTP/1.1 200 OK", Feed().size()) + Feed(), 1, 1500ms}}}),
     Unavailable,
     {}},
    {"EndlessHeaders",
     Route(Behaviour{{SendSlowly{
         "HTTP/1.1 200 OK\r\n" + ReplaceAll(std::string(5000, '.'), ".", "X-More: yes\r\n"), 13,
         20ms}}}),
     Unavailable,
     {}},
};

class HostileServiceTest : public ::testing::TestWithParam<HostileRow> {
protected:
    HostileServiceTest() {
        ports_.window.appPath = folder_.PathText();
        folder_.Write("MyNumber.txt", StoredNumber);
    }

    static constexpr const char* StoredNumber = "0803\r\n";
    testing::TempDir folder_;
    LoopbackServer server_;
    LoopbackTransfer transfer_{server_};
    testing::FakePorts ports_;
    frmMain form_{Ports{ports_.window, ports_.dialogs, ports_.shell, transfer_, ports_.codePage}};
};

TEST_P(HostileServiceTest, StatusAndBalloonsWithinTheTimeLimit) {
    const HostileRow& row = GetParam();
    row.serve(server_);

    const auto started = std::chrono::steady_clock::now();
    form_.Form_Load();  // start-up polls at once
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    ::testing::Test::RecordProperty("elapsed_ms", static_cast<int>(elapsed.count()));
    EXPECT_LT(elapsed, TimeLimit + HangMargin) << "the poll hung past the time limit";

    EXPECT_EQ(Utf8(form_.State().statusText), Utf8(row.status));
    EXPECT_EQ(Utf8(ports_.shell.Tooltips().back()), Utf8(row.status));
    std::vector<std::string> expected{Utf8(row.status)};
    for (const auto& notice : row.notices) expected.push_back(Utf8(notice));
    std::vector<std::string> balloons;
    for (const auto& balloon : ports_.shell.Balloons()) balloons.push_back(Utf8(balloon));
    EXPECT_EQ(balloons, expected);
    EXPECT_TRUE(ports_.dialogs.msgBoxes.empty());
    EXPECT_EQ(folder_.Read("MyNumber.txt"), StoredNumber) << "the number file changed";

    // A failed poll is retried on the next tick and recovers once the service is sound.
    if (row.status == Unavailable) {
        server_.Route(NotifyPath, Ok(Feed()));
        form_.Timer1_Timer();
        EXPECT_EQ(Utf8(form_.State().statusText), Utf8(Connected));
        ASSERT_FALSE(ports_.shell.Balloons().empty());
        EXPECT_EQ(Utf8(ports_.shell.Balloons().back()), Utf8(Notice));
    }
}

INSTANTIATE_TEST_SUITE_P(Service, HostileServiceTest, ::testing::ValuesIn(Rows),
                         [](const auto& rowInfo) { return std::string(rowInfo.param.name); });

// A notice whose link is not a web address is shown, and clicking it opens nothing.
TEST(HostileServiceLinkTest, DownloadNoticeWithAFileLinkOpensNothing) {
    testing::TempDir folder;
    folder.Write("MyNumber.txt", "0803\r\n");
    LoopbackServer server;
    LoopbackTransfer transfer(server);
    testing::FakePorts ports;
    ports.window.appPath = folder.PathText();
    frmMain form(Ports{ports.window, ports.dialogs, ports.shell, transfer, ports.codePage});
    server.Route(NotifyPath,
                 Ok(ReplaceAll(ReplaceAll(Feed(), "<category>News", "<category>Download"),
                               "http://news.example.net/item/7", "file:///etc/passwd")));

    form.Form_Load();
    ASSERT_EQ(Utf8(ports.shell.Balloons().back()), Utf8(Notice));
    form.TrayNotification(TrayBalloonShow);
    form.TrayNotification(TrayBalloonUserClick);
    EXPECT_TRUE(ports.shell.openedUrls.empty());
    EXPECT_EQ(form.State().balloonVisible, FieldFalse);
}

}  // namespace
}  // namespace tarvolin::test
