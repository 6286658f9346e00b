#pragma once
// Reads the reply to one GET as its bytes arrive, and holds it to the transfer's bounds
// whatever the service sends: at most the cap of header section per reply, at most the cap of
// decoded body bytes counted as they arrive (with a length, in chunks of any size, or until
// the connection closes), a bounded input buffer (a chunk-size line or a trailer that never
// ends fails when it fills), and a few interim 1xx replies skipped before the final one.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvolin {

class HttpReplyReader {
public:
    // Interim replies (100 Continue, 103 Early Hints, ...) skipped before the final one.
    static constexpr int MaxInterimReplies = 8;

    enum class State {
        Reading,   // more bytes are needed
        Answered,  // the final reply is known: a 2xx one with all of its body, any other with
                   // its header section (its body is not needed)
        Failed     // a broken or oversized reply, a 101 to a request that asked for no
                   // upgrade, too many interim replies, or one cut off
    };

    // The caps: of the header section of each reply (status line and final empty line
    // included), which is also the input buffer's size, and of the decoded body.
    HttpReplyReader(std::size_t maxHeaderBytes, std::size_t maxBodyBytes);
    ~HttpReplyReader();
    HttpReplyReader(const HttpReplyReader&) = delete;
    HttpReplyReader& operator=(const HttpReplyReader&) = delete;
    HttpReplyReader(HttpReplyReader&&) = delete;
    HttpReplyReader& operator=(HttpReplyReader&&) = delete;

    // Where the next bytes of the connection go; empty unless Reading.
    [[nodiscard]] std::span<char> Room();
    // `count` bytes were written to the start of Room().
    State Arrived(std::size_t count);
    // The connection was closed by the service: a body that ends with it is complete here.
    State Ended();

    // Of the final reply, once Answered.
    [[nodiscard]] int Status() const;
    [[nodiscard]] std::string_view Location() const;
    [[nodiscard]] std::string TakeBody();

private:
    struct Parser;
    State Settle();
    State Fail();

    std::size_t maxHeaderBytes_;
    std::size_t maxBodyBytes_;
    std::unique_ptr<Parser> parser_;
    std::vector<char> input_;  // maxHeaderBytes_ long: the bytes the parser has not yet taken
    std::size_t filled_ = 0;
    std::size_t headerBytes_ = 0;  // of the reply being read, taken by the parser so far
    int interimReplies_ = 0;
    State state_ = State::Reading;
};

}  // namespace tarvolin
