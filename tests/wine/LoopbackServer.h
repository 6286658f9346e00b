#pragma once
// A small HTTP server on 127.0.0.1 for the WinINet tests: it answers each connection, one
// at a time, with what the test scripted for it.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <winsock2.h>

namespace tarvolin::testing {

// What the server does with one connection, after reading the request's head.
struct ScriptedReply {
    std::string head;  // status line and headers, without the blank line
    std::string body;
    // Bytes of the body sent before the server stalls or drops the connection (all if
    // larger than the body).
    std::size_t sentBodyBytes = static_cast<std::size_t>(-1);
    bool stallAfterSent = false;          // then hold the connection open until stopped
    std::chrono::milliseconds trickle{};  // pause between single body bytes (0: send at once)
    bool dropWithoutReply = false;        // close as soon as the request is read
    bool stallBeforeReply = false;        // send nothing, hold the connection until stopped
};

// A complete reply: the status line, the given headers, Content-Length and the body.
ScriptedReply Reply(int status, std::string body, const std::string& extraHeaders = "");

class LoopbackServer {
public:
    // `script` picks the reply to each request from its request target ("/path?query").
    explicit LoopbackServer(std::function<ScriptedReply(const std::string& target)> script);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return port_; }
    [[nodiscard]] std::string Url(const std::string& target) const;
    // The request heads received so far, in order.
    [[nodiscard]] std::vector<std::string> Requests() const;

private:
    void Serve();
    void Answer(SOCKET client);
    bool WaitForStop(std::chrono::milliseconds time);

    std::function<ScriptedReply(const std::string&)> script_;
    std::uint16_t port_ = 0;  // before listener_: set while the listener is made
    SOCKET listener_ = INVALID_SOCKET;
    mutable std::mutex mutex_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A loopback port that nothing listens on (bound, then released).
[[nodiscard]] std::uint16_t UnusedPort();

}  // namespace tarvolin::testing
