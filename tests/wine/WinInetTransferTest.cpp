// The WinINet transfer against real servers on loopback: what each kind of answer gives.

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <winsock2.h>

#include "runtime/win32/WinInetTransfer.h"

namespace tarvolin::testing {
namespace {

using namespace std::chrono_literals;

// A server on 127.0.0.1. It answers each connection with the bytes `answer` gives for the
// request's target and the server's own URL (none: closed unanswered). Without `answer` it
// never accepts, and connections complete all the same: a service that never answers.
class LoopbackServer {
public:
    using Answer = std::function<std::string(const std::string& target, const std::string& self)>;
    explicit LoopbackServer(const Answer& answer = nullptr) {
        sockaddr_in address{AF_INET, 0, {}, {}};
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        bind(socket_, reinterpret_cast<sockaddr*>(&address), length);
        listen(socket_, 8);
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        if (answer) thread_ = std::thread([this, answer] { Serve(answer); });
    }
    ~LoopbackServer() {
        closesocket(socket_);  // ends a waiting accept()
        if (thread_.joinable()) thread_.join();
        WSACleanup();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string url;

private:
    void Serve(const Answer& answer) const {
        for (SOCKET client{}; (client = accept(socket_, nullptr, nullptr)) != INVALID_SOCKET;) {
            std::string head(4096, '\0');
            head.resize(static_cast<std::size_t>(std::max(0, recv(client, head.data(), 4096, 0))));
            const std::size_t start = head.find(' ') + 1;  // "GET <target> HTTP/1.1"
            const std::string reply =
                answer(head.substr(start, head.find(' ', start) - start), url);
            send(client, reply.data(), static_cast<int>(reply.size()), 0);
            closesocket(client);
        }
    }

    WSADATA winsock_{};
    int started_ = WSAStartup(MAKEWORD(2, 2), &winsock_);
    SOCKET socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    std::thread thread_;
};

std::string Http(int status, const std::string& body, const std::string& headers = "") {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nConnection: close\r\n" + headers +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

constexpr std::size_t Cap = 4096;
const TransferLimits ShortLimits{1500ms, Cap, 5};
const std::string Body("line one\r\nbyte \xE9\xFF and a NUL \0 inside\n", 36);

struct Case {
    std::string target;
    std::string reply;  // /hop/N redirects to /hop/N-1, absolute and relative locations by turns
    std::optional<std::string> expected;
};
const std::vector<Case> Cases = {
    // clang-format off
    {"/ok",       Http(200, Body),                                        Body},
    {"/empty",    Http(200, ""),                                          ""},
    {"/404",      Http(404, "<error page>"),                              std::nullopt},
    {"/500",      Http(500, Body),                                        std::nullopt},
    {"/hop/5",    "",                                                     "arrived"},
    {"/hop/6",    "",                                                     std::nullopt},
    {"/to-ftp",   Http(302, "", "Location: ftp://127.0.0.1/x\r\n"),       std::nullopt},
    {"/full",     Http(200, std::string(Cap, 'x')),                       std::string(Cap, 'x')},
    {"/over-cap", Http(200, std::string(Cap + 1, 'x')),                   std::nullopt},
    {"/unsized",  "HTTP/1.1 200 OK\r\n\r\n" + std::string(Cap + 1, 'x'),    std::nullopt},
    {"/cut-off",  Http(200, std::string(100, 'x')).substr(0, 80),         std::nullopt},
    {"/drop",     "",                                                     std::nullopt},
    // clang-format on
};

std::string Answer(const std::string& target, const std::string& self) {
    if (target.starts_with("/hop/")) {
        const int n = std::stoi(target.substr(5));
        const std::string next = (n % 2 == 0 ? self : "") + "/hop/" + std::to_string(n - 1);
        return n == 0 ? Http(200, "arrived") : Http(301 + n % 2, "", "Location: " + next + "\r\n");
    }
    for (const Case& c : Cases) {
        if (c.target == target) return c.reply;
    }
    return "";
}

TEST(WinInetTransfer, EachKindOfAnswerGivesItsBodyOrNothing) {
    const LoopbackServer server(Answer);
    WinInetTransfer transfer(ShortLimits);
    for (const Case& c : Cases)
        EXPECT_EQ(transfer.Get(server.url + c.target), c.expected) << c.target;
}

// A service that takes the request and never answers times out at the limit; meanwhile the wait
// delivers the thread's messages, and a Get from inside it completes.
TEST(WinInetTransfer, AServiceThatNeverAnswersTimesOutWhileMessagesAndGetsInsideTheWaitRun) {
    // Statics, for the timer's plain callback: it runs inside the outer wait, as a Status
    // chosen from the menu while a poll hangs does.
    static const LoopbackServer server(Answer);
    static WinInetTransfer transfer(ShortLimits);
    static std::optional<std::string> nested;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        nested = transfer.Get(server.url + "/ok");
    });
    const LoopbackServer silent;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(transfer.Get(silent.url + "/stall"), std::nullopt);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(waited >= 1400ms && waited < 5s);
    EXPECT_EQ(nested, Body);
}

}  // namespace
}  // namespace tarvolin::testing
