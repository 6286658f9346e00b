// The /faults/ paths: each answers a plain GET in one chosen way, well-formed or broken, so
// that the tests of any HTTP client can ask for it (README.md lists them). The well-formed
// replies go through httplib; the broken ones are written to the socket by hand.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "Connection.h"
#include "FeedServer.h"

namespace tarvolin::feed {

namespace {

constexpr const char* BytesType = "application/octet-stream";
constexpr std::size_t MaxBodyBytes = std::size_t{64} << 20U;
constexpr std::size_t ChunkBytes = std::size_t{64} * 1024;
constexpr std::chrono::milliseconds HoldPoll{200};

// A fault path split up: "drip/100/300" is mode "drip", number 100 and rest "300".
struct FaultPath {
    std::string_view mode;
    std::optional<std::size_t> number;
    std::string_view rest;
};

std::optional<std::size_t> ParseCount(std::string_view text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

FaultPath Split(std::string_view pathText) {
    FaultPath path;
    const auto slash = pathText.find('/');
    path.mode = pathText.substr(0, slash);
    if (slash == std::string_view::npos) return path;
    const std::string_view arguments = pathText.substr(slash + 1);
    const auto next = arguments.find('/');
    path.number = ParseCount(arguments.substr(0, next));
    if (next != std::string_view::npos) path.rest = arguments.substr(next + 1);
    if (!path.number) path.rest = arguments;
    return path;
}

// Every sized body: byte i is i modulo 256, so NULs, CR, LF and bytes that are not UTF-8 occur.
std::string PatternBytes(std::size_t from, std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((from + i) % 256);
    return bytes;
}
std::string PatternBody(std::size_t size) { return PatternBytes(0, size); }

std::string RawHead(std::string_view fields) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n" + std::string(fields) +
           "\r\n";
}

std::string LengthField(std::size_t length) {
    return "Content-Length: " + std::to_string(length) + "\r\n";
}

}  // namespace

void FeedServer::AddFaultRoutes() {
    // An absolute target ("http://host/faults/...") is taken too, so that the service can
    // stand in for a proxy.
    server_.Get(R"((?:http://[^/]+)?/faults/(.*))",
                [this](const httplib::Request& request, httplib::Response& response) {
                    const std::string pathText = request.matches[1];
                    std::string outcome = ServeFault(pathText, request, response);
                    if (outcome.empty()) {
                        response.status = 404;
                        response.set_content("unknown fault\n", "text/plain; charset=utf-8");
                        outcome = "404 unknown fault";
                    }
                    Log(request, outcome);
                });
}

std::string FeedServer::ServeFault(std::string_view pathText, const httplib::Request& request,
                                   httplib::Response& response) {
    const FaultPath path = Split(pathText);
    if (path.number && *path.number > MaxBodyBytes) return {};
    std::string outcome = ServeFormedFault(path.mode, path.number, path.rest, response);
    if (outcome.empty()) outcome = ServeBrokenFault(path.mode, path.number, path.rest, request);
    if (outcome.empty()) outcome = ServeFloodFault(path.mode, path.number, path.rest, request);
    return outcome;
}

std::string FeedServer::ServeFormedFault(std::string_view mode, std::optional<std::size_t> number,
                                         std::string_view rest, httplib::Response& response) {
    const std::size_t size = number.value_or(0);
    if (mode == "feed" && !number) {
        response.set_content(NotifyReply(state_.NoticeFor("")), "application/rss+xml");
    } else if (mode == "empty" && !number) {
        response.set_content("", BytesType);
    } else if (mode == "status" && size >= 200 && size <= 599 && rest.empty()) {
        response.status = static_cast<int>(size);
        response.set_content(NotifyReply(state_.NoticeFor("")), "application/rss+xml");
    } else if ((mode == "bytes" || mode == "coded") && number && rest.empty()) {
        response.set_content(PatternBody(size), BytesType);
        if (mode == "coded") response.set_header("Content-Encoding", "gzip");
    } else if (mode == "chunked" && number && rest.empty()) {
        response.set_chunked_content_provider(
            BytesType, [size](std::size_t offset, httplib::DataSink& sink) {
                const std::string piece = PatternBytes(offset, std::min(ChunkBytes, size - offset));
                if (!piece.empty() && !sink.write(piece.data(), piece.size())) return false;
                if (offset + piece.size() == size) sink.done();
                return true;
            });
    } else if (mode == "redirect" && size >= 1 && !rest.empty()) {
        response.set_redirect(size == 1 ? "/" + std::string(rest)
                                        : "/faults/redirect/" + std::to_string(size - 1) + "/" +
                                              std::string(rest));
    } else if (mode == "redirect-to" && !number && !rest.empty()) {
        response.set_redirect(std::string(rest) + "://127.0.0.1:" + std::to_string(port_) +
                              "/faults/feed");
    } else {
        return {};
    }
    return std::to_string(response.status < 0 ? 200 : response.status) +
           " fault=" + std::string(mode);
}

std::string FeedServer::ServeBrokenFault(std::string_view mode, std::optional<std::size_t> number,
                                         std::string_view rest, const httplib::Request& request) {
    const Connection connection(request);
    const std::size_t size = number.value_or(0);
    const auto hold = [&] {
        while (state_.Pause(HoldPoll) && !connection.PeerGone()) {
        }
    };
    if (mode == "close" && number && rest.empty()) {
        connection.Send(RawHead("Connection: close\r\n") + PatternBody(size));
    } else if (mode == "cut" && number && rest.empty()) {
        connection.Send(RawHead(LengthField(size)) + PatternBody(size / 2));
    } else if (mode == "declared" && number && rest.empty()) {
        if (connection.Send(RawHead(LengthField(size)))) hold();
    } else if (mode == "unended" && number && rest.empty()) {
        if (connection.Send(RawHead("Connection: close\r\n") + PatternBody(size))) hold();
    } else if (mode == "drip" && number) {
        const auto length = std::min(ParseCount(rest).value_or(0), MaxBodyBytes);
        const std::string body = PatternBody(length);
        bool sending = connection.Send(RawHead(LengthField(length)));
        for (std::size_t i = 0; sending && i < length; ++i)
            sending = state_.Pause(std::chrono::milliseconds(size)) &&
                      connection.Send(std::string_view(body).substr(i, 1));
    } else if (mode == "stall" && !number) {
        hold();
    } else if (mode == "raw" && rest == "garbage-status") {
        connection.Send("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n");
    } else if (mode == "raw" && rest == "headers-cut") {
        connection.Send("HTTP/1.1 200 OK\r\nContent-Type: application/octet-st");
    } else if (mode != "drop" || number) {  // drop: closed with nothing written
        return {};
    }
    // The connection ends here; what httplib writes after this never reaches the client.
    connection.Drop();
    return "written by hand, then closed: fault=" + std::string(mode);
}

}  // namespace tarvolin::feed
