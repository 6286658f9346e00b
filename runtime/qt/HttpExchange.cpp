// The exchange's steps: pick the proxy, connect, write the request, read the reply.

#include "runtime/qt/HttpExchange.h"

#include <QByteArray>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QSslSocket>
#include <new>
#include <span>
#include <utility>

namespace tarvolin {

namespace {

// What Qt may hold of the reply beyond what the reader has taken.
constexpr qint64 SocketBufferBytes = qint64{64} * 1024;
constexpr const char* UserAgent = "Tarvolin Internet Notifier";

bool IsHttpProxy(const QNetworkProxy& proxy) {
    return proxy.type() == QNetworkProxy::HttpProxy ||
           proxy.type() == QNetworkProxy::HttpCachingProxy;
}

// The system's proxy for the URL (the environment's http_proxy, https_proxy and no_proxy, or
// the desktop's settings), or none: the first of its list that can carry an HTTP request.
QNetworkProxy ProxyFor(const QUrl& url) {
    for (const QNetworkProxy& proxy :
         QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url))) {
        if (proxy.type() == QNetworkProxy::NoProxy) break;
        if (proxy.type() == QNetworkProxy::Socks5Proxy || IsHttpProxy(proxy)) return proxy;
    }
    return {QNetworkProxy::NoProxy};
}

// The GET as it goes on the wire. An HTTP proxy that is sent the request itself gets the
// target in absolute form and the proxy's credentials, when it has any. The connection
// serves this one request: the service may close it once it has answered.
QByteArray RequestFor(const QUrl& url, const QNetworkProxy* viaProxy) {
    const QUrl plain = url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment);
    QByteArray target = plain.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty()) target = "/";
    if (plain.hasQuery()) target += '?' + plain.query(QUrl::FullyEncoded).toLatin1();
    const QByteArray authority = plain.authority(QUrl::FullyEncoded).toLatin1();
    if (viaProxy != nullptr) target = plain.scheme().toLatin1() + "://" + authority + target;
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + authority +
                         "\r\nUser-Agent: " + UserAgent +
                         "\r\nAccept: */*\r\n"
                         // The body as it was sent: never compressed on the way.
                         "Accept-Encoding: identity\r\n"
                         "Connection: close\r\n";
    if (viaProxy != nullptr && !viaProxy->user().isEmpty()) {
        const QByteArray credentials = (viaProxy->user() + ':' + viaProxy->password()).toUtf8();
        request += "Proxy-Authorization: Basic " + credentials.toBase64() + "\r\n";
    }
    return request + "\r\n";
}

}  // namespace

HttpExchange::HttpExchange(const QUrl& url, const TransferLimits& limits,
                           std::function<void()> finished)
    : reply_(limits.maxHeaderBytes, limits.maxBodyBytes), finished_(std::move(finished)) {
    Connect(url);
}

HttpExchange::~HttpExchange() {
    socket_->disconnect();
    socket_->abort();
}

void HttpExchange::Connect(const QUrl& url) {
    const bool secure = url.scheme() == u"https";
    QNetworkProxy proxy = ProxyFor(url);
    // Plain http goes to an HTTP proxy as a request of its own (proxies seldom let CONNECT
    // reach other ports than 443); https always goes through a tunnel, which Qt's socket
    // opens with CONNECT when the proxy is set on it.
    const bool sentToProxy = !secure && IsHttpProxy(proxy);
    if (secure && IsHttpProxy(proxy)) proxy.setType(QNetworkProxy::HttpProxy);
    request_ = RequestFor(url, sentToProxy ? &proxy : nullptr);

    QSslSocket* tls = nullptr;
    if (secure) {
        auto tlsSocket = std::make_unique<QSslSocket>();
        tls = tlsSocket.get();
        QObject::connect(tls, &QSslSocket::encrypted, tls, [this] { SendRequest(); });
        socket_ = std::move(tlsSocket);
    } else {
        socket_ = std::make_unique<QTcpSocket>();
        QObject::connect(socket_.get(), &QTcpSocket::connected, socket_.get(),
                         [this] { SendRequest(); });
    }
    socket_->setReadBufferSize(SocketBufferBytes);
    socket_->setProxy(sentToProxy ? QNetworkProxy(QNetworkProxy::NoProxy) : proxy);
    QObject::connect(socket_.get(), &QTcpSocket::readyRead, socket_.get(),
                     [this] { ReadArrived(); });
    QObject::connect(socket_.get(), &QTcpSocket::disconnected, socket_.get(),
                     [this] { ConnectionEnded(); });
    QObject::connect(socket_.get(), &QTcpSocket::errorOccurred, socket_.get(),
                     [this](QAbstractSocket::SocketError error) {
                         if (error == QAbstractSocket::RemoteHostClosedError) {
                             ConnectionEnded();
                         } else {
                             Settle(HttpReplyReader::State::Failed);
                         }
                     });

    const auto port = static_cast<quint16>(url.port(secure ? 443 : 80));
    if (tls != nullptr) {
        // Verified against the system's trust store and the URL's host name; any TLS error
        // fails the exchange (nothing here ignores one).
        tls->connectToHostEncrypted(url.host(), port);
    } else if (sentToProxy) {
        socket_->connectToHost(proxy.hostName(), proxy.port());
    } else {
        socket_->connectToHost(url.host(), port);
    }
}

void HttpExchange::SendRequest() {
    if (!Finished()) socket_->write(request_);
}

void HttpExchange::ReadArrived() {
    try {
        while (!Finished()) {
            const std::span<char> room = reply_.Room();
            const qint64 got = socket_->read(room.data(), static_cast<qint64>(room.size()));
            if (got <= 0) return;
            Settle(reply_.Arrived(static_cast<std::size_t>(got)));
        }
    } catch (const std::bad_alloc&) {  // a body of up to the cap that cannot be held
        Settle(HttpReplyReader::State::Failed);
    }
}

void HttpExchange::ConnectionEnded() {
    ReadArrived();
    if (!Finished()) Settle(reply_.Ended());
}

// Once the reply is answered or has failed, nothing more is read: the connection is closed
// at once, and whoever waits is told.
void HttpExchange::Settle(HttpReplyReader::State state) {
    if (Finished() || state == HttpReplyReader::State::Reading) return;
    state_ = state;
    socket_->disconnect();
    socket_->abort();
    if (finished_) finished_();
}

}  // namespace tarvolin
