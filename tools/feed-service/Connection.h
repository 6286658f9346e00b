#pragma once
// The socket behind a request, for the faults that httplib has no words for: closing a
// connection without an answer, writing a reply byte by byte of our own making, and noticing
// that a stalled client went away.

#include <httplib.h>
#include <string_view>

namespace tarvolin::feed {

class Connection {
public:
    // Finds the connected socket whose two ends are the request's addresses. The socket stays
    // open while its request's handler runs, so the descriptor is stable for that long.
    explicit Connection(const httplib::Request& request);

    bool Found() const { return fd_ >= 0; }
    // The client connections open on local `port` whose clients have not closed their end,
    // this one aside.
    int OpenOnPort(int port) const;
    // True when the client closed or reset its end.
    bool PeerGone() const;
    // Writes all of `bytes`; false when the client is gone or does not read.
    bool Send(std::string_view bytes) const;
    // Shuts the connection down both ways, so that nothing written afterwards reaches the
    // client; httplib still closes the descriptor itself.
    void Drop() const;

private:
    explicit Connection(int fd) : fd_(fd) {}

    int fd_ = -1;
};

}  // namespace tarvolin::feed
