#include "Connection.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <netdb.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>

namespace tarvolin::feed {

namespace {

struct Endpoint {
    std::string host;
    int port = -1;
};

Endpoint Describe(const sockaddr_storage& address, socklen_t length) {
    std::array<char, NI_MAXHOST> host{};
    std::array<char, NI_MAXSERV> service{};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host.data(), host.size(),
                    service.data(), service.size(), NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {};
    Endpoint endpoint{.host = host.data(), .port = -1};
    std::from_chars(service.data(), service.data() + std::char_traits<char>::length(service.data()),
                    endpoint.port);
    return endpoint;
}

bool Matches(int fd, const httplib::Request& request) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
    const Endpoint peer = Describe(address, length);
    if (peer.port != request.remote_port || peer.host != request.remote_addr) return false;
    length = sizeof(address);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
    return Describe(address, length).port == request.local_port;
}

// Calls `visit` with each socket descriptor of the process until it returns true.
template <typename Visit>
void ForEachSocket(const Visit& visit) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int fd = -1;
        const std::string name = entry.path().filename().string();
        if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc{}) continue;
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode) && visit(fd)) return;
    }
}

int LocalPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
    return Describe(address, length).port;
}

bool HasPeer(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    return getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
}

}  // namespace

Connection::Connection(const httplib::Request& request) {
    ForEachSocket([&](int fd) {
        if (Matches(fd, request)) fd_ = fd;
        return fd_ >= 0;
    });
}

int Connection::OpenOnPort(int port) const {
    int open = 0;
    ForEachSocket([&](int fd) {
        if (fd != fd_ && LocalPort(fd) == port && HasPeer(fd) && !Connection(fd).PeerGone()) ++open;
        return false;
    });
    return open;
}

bool Connection::PeerGone() const {
    if (fd_ < 0) return false;
    char byte = 0;
    const auto got = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

bool Connection::Send(std::string_view bytes) const {
    if (fd_ < 0) return false;
    while (!bytes.empty()) {
        const auto sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void Connection::Drop() const {
    if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);
}

}  // namespace tarvolin::feed
