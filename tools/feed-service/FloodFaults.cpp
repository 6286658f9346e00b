// The /faults/ paths of a hostile service: replies that never end, header sections of a chosen
// size or number of fields, bodies in 1-byte chunks, interim replies before the answer. All are
// written to the socket by hand; the endless ones go on until the client goes or the service
// stops.

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "Connection.h"
#include "FeedServer.h"

namespace tarvolin::feed {

namespace {

constexpr std::size_t BatchBytes = std::size_t{16} * 1024;
constexpr std::size_t MaxFields = 1'000'000;
constexpr std::size_t FillFieldBytes = 1000;  // short enough for any client's line buffer

constexpr std::string_view ChunkedHead =
    "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
    "Transfer-Encoding: chunked\r\n\r\n";

char PatternByte(std::size_t i) { return static_cast<char>(i % 256); }

std::string PatternBytes(std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = PatternByte(i);
    return bytes;
}

// `count` bytes of the pattern from `from` on, each in a chunk of its own: "1\r\nX\r\n".
std::string TinyChunks(std::size_t from, std::size_t count) {
    std::string chunks;
    chunks.reserve(count * 6);
    for (std::size_t i = from; i < from + count; ++i) {
        chunks += "1\r\n";
        chunks += PatternByte(i);
        chunks += "\r\n";
    }
    return chunks;
}

// A header section of exactly `size` bytes, status line and final empty line included, for a
// body of 16 pattern bytes; too small a size gets the smallest section there is.
std::string HeaderOfSize(std::size_t size) {
    std::string head =
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
        "Content-Length: 16\r\n";
    std::size_t left = size > head.size() + 2 ? size - head.size() - 2 : 0;
    for (int field = 0; left > 0; ++field) {
        const std::string name = "X-Fill-" + std::to_string(field) + ": ";
        std::size_t take = std::min(left, FillFieldBytes);
        if (left > take && left - take < 40) take = left - 40;  // room left for one more field
        if (take < name.size() + 2) break;
        head += name + std::string(take - name.size() - 2, 'f') + "\r\n";
        left -= take;
    }
    return head + "\r\n";
}

std::optional<std::size_t> Count(std::string_view text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string_view InterimHead(std::size_t code) {
    switch (code) {
        case 100:
            return "HTTP/1.1 100 Continue\r\n\r\n";
        case 101:
            return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: "
                   "Upgrade\r\n\r\n";
        case 103:
            return "HTTP/1.1 103 Early Hints\r\nLink: </feed.css>; rel=preload\r\n\r\n";
        default:
            return "HTTP/1.1 199 Interim\r\n\r\n";
    }
}

}  // namespace

std::string FeedServer::ServeFloodFault(std::string_view mode, std::optional<std::size_t> number,
                                        std::string_view rest, const httplib::Request& request) {
    const Connection connection(request);
    // Sends `head`, then `next(batch)` for batch 0, 1, ... until the client goes, the service
    // stops, or `batches` have gone.
    const auto flood = [&](std::string_view head, const auto& next,
                           std::size_t batches = std::string::npos) {
        bool sending = connection.Send(head);
        for (std::size_t batch = 0; sending && batch < batches && !state_.Stopping(); ++batch)
            sending = connection.Send(next(batch));
        return sending;
    };
    const std::string filler(BatchBytes, 'a');
    const std::size_t size = number.value_or(0);
    // 1-byte chunks in a batch: a whole number of pattern cycles, so that every full batch is
    // the same bytes, made once.
    constexpr std::size_t PerBatch = BatchBytes / 6 / 256 * 256;
    const std::string fullBatch = TinyChunks(0, PerBatch);
    const auto tinyChunks = [&](std::size_t batch) {
        const std::size_t left = size - batch * PerBatch;
        return left >= PerBatch ? fullBatch : TinyChunks(0, left);
    };
    if (mode == "endless" && rest == "chunks") {
        flood(ChunkedHead, [&](std::size_t) { return std::string_view(fullBatch); });
    } else if (mode == "tiny-chunks" && number && rest.empty()) {
        // Sent as it is made, so that the client reads while the rest is still being made.
        if (flood(ChunkedHead, tinyChunks, (size + PerBatch - 1) / PerBatch))
            connection.Send("0\r\n\r\n");
    } else if (mode == "endless" && rest == "header-line") {
        flood("HTTP/1.1 200 OK\r\nX-Endless: ",
              [&](std::size_t) { return std::string_view(filler); });
    } else if (mode == "endless" && rest == "chunk-size") {
        flood(ChunkedHead, [zeros = std::string(BatchBytes, '0')](std::size_t) { return zeros; });
    } else if (mode == "endless" && rest == "trailer") {
        flood(std::string(ChunkedHead) + "0\r\nX-Trailer: ",
              [&](std::size_t) { return std::string_view(filler); });
    } else if (mode == "endless" && rest == "interim") {
        flood("", [](std::size_t) { return std::string(InterimHead(100)); });
    } else if (mode == "header-bytes" && number && rest.empty()) {
        connection.Send(HeaderOfSize(size) + PatternBytes(16));
    } else if (mode == "fields" && number && size <= MaxFields && rest.empty()) {
        std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 16\r\n";
        for (std::size_t field = 0; field < size; ++field)
            reply += "X-F" + std::to_string(field) + ": 1\r\n";
        connection.Send(reply + "\r\n" + PatternBytes(16));
    } else if (const auto length = Count(rest);
               mode == "interim" && size >= 100 && size <= 199 && length && *length <= MaxFields) {
        const std::string body = PatternBytes(*length);
        connection.Send(std::string(InterimHead(size)) +
                        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                        "Content-Length: " +
                        std::to_string(body.size()) + "\r\n\r\n" + body);
    } else {
        return {};
    }
    connection.Drop();
    return "written by hand, then closed: fault=" + std::string(mode);
}

}  // namespace tarvolin::feed
