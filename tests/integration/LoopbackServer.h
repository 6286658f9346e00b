#pragma once
// A scriptable HTTP server on 127.0.0.1 for tests of the transfer: each connection plays a
// behaviour (raw bytes, stalls, slow sends, abrupt closes and resets) chosen by the request's
// path or taken from a queue, and every request head it reads is recorded.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "tests/integration/UniqueFd.h"

namespace tarvolin::test {

// Steps of a behaviour, played in order on the connection.
struct Send {
    std::string bytes;
};
struct SendSlowly {
    std::string bytes;
    std::size_t chunkSize = 1;
    std::chrono::milliseconds pause{10};  // between two chunks
};
struct Stall {
    std::chrono::milliseconds duration;
};
// Ends the connection with a TCP reset (SO_LINGER 0) instead of an orderly close.
struct Reset {};
using Step = std::variant<Send, SendSlowly, Stall, Reset>;

struct Behaviour {
    std::vector<Step> steps;
    // false: play the steps as soon as the connection is accepted, without reading the request.
    bool readRequest = true;

    // A complete reply: status line, the given header lines, Content-Length and the body.
    static Behaviour Reply(std::string_view statusLine, std::string_view body,
                           std::string_view extraHeaders = "");
    // A reply whose body is sent in chunked transfer coding.
    static Behaviour ChunkedReply(std::string_view body, std::size_t chunkSize = 4096);
    static Behaviour Redirect(std::string_view location, int status = 302);
    // The bytes exactly as given, then an orderly close.
    static Behaviour Raw(std::string bytes);
    // Accepts the connection and closes it at once.
    static Behaviour CloseAtOnce();
};

// The status line, header lines and blank line of a reply; headers end in "\r\n" each.
std::string ReplyHead(std::string_view statusLine, std::string_view headers);
// The body in chunked transfer coding, with its last chunk.
std::string Chunked(std::string_view body, std::size_t chunkSize);

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();

    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    LoopbackServer(LoopbackServer&&) = delete;
    LoopbackServer& operator=(LoopbackServer&&) = delete;

    // Every request for this path (the target before any '?') plays the behaviour.
    void Route(std::string path, Behaviour behaviour);
    // Connections that no route claims take queued behaviours one at a time, in order;
    // with the queue empty they get a 404. A queued behaviour that does not read the request
    // is taken by the next connection as soon as it is accepted.
    void Enqueue(Behaviour behaviour);

    [[nodiscard]] std::uint16_t Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the target.
    [[nodiscard]] std::string Url(std::string_view target) const;

    // The request lines read so far ("GET /path HTTP/1.1"), in arrival order.
    [[nodiscard]] std::vector<std::string> RequestLines() const;
    // The whole request heads, request line and header lines.
    [[nodiscard]] std::vector<std::string> RequestHeads() const;
    // Connections accepted so far, whether or not a request was read.
    [[nodiscard]] std::size_t Connections() const;

private:
    void AcceptLoop();
    void Serve(UniqueFd socket);
    Behaviour Choose(std::string_view target);

    UniqueFd listener_;
    UniqueFd wakeRead_;  // becomes readable when the server stops
    UniqueFd wakeWrite_;
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    std::map<std::string, Behaviour, std::less<>> routes_;
    std::deque<Behaviour> queue_;
    std::vector<std::string> requestHeads_;
    std::size_t connections_ = 0;
    std::vector<std::thread> connectionThreads_;

    std::thread acceptThread_;  // last: starts once everything above exists
};

}  // namespace tarvolin::test
