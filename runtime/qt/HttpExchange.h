#pragma once
// One GET on a connection of its own (QTcpSocket, or QSslSocket for https), driven by the
// socket's signals on the UI thread: the request is written once connected, the reply is read
// into an HttpReplyReader in bounded pieces as it arrives. The system's proxy for the URL is
// used: an HTTP proxy gets the request in absolute form for http URLs and a tunnel (CONNECT)
// for https; a SOCKS5 proxy carries the connection. The exchange owns its socket: when the
// exchange goes, the connection is aborted and its descriptor closed.

#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <memory>

#include "ports/Transfer.h"
#include "runtime/qt/HttpReplyReader.h"

namespace tarvolin {

class HttpExchange {
public:
    // Starts at once; `finished` runs when the reply is answered or the exchange fails.
    HttpExchange(const QUrl& url, const TransferLimits& limits, std::function<void()> finished);
    ~HttpExchange();
    HttpExchange(const HttpExchange&) = delete;
    HttpExchange& operator=(const HttpExchange&) = delete;
    HttpExchange(HttpExchange&&) = delete;
    HttpExchange& operator=(HttpExchange&&) = delete;

    [[nodiscard]] bool Finished() const { return state_ != HttpReplyReader::State::Reading; }
    [[nodiscard]] bool Answered() const { return state_ == HttpReplyReader::State::Answered; }
    // The final reply, once Answered.
    [[nodiscard]] HttpReplyReader& Reply() { return reply_; }

private:
    void Connect(const QUrl& url);
    void SendRequest();
    void ReadArrived();
    void ConnectionEnded();
    void Settle(HttpReplyReader::State state);

    QByteArray request_;
    HttpReplyReader reply_;
    std::unique_ptr<QTcpSocket> socket_;
    std::function<void()> finished_;
    HttpReplyReader::State state_ = HttpReplyReader::State::Reading;
};

}  // namespace tarvolin
