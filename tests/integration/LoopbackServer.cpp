#include "tests/integration/LoopbackServer.h"

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tarvolin::test {
namespace {

constexpr std::size_t MaxRequestHead = std::size_t{64} * 1024;
// After its reply the server waits this long for the client to close, so that unread
// request bytes never turn the close into a reset that could cut the reply short.
constexpr int DrainMilliseconds = 2000;

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::string_view ReasonPhrase(int status) {
    switch (status) {
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 307:
            return "Temporary Redirect";
        case 308:
            return "Permanent Redirect";
        default:
            return "Redirect";
    }
}

enum class Wait { Ready, Stopped, TimedOut };

// One accepted connection, with waits that end as soon as the server stops.
class Connection {
public:
    Connection(UniqueFd socket, int wakeFd) : socket_(std::move(socket)), wakeFd_(wakeFd) {}

    // Reads up to the blank line that ends the request head; nothing if the peer closes
    // first, the head is too long or the server stops.
    std::optional<std::string> ReadHead() {
        std::string received;
        std::array<char, 4096> buffer{};
        while (received.size() <= MaxRequestHead) {
            if (const auto end = received.find("\r\n\r\n"); end != std::string::npos) {
                return received.substr(0, end);
            }
            if (WaitFor(POLLIN, -1) != Wait::Ready) {
                return std::nullopt;
            }
            const ssize_t count = ::recv(socket_.Get(), buffer.data(), buffer.size(), 0);
            if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR)) {
                return std::nullopt;
            }
            if (count > 0) {
                received.append(buffer.data(), static_cast<std::size_t>(count));
            }
        }
        return std::nullopt;
    }

    // Plays the steps, then closes the connection in an orderly way unless a step reset it.
    void Play(const Behaviour& behaviour) {
        for (const Step& step : behaviour.steps) {
            if (std::holds_alternative<Reset>(step)) {
                ResetNow();
                return;
            }
            if (!PlayStep(step)) {
                return;  // peer gone or server stopping: the socket is just closed
            }
        }
        CloseOrderly();
    }

private:
    bool PlayStep(const Step& step) {
        if (const auto* send = std::get_if<Send>(&step)) {
            return SendAll(send->bytes);
        }
        if (const auto* slow = std::get_if<SendSlowly>(&step)) {
            const std::string_view bytes = slow->bytes;
            const std::size_t chunk = slow->chunkSize == 0 ? 1 : slow->chunkSize;
            for (std::size_t offset = 0; offset < bytes.size(); offset += chunk) {
                if (offset > 0 && !Pause(slow->pause)) {
                    return false;
                }
                if (!SendAll(bytes.substr(offset, chunk))) {
                    return false;
                }
            }
            return true;
        }
        if (const auto* stall = std::get_if<Stall>(&step)) {
            return Pause(stall->duration);
        }
        return true;
    }

    Wait WaitFor(short events, int timeoutMs) const {
        std::array<pollfd, 2> fds{{{socket_.Get(), events, 0}, {wakeFd_, POLLIN, 0}}};
        for (;;) {
            const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0 || fds[1].revents != 0) {
                return Wait::Stopped;
            }
            return ready == 0 ? Wait::TimedOut : Wait::Ready;
        }
    }

    // Sleeps, but wakes at once when the server stops; false then.
    bool Pause(std::chrono::milliseconds duration) const {
        pollfd wake{wakeFd_, POLLIN, 0};
        return ::poll(&wake, 1, static_cast<int>(duration.count())) == 0;
    }

    bool SendAll(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(sent));
            } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (WaitFor(POLLOUT, -1) != Wait::Ready) {
                    return false;
                }
            } else {
                return false;
            }
        }
        return true;
    }

    void ResetNow() {
        const linger abortive{1, 0};
        ::setsockopt(socket_.Get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        socket_.Close();
    }

    void CloseOrderly() {
        ::shutdown(socket_.Get(), SHUT_WR);
        std::array<char, 4096> buffer{};
        while (WaitFor(POLLIN, DrainMilliseconds) == Wait::Ready) {
            const ssize_t count = ::recv(socket_.Get(), buffer.data(), buffer.size(), 0);
            if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR)) {
                break;
            }
        }
        socket_.Close();
    }

    UniqueFd socket_;
    int wakeFd_;
};

}  // namespace

std::string ReplyHead(std::string_view statusLine, std::string_view headers) {
    std::string head(statusLine);
    head += "\r\n";
    head += headers;
    head += "\r\n";
    return head;
}

std::string Chunked(std::string_view body, std::size_t chunkSize) {
    static constexpr std::string_view HexDigits = "0123456789abcdef";
    std::string coded;
    for (std::size_t offset = 0; offset < body.size(); offset += chunkSize) {
        const std::string_view piece = body.substr(offset, chunkSize);
        std::string size;
        for (std::size_t rest = piece.size(); rest > 0; rest /= 16) {
            size.insert(size.begin(), HexDigits[rest % 16]);
        }
        coded += size + "\r\n";
        coded += piece;
        coded += "\r\n";
    }
    coded += "0\r\n\r\n";
    return coded;
}

Behaviour Behaviour::Reply(std::string_view statusLine, std::string_view body,
                           std::string_view extraHeaders) {
    std::string headers(extraHeaders);
    headers += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n";
    return Raw(ReplyHead(statusLine, headers) + std::string(body));
}

Behaviour Behaviour::ChunkedReply(std::string_view body, std::size_t chunkSize) {
    return Raw(ReplyHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\nConnection: close\r\n") +
               Chunked(body, chunkSize));
}

Behaviour Behaviour::Redirect(std::string_view location, int status) {
    const std::string statusLine =
        "HTTP/1.1 " + std::to_string(status) + " " + std::string(ReasonPhrase(status));
    return Reply(statusLine, "", "Location: " + std::string(location) + "\r\n");
}

Behaviour Behaviour::Raw(std::string bytes) { return Behaviour{{Send{std::move(bytes)}}}; }

Behaviour Behaviour::CloseAtOnce() { return Behaviour{{}, false}; }

LoopbackServer::LoopbackServer() {
    listener_ = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!listener_.Valid()) {
        ThrowErrno("socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // the system picks a free port
    auto* generic = reinterpret_cast<sockaddr*>(&address);
    socklen_t length = sizeof address;
    if (::bind(listener_.Get(), generic, length) != 0 || ::listen(listener_.Get(), 16) != 0 ||
        ::getsockname(listener_.Get(), generic, &length) != 0) {
        ThrowErrno("binding the loopback listener");
    }
    port_ = ntohs(address.sin_port);

    std::array<int, 2> wake{};
    if (::pipe2(wake.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        ThrowErrno("pipe2");
    }
    wakeRead_ = UniqueFd(wake[0]);
    wakeWrite_ = UniqueFd(wake[1]);

    acceptThread_ = std::thread(&LoopbackServer::AcceptLoop, this);
}

LoopbackServer::~LoopbackServer() {
    // The wake pipe stays readable from now on, so every wait in every thread ends.
    const char stop = 's';
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite_.Get(), &stop, 1);
    acceptThread_.join();
    // No thread is added once the accept loop has ended.
    for (std::thread& thread : connectionThreads_) {
        thread.join();
    }
}

void LoopbackServer::Route(std::string path, Behaviour behaviour) {
    const std::scoped_lock lock(mutex_);
    routes_.insert_or_assign(std::move(path), std::move(behaviour));
}

void LoopbackServer::Enqueue(Behaviour behaviour) {
    const std::scoped_lock lock(mutex_);
    queue_.push_back(std::move(behaviour));
}

std::string LoopbackServer::Url(std::string_view target) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

std::vector<std::string> LoopbackServer::RequestLines() const {
    std::vector<std::string> lines;
    for (const std::string& head : RequestHeads()) {
        lines.push_back(head.substr(0, head.find("\r\n")));
    }
    return lines;
}

std::vector<std::string> LoopbackServer::RequestHeads() const {
    const std::scoped_lock lock(mutex_);
    return requestHeads_;
}

std::size_t LoopbackServer::Connections() const {
    const std::scoped_lock lock(mutex_);
    return connections_;
}

void LoopbackServer::AcceptLoop() {
    std::array<pollfd, 2> fds{{{listener_.Get(), POLLIN, 0}, {wakeRead_.Get(), POLLIN, 0}}};
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        UniqueFd connection(
            ::accept4(listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!connection.Valid()) {
            continue;  // EAGAIN, EINTR or a connection already gone
        }
        const std::scoped_lock lock(mutex_);
        ++connections_;
        connectionThreads_.emplace_back(&LoopbackServer::Serve, this, std::move(connection));
    }
}

void LoopbackServer::Serve(UniqueFd socket) {
    Connection connection(std::move(socket), wakeRead_.Get());
    std::optional<Behaviour> behaviour;
    {
        const std::scoped_lock lock(mutex_);
        if (!queue_.empty() && !queue_.front().readRequest) {
            behaviour = std::move(queue_.front());
            queue_.pop_front();
        }
    }
    if (!behaviour) {
        const std::optional<std::string> head = connection.ReadHead();
        if (!head) {
            return;
        }
        {
            const std::scoped_lock lock(mutex_);
            requestHeads_.push_back(*head);
        }
        // The request line is "METHOD target VERSION".
        const std::size_t targetStart = head->find(' ') + 1;
        const std::size_t targetEnd = head->find(' ', targetStart);
        behaviour = Choose(std::string_view(*head).substr(targetStart, targetEnd - targetStart));
    }
    connection.Play(*behaviour);
}

Behaviour LoopbackServer::Choose(std::string_view target) {
    const std::string_view path = target.substr(0, target.find('?'));
    const std::scoped_lock lock(mutex_);
    if (const auto route = routes_.find(path); route != routes_.end()) {
        return route->second;
    }
    if (!queue_.empty()) {
        Behaviour next = std::move(queue_.front());
        queue_.pop_front();
        return next;
    }
    return Behaviour::Reply("HTTP/1.1 404 Not Found", "no behaviour for this path\n");
}

}  // namespace tarvolin::test
