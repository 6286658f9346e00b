// The WinINet transfer against a real server on loopback.

#include <chrono>
#include <gtest/gtest.h>
#include <string>

#include "runtime/win32/WinInetTransfer.h"
#include "tests/wine/LoopbackServer.h"

namespace tarvolin::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t SmallCap = 4096;

TransferLimits ShortLimits() {
    TransferLimits limits;
    limits.timeout = 1500ms;
    limits.maxBodyBytes = SmallCap;
    return limits;
}

TEST(WinInetTransfer, ReturnsTheBodyBytesOfA200UnchangedAndSendsAPlainGet) {
    const std::string body("line one\r\nbyte \xE9\xFF and a NUL \0 inside\n", 36);
    LoopbackServer server([&](const std::string&) { return Reply(200, body); });
    WinInetTransfer transfer(ShortLimits());

    const auto result = transfer.Get(server.Url("/dataservices/notify?ver=1.0&msisdn=0803"));

    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, body);
    EXPECT_EQ(transfer.LastFailure(), TransferFailure::None);
    ASSERT_EQ(server.Requests().size(), 1U);
    const std::string head = server.Requests()[0];
    EXPECT_EQ(head.substr(0, head.find("\r\n")),
              "GET /dataservices/notify?ver=1.0&msisdn=0803 HTTP/1.1");
    EXPECT_EQ(head.find("Cookie:"), std::string::npos);
}

TEST(WinInetTransfer, AnEmptyBodyIsAnEmptyStringNotAFailure) {
    for (const int status : {200, 204}) {
        LoopbackServer server([&](const std::string&) { return Reply(status, ""); });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_EQ(transfer.Get(server.Url("/")), std::optional<std::string>("")) << status;
    }
}

TEST(WinInetTransfer, StatusesOutside2xxAreFailuresEvenWithABody) {
    for (const int status : {304, 400, 404, 500, 503}) {
        LoopbackServer server([&](const std::string&) { return Reply(status, "<error page>"); });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_FALSE(transfer.Get(server.Url("/")).has_value()) << status;
        EXPECT_EQ(transfer.LastFailure(), TransferFailure::HttpStatus) << status;
        EXPECT_EQ(transfer.LastStatus(), static_cast<unsigned>(status));
    }
}

TEST(WinInetTransfer, FollowsRelativeAndAbsoluteRedirectsUpToFive) {
    std::string serverBase;
    LoopbackServer server([&](const std::string& target) {
        // /hop/N redirects to /hop/N-1, alternating absolute and relative locations;
        // /hop/0 answers.
        const int n = std::stoi(target.substr(5));
        if (n == 0) return Reply(200, "arrived");
        const std::string next = "/hop/" + std::to_string(n - 1);
        const std::string location = (n % 2 == 0) ? serverBase + next : next;
        return Reply(n % 2 == 0 ? 302 : 301, "", "Location: " + location + "\r\n");
    });
    serverBase = server.Url("");

    WinInetTransfer transfer(ShortLimits());
    EXPECT_EQ(transfer.Get(server.Url("/hop/5")), std::optional<std::string>("arrived"));
    EXPECT_EQ(server.Requests().size(), 6U);

    EXPECT_FALSE(transfer.Get(server.Url("/hop/6")).has_value());
    EXPECT_EQ(transfer.LastFailure(), TransferFailure::TooManyRedirects);
}

TEST(WinInetTransfer, RefusesRedirectsToOtherSchemesOrWithoutALocation) {
    const struct {
        const char* headers;
    } cases[] = {
        {"Location: ftp://127.0.0.1/file\r\n"},
        {"Location: file:///C:/windows/win.ini\r\n"},
        {""},
    };
    for (const auto& c : cases) {
        LoopbackServer server([&](const std::string&) { return Reply(302, "", c.headers); });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_FALSE(transfer.Get(server.Url("/")).has_value()) << c.headers;
        EXPECT_EQ(transfer.LastFailure(), TransferFailure::RedirectRefused) << c.headers;
    }
}

TEST(WinInetTransfer, BodiesOverTheCapFailWithOrWithoutALength) {
    const std::string atCap(SmallCap, 'x');
    const std::string overCap(SmallCap + 1, 'x');
    {
        LoopbackServer server([&](const std::string&) { return Reply(200, atCap); });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_EQ(transfer.Get(server.Url("/")), std::optional<std::string>(atCap));
    }
    {
        LoopbackServer server([&](const std::string&) { return Reply(200, overCap); });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_FALSE(transfer.Get(server.Url("/")).has_value());
        EXPECT_EQ(transfer.LastFailure(), TransferFailure::TooLarge);
    }
    {
        // No Content-Length: the body ends when the server closes the connection.
        LoopbackServer server([&](const std::string&) {
            ScriptedReply reply;
            reply.head = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
            reply.body = overCap;
            return reply;
        });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_FALSE(transfer.Get(server.Url("/")).has_value());
        EXPECT_EQ(transfer.LastFailure(), TransferFailure::TooLarge);
    }
}

TEST(WinInetTransfer, AServerThatStallsTimesOutBeforeOrInsideTheBody) {
    for (const std::size_t sent : {std::size_t{0}, std::size_t{5}}) {
        LoopbackServer server([&](const std::string&) {
            ScriptedReply reply = Reply(200, "0123456789");
            reply.sentBodyBytes = sent;
            reply.stallAfterSent = true;
            reply.stallBeforeReply = sent == 0;  // not even a status line
            return reply;
        });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_FALSE(transfer.Get(server.Url("/")).has_value()) << sent;
        EXPECT_EQ(transfer.LastFailure(), TransferFailure::TimedOut) << sent;
    }
}

TEST(WinInetTransfer, TheTimeLimitCoversTheWholeRequestNotEachRead) {
    // Every byte arrives well within the limit, the whole body does not.
    LoopbackServer server([](const std::string&) {
        ScriptedReply reply = Reply(200, std::string(40, 'x'));
        reply.trickle = 100ms;
        return reply;
    });
    TransferLimits limits = ShortLimits();
    limits.timeout = 1000ms;
    WinInetTransfer transfer(limits);
    EXPECT_FALSE(transfer.Get(server.Url("/")).has_value());
    EXPECT_EQ(transfer.LastFailure(), TransferFailure::TimedOut);
}

TEST(WinInetTransfer, DroppedAndCutOffConnectionsAreFailures) {
    {
        LoopbackServer server([](const std::string&) {
            ScriptedReply reply;
            reply.dropWithoutReply = true;
            return reply;
        });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_FALSE(transfer.Get(server.Url("/")).has_value());
        EXPECT_EQ(transfer.LastFailure(), TransferFailure::ConnectionFailed);
    }
    {
        LoopbackServer server([](const std::string&) {
            ScriptedReply reply = Reply(200, std::string(100, 'x'));
            reply.sentBodyBytes = 10;
            return reply;
        });
        WinInetTransfer transfer(ShortLimits());
        EXPECT_FALSE(transfer.Get(server.Url("/")).has_value());
        EXPECT_EQ(transfer.LastFailure(), TransferFailure::ConnectionFailed);
    }
}

TEST(WinInetTransfer, NothingListeningFailsAtOnce) {
    WinInetTransfer transfer(ShortLimits());
    EXPECT_FALSE(
        transfer.Get("http://127.0.0.1:" + std::to_string(UnusedPort()) + "/").has_value());
    EXPECT_EQ(transfer.LastFailure(), TransferFailure::ConnectionFailed);
}

TEST(WinInetTransfer, OnlyAbsoluteHttpAndHttpsUrlsAreRequested) {
    WinInetTransfer transfer(ShortLimits());
    for (const char* url :
         {"", "dataservices/notify", "ftp://127.0.0.1/", "file:///C:/x", "http://"}) {
        EXPECT_FALSE(transfer.Get(url).has_value()) << url;
        EXPECT_EQ(transfer.LastFailure(), TransferFailure::BadUrl) << url;
    }
}

}  // namespace
}  // namespace tarvolin::testing
