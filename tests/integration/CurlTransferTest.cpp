// The libcurl transfer against a real HTTP server on loopback: replies, empty bodies, error
// statuses, stalls, oversized bodies, redirects and dropped connections.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

#include "runtime/curl/CurlTransfer.h"
#include "tests/integration/LoopbackServer.h"
#include "tests/integration/UniqueFd.h"

namespace tarvolin::test {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr milliseconds TestLimit = 10s;  // long enough for any reply here, short if one hangs
constexpr milliseconds ShortLimit = 1s;  // for the stall cases
constexpr milliseconds LongStall = 30s;
// A stalled transfer must end at its limit; the margin only absorbs a loaded machine.
constexpr milliseconds HangMargin = 2s;
constexpr std::size_t Cap = CurlTransfer::DefaultBodyCap;

// A loopback port bound but not listening: a connection to it is refused.
class RefusingPort {
public:
    RefusingPort() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        auto* generic = reinterpret_cast<sockaddr*>(&address);
        socklen_t length = sizeof address;
        if (::bind(socket_.Get(), generic, length) == 0 &&
            ::getsockname(socket_.Get(), generic, &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    [[nodiscard]] std::uint16_t Port() const { return port_; }

private:
    UniqueFd socket_;
    std::uint16_t port_ = 0;
};

// Sets an environment variable for one scope and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ScopedEnvironment(ScopedEnvironment&&) = delete;
    ScopedEnvironment& operator=(ScopedEnvironment&&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Bytes that no text conversion would leave alone: NULs, invalid UTF-8, a lone CR.
std::string HostileBody() {
    using std::string_literals::operator""s;
    return "<rss>\0<title>caf\xc3\xa9 \xff\xfe\x80\xc3\x28</title>\0\0\r<x>\x7f</rss>\r\n"s;
}

std::string PatternBody(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        body[i] = static_cast<char>(i % 251);
    }
    return body;
}

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The three ways a reply can delimit its body.
enum class Framing { ContentLength, Chunked, CloseDelimited };

Behaviour BodyReply(Framing framing, const std::string& body) {
    switch (framing) {
        case Framing::ContentLength:
            return Behaviour::Reply("HTTP/1.1 200 OK", body);
        case Framing::Chunked:
            return Behaviour::ChunkedReply(body, 65536);
        case Framing::CloseDelimited:
            return Behaviour::Raw(ReplyHead("HTTP/1.1 200 OK", "Connection: close\r\n") + body);
    }
    return {};
}

const char* FramingName(Framing framing) {
    switch (framing) {
        case Framing::ContentLength:
            return "Content-Length";
        case Framing::Chunked:
            return "chunked";
        case Framing::CloseDelimited:
            return "close-delimited";
    }
    return "";
}

class CurlTransferTest : public testing::Test {
protected:
    // A proxy set in the test's environment must not take the loopback requests.
    static void SetUpTestSuite() {
        ::setenv("no_proxy", "127.0.0.1", 1);
        ::setenv("NO_PROXY", "127.0.0.1", 1);
    }

    struct Timed {
        std::optional<std::string> body;
        milliseconds elapsed;
    };
    static Timed TimedGet(CurlTransfer& transfer, const std::string& url) {
        const auto start = steady_clock::now();
        auto body = transfer.Get(url);
        return {std::move(body),
                std::chrono::duration_cast<milliseconds>(steady_clock::now() - start)};
    }

    LoopbackServer server_;
    CurlTransfer transfer_{TestLimit};
};

TEST_F(CurlTransferTest, ReturnsTheBodyByteForByteWhateverItsFraming) {
    const std::string body = HostileBody();
    const std::string labelled = "Content-Type: text/xml; charset=iso-8859-1\r\n";
    server_.Route("/length", Behaviour::Reply("HTTP/1.1 200 OK", body, labelled));
    server_.Route("/chunked", Behaviour::ChunkedReply(body, 7));
    server_.Route("/close", BodyReply(Framing::CloseDelimited, body));
    server_.Route("/http10", Behaviour::Reply("HTTP/1.0 200 OK", body));
    server_.Route(
        "/slow", Behaviour{{SendSlowly{ReplyHead("HTTP/1.1 200 OK", "Connection: close\r\n") + body,
                                       3, 5ms}}});
    // Labelled as compressed but plain: handed over as it came, never decoded.
    server_.Route("/coded",
                  Behaviour::Reply("HTTP/1.1 200 OK", body, "Content-Encoding: gzip\r\n"));

    for (const char* path : {"/length", "/chunked", "/close", "/http10", "/slow", "/coded"}) {
        SCOPED_TRACE(path);
        const std::optional<std::string> got = transfer_.Get(server_.Url(path));
        ASSERT_TRUE(got.has_value()) << transfer_.LastError();
        EXPECT_EQ(*got, body);
        EXPECT_EQ(transfer_.LastError(), "");
    }
}

TEST_F(CurlTransferTest, RequestCarriesPathAndQueryExactlyAndAsksForNoContentCoding) {
    const std::string target = "/dataservices/notify?ver=1.0&msisdn=0803%20";
    server_.Route("/dataservices/notify", Behaviour::Reply("HTTP/1.1 200 OK", "<rss/>"));

    ASSERT_EQ(transfer_.Get(server_.Url(target)), "<rss/>");

    ASSERT_EQ(server_.RequestLines(), std::vector<std::string>{"GET " + target + " HTTP/1.1"});
    EXPECT_EQ(Lowercase(server_.RequestHeads().front()).find("accept-encoding"), std::string::npos);
}

TEST_F(CurlTransferTest, UsesTheProxyNamedInTheEnvironment) {
    // The server stands in for the proxy: a proxied request names the whole URL.
    server_.Enqueue(Behaviour::Reply("HTTP/1.1 200 OK", "<rss>via proxy</rss>"));
    const ScopedEnvironment proxy("http_proxy", server_.Url(""));

    EXPECT_EQ(transfer_.Get("http://notices.invalid:9090/dataservices/status?ver=1.0&msisdn=5"),
              "<rss>via proxy</rss>")
        << transfer_.LastError();
    EXPECT_EQ(server_.RequestLines(),
              std::vector<std::string>{
                  "GET http://notices.invalid:9090/dataservices/status?ver=1.0&msisdn=5 HTTP/1.1"});
}

TEST_F(CurlTransferTest, EmptySuccessfulBodyIsAnEmptyString) {
    server_.Route("/length", Behaviour::Reply("HTTP/1.1 200 OK", ""));
    server_.Route("/chunked", Behaviour::ChunkedReply(""));
    server_.Route("/nocontent", Behaviour::Raw(ReplyHead("HTTP/1.1 204 No Content", "")));

    for (const char* path : {"/length", "/chunked", "/nocontent"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(transfer_.Get(server_.Url(path)), std::optional<std::string>(""))
            << transfer_.LastError();
    }
}

TEST_F(CurlTransferTest, FinalStatusOutsideTwoHundredsFails) {
    const std::string feed = "<rss><item><description>stale notice</description></item></rss>";
    const std::vector<std::string> statusLines = {"HTTP/1.1 404 Not Found",
                                                  "HTTP/1.1 500 Internal Server Error",
                                                  "HTTP/1.1 503 Service Unavailable",
                                                  "HTTP/1.1 302 Found",  // no Location to follow
                                                  "HTTP/1.1 304 Not Modified",
                                                  "HTTP/1.1 600 Beyond"};
    for (const std::string& statusLine : statusLines) {
        SCOPED_TRACE(statusLine);
        server_.Enqueue(Behaviour::Reply(statusLine, feed));
        EXPECT_EQ(transfer_.Get(server_.Url("/dataservices/notify?ver=1.0&msisdn=1")),
                  std::nullopt);
        EXPECT_NE(transfer_.LastError(), "");
    }
}

TEST_F(CurlTransferTest, RefusedConnectionFailsWithoutWaitingForTheLimit) {
    const RefusingPort port;
    ASSERT_NE(port.Port(), 0);

    const Timed result =
        TimedGet(transfer_, "http://127.0.0.1:" + std::to_string(port.Port()) + "/");

    EXPECT_EQ(result.body, std::nullopt);
    EXPECT_LT(result.elapsed, TestLimit);
    EXPECT_NE(transfer_.LastError(), "");
}

TEST_F(CurlTransferTest, StalledOrDrippingReplyEndsAtTheTimeLimit) {
    const std::string head =
        ReplyHead("HTTP/1.1 200 OK", "Content-Length: 400\r\nConnection: close\r\n");
    server_.Route("/headers", Behaviour{{Send{head}, Stall{LongStall}}});
    server_.Route("/silent", Behaviour{{Stall{LongStall}}});
    server_.Route("/halfbody", Behaviour{{Send{head + std::string(200, 'x')}, Stall{LongStall}}});
    // Always moving, never done: only a limit on the whole transfer ends it.
    server_.Route("/drip", Behaviour{{SendSlowly{head + std::string(400, 'x'), 1, 100ms}}});
    CurlTransfer transfer(ShortLimit);

    for (const char* path : {"/headers", "/silent", "/halfbody", "/drip"}) {
        SCOPED_TRACE(path);
        const Timed result = TimedGet(transfer, server_.Url(path));
        EXPECT_EQ(result.body, std::nullopt);
        EXPECT_LT(result.elapsed, ShortLimit + HangMargin);
        EXPECT_NE(transfer.LastError(), "");
    }
}

TEST_F(CurlTransferTest, SilentServerBeforeAnyRequestIsReadEndsAtTheTimeLimit) {
    server_.Enqueue(Behaviour{{Stall{LongStall}}, false});
    CurlTransfer transfer(ShortLimit);

    const Timed result = TimedGet(transfer, server_.Url("/"));

    EXPECT_EQ(result.body, std::nullopt);
    EXPECT_LT(result.elapsed, ShortLimit + HangMargin);
}

TEST_F(CurlTransferTest, ZeroLimitStillLimits) {
    // libcurl would read a zero time-out as none and wait out the whole stall.
    server_.Route("/", Behaviour{{Stall{LongStall}}});
    CurlTransfer transfer(0ms);

    const Timed result = TimedGet(transfer, server_.Url("/"));

    EXPECT_EQ(result.body, std::nullopt);
    EXPECT_LT(result.elapsed, HangMargin);
}

TEST_F(CurlTransferTest, GivenBodyCapIsHonoured) {
    CurlTransfer transfer(TestLimit, 16);
    server_.Route("/cap", Behaviour::ChunkedReply("0123456789abcdef", 5));
    server_.Route("/over", Behaviour::ChunkedReply("0123456789abcdefg", 5));

    EXPECT_EQ(transfer.Get(server_.Url("/cap")), "0123456789abcdef") << transfer.LastError();
    EXPECT_EQ(transfer.Get(server_.Url("/over")), std::nullopt);
}

TEST_F(CurlTransferTest, BodyOfExactlyTheCapIsReturnedAndOneByteMoreFails) {
    for (const Framing framing :
         {Framing::ContentLength, Framing::Chunked, Framing::CloseDelimited}) {
        SCOPED_TRACE(FramingName(framing));
        const std::string atCap = PatternBody(Cap);
        server_.Route("/cap", BodyReply(framing, atCap));
        server_.Route("/over", BodyReply(framing, PatternBody(Cap + 1)));

        const std::optional<std::string> got = transfer_.Get(server_.Url("/cap"));
        ASSERT_TRUE(got.has_value()) << transfer_.LastError();
        EXPECT_TRUE(*got == atCap) << "body of " << got->size() << " bytes differs";

        EXPECT_EQ(transfer_.Get(server_.Url("/over")), std::nullopt);
        EXPECT_NE(transfer_.LastError(), "");
    }
}

TEST_F(CurlTransferTest, OversizedBodyIsRefusedBeforeItArrives) {
    // A declared length over the cap fails on the headers, without waiting for the body.
    server_.Route("/declared",
                  Behaviour{{Send{ReplyHead("HTTP/1.1 200 OK",
                                            "Content-Length: " + std::to_string(Cap + 1) + "\r\n")},
                             Stall{LongStall}}});
    // Without a declared length the transfer stops as soon as the cap is passed.
    server_.Route("/endless",
                  Behaviour{{Send{ReplyHead("HTTP/1.1 200 OK", "Connection: close\r\n") +
                                  PatternBody(Cap + 4096)},
                             Stall{LongStall}}});

    for (const char* path : {"/declared", "/endless"}) {
        SCOPED_TRACE(path);
        const Timed result = TimedGet(transfer_, server_.Url(path));
        EXPECT_EQ(result.body, std::nullopt);
        EXPECT_LT(result.elapsed, TestLimit);
    }
}

TEST_F(CurlTransferTest, RedirectToAnotherPathIsFollowed) {
    server_.Route("/target", Behaviour::Reply("HTTP/1.1 200 OK", "<rss>moved</rss>"));
    const std::vector<std::string> locations = {"/target", server_.Url("/target?from=abs")};
    for (const int status : {301, 302, 303, 307, 308}) {
        for (const std::string& location : locations) {
            SCOPED_TRACE(std::to_string(status) + " to " + location);
            server_.Route("/start", Behaviour::Redirect(location, status));
            const std::size_t before = server_.RequestLines().size();

            EXPECT_EQ(transfer_.Get(server_.Url("/start")), "<rss>moved</rss>")
                << transfer_.LastError();

            const std::vector<std::string> lines = server_.RequestLines();
            ASSERT_EQ(lines.size(), before + 2);
            EXPECT_EQ(lines[before], "GET /start HTTP/1.1");
            EXPECT_EQ(lines[before + 1].substr(0, 11), "GET /target");
        }
    }
}

TEST_F(CurlTransferTest, FollowsFiveRedirectsButNotSix) {
    // /hop<n> redirects to /hop<n-1>; /hop0 answers.
    server_.Route("/hop0", Behaviour::Reply("HTTP/1.1 200 OK", "end of chain"));
    for (int hop = 1; hop <= 6; ++hop) {
        server_.Route("/hop" + std::to_string(hop),
                      Behaviour::Redirect("/hop" + std::to_string(hop - 1)));
    }

    EXPECT_EQ(transfer_.Get(server_.Url("/hop5")), "end of chain") << transfer_.LastError();
    EXPECT_EQ(transfer_.Get(server_.Url("/hop6")), std::nullopt);
    EXPECT_NE(transfer_.LastError(), "");
}

TEST_F(CurlTransferTest, RedirectToAnotherSchemeFails) {
    const std::string port = std::to_string(server_.Port());
    const std::vector<std::string> locations = {
        "file:///etc/hostname", "ftp://127.0.0.1:" + port + "/notice",
        "gopher://127.0.0.1:" + port + "/", "dict://127.0.0.1:" + port + "/d:x",
        "telnet://127.0.0.1:" + port};
    for (const std::string& location : locations) {
        SCOPED_TRACE(location);
        server_.Enqueue(Behaviour::Redirect(location));
        const std::size_t before = server_.Connections();

        EXPECT_EQ(transfer_.Get(server_.Url("/start")), std::nullopt);
        EXPECT_NE(transfer_.LastError(), "");
        EXPECT_EQ(server_.Connections(), before + 1) << "the redirect target was contacted";
    }
}

TEST_F(CurlTransferTest, UrlsOfOtherSchemesOrWithNulBytesAreNotFetched) {
    using std::string_literals::operator""s;
    const std::string port = std::to_string(server_.Port());
    server_.Route("/a", Behaviour::Reply("HTTP/1.1 200 OK", "cut short"));
    const std::vector<std::string> urls = {"file:///etc/hostname", "ftp://127.0.0.1:" + port + "/a",
                                           "", "http://127.0.0.1:" + port + "/a\0b"s,
                                           "http://127.0.0.1:" + port + "/a\0"s};
    for (const std::string& url : urls) {
        SCOPED_TRACE(url);
        EXPECT_EQ(transfer_.Get(url), std::nullopt);
        EXPECT_NE(transfer_.LastError(), "");
    }
    EXPECT_EQ(server_.Connections(), 0U);
}

TEST_F(CurlTransferTest, TruncatedOrDroppedReplyFails) {
    const std::string head =
        ReplyHead("HTTP/1.1 200 OK", "Content-Length: 100\r\nConnection: close\r\n");
    const std::string chunkedHead =
        ReplyHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\nConnection: close\r\n");
    const std::vector<std::pair<const char*, Behaviour>> cases = {
        {"closed at accept", Behaviour::CloseAtOnce()},
        {"reset at accept", Behaviour{{Reset{}}, false}},
        {"closed after the request", Behaviour{}},
        {"reset after the request", Behaviour{{Reset{}}}},
        {"closed inside the headers", Behaviour::Raw("HTTP/1.1 200 OK\r\nContent-Le")},
        {"closed short of Content-Length", Behaviour::Raw(head + "<rss>only ten")},
        {"reset short of Content-Length", Behaviour{{Send{head + "<rss>only ten"}, Reset{}}}},
        {"chunked without its last chunk", Behaviour::Raw(chunkedHead + "a\r\n<rss>0123\r\n")},
        {"chunked cut inside a chunk", Behaviour::Raw(chunkedHead + "ff\r\n<rss>")},
        {"reset without a declared length",
         Behaviour{{Send{ReplyHead("HTTP/1.1 200 OK", "") + "<rss>partial"}, Reset{}}}},
        {"not HTTP", Behaviour::Raw("SSH-2.0-OpenSSH_9.2\r\n\r\n")},
        {"bare body", Behaviour::Raw("<rss>no status line</rss>\r\n")},
    };
    for (const auto& [name, behaviour] : cases) {
        SCOPED_TRACE(name);
        server_.Enqueue(behaviour);
        EXPECT_EQ(transfer_.Get(server_.Url("/dataservices/notify")), std::nullopt);
        EXPECT_NE(transfer_.LastError(), "");
    }
}

TEST_F(CurlTransferTest, SuccessClearsTheErrorOfAFailure) {
    server_.Enqueue(Behaviour::Reply("HTTP/1.1 500 Internal Server Error", "down"));
    server_.Enqueue(Behaviour::Reply("HTTP/1.1 200 OK", "up"));

    EXPECT_EQ(transfer_.Get(server_.Url("/")), std::nullopt);
    EXPECT_NE(transfer_.LastError(), "");
    EXPECT_EQ(transfer_.Get(server_.Url("/")), "up");
    EXPECT_EQ(transfer_.LastError(), "");
}

}  // namespace
}  // namespace tarvolin::test
