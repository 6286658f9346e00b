// The scripted loopback server, on Winsock.

#include "tests/wine/LoopbackServer.h"

#include <stdexcept>
#include <ws2tcpip.h>

namespace tarvolin::testing {

namespace {

class WinsockUser {
public:
    WinsockUser() {
        WSADATA data{};
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup");
    }
    ~WinsockUser() { WSACleanup(); }
    WinsockUser(const WinsockUser&) = delete;
    WinsockUser& operator=(const WinsockUser&) = delete;
};

void EnsureWinsock() { static const WinsockUser user; }

SOCKET ListenOnLoopback(std::uint16_t& port) {
    EnsureWinsock();
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) throw std::runtime_error("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 8) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener);
        throw std::runtime_error("bind/listen");
    }
    port = ntohs(address.sin_port);
    return listener;
}

bool SendAll(SOCKET socket, const char* data, std::size_t size) {
    while (size > 0) {
        const int sent = send(socket, data, static_cast<int>(size), 0);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

ScriptedReply Reply(int status, std::string body, const std::string& extraHeaders) {
    ScriptedReply reply;
    reply.head = "HTTP/1.1 " + std::to_string(status) + " Scripted\r\nConnection: close\r\n" +
                 extraHeaders + "Content-Length: " + std::to_string(body.size()) + "\r\n";
    reply.body = std::move(body);
    return reply;
}

LoopbackServer::LoopbackServer(std::function<ScriptedReply(const std::string&)> script)
    : script_(std::move(script)), listener_(ListenOnLoopback(port_)) {
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    closesocket(listener_);  // ends a waiting accept()
    thread_.join();
}

std::string LoopbackServer::Url(const std::string& target) const {
    return "http://127.0.0.1:" + std::to_string(port_) + target;
}

std::vector<std::string> LoopbackServer::Requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

bool LoopbackServer::WaitForStop(std::chrono::milliseconds time) {
    std::unique_lock lock(mutex_);
    return stopSignal_.wait_for(lock, time, [this] { return stopping_; });
}

void LoopbackServer::Serve() {
    for (;;) {
        const SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;  // closed: the server stops
        Answer(client);
        closesocket(client);
    }
}

void LoopbackServer::Answer(SOCKET client) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const int received = recv(client, buffer, sizeof(buffer), 0);
        if (received <= 0) return;
        head.append(buffer, static_cast<std::size_t>(received));
    }
    head.resize(head.find("\r\n\r\n"));
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(head);
    }
    // "GET <target> HTTP/1.1"
    const std::size_t targetStart = head.find(' ') + 1;
    const std::string target = head.substr(targetStart, head.find(' ', targetStart) - targetStart);
    const ScriptedReply reply = script_(target);
    if (reply.dropWithoutReply) return;
    if (reply.stallBeforeReply) {
        WaitForStop(std::chrono::minutes(5));
        return;
    }

    const std::string replyHead = reply.head + "\r\n";
    if (!SendAll(client, replyHead.data(), replyHead.size())) return;
    const std::size_t toSend = std::min(reply.sentBodyBytes, reply.body.size());
    if (reply.trickle.count() > 0) {
        for (std::size_t i = 0; i < toSend; ++i) {
            if (!SendAll(client, reply.body.data() + i, 1) || WaitForStop(reply.trickle)) return;
        }
    } else if (!SendAll(client, reply.body.data(), toSend)) {
        return;
    }
    if (reply.stallAfterSent) WaitForStop(std::chrono::minutes(5));
    shutdown(client, SD_SEND);
}

std::uint16_t UnusedPort() {
    std::uint16_t port = 0;
    closesocket(ListenOnLoopback(port));
    return port;
}

}  // namespace tarvolin::testing
