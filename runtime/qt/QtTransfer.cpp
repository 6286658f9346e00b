// The GET on QNetworkAccessManager: each reply is read as it arrives, checked against the
// limits on the way, and waited for in a local QEventLoop under one deadline for the whole
// request; redirects are followed by hand.

#include "runtime/qt/QtTransfer.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace tarvolin {

namespace {

bool IsWebUrl(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == u"http" || url.scheme() == u"https");
}

bool IsFollowedRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QNetworkRequest PlainGet(const QUrl& url) {
    QNetworkRequest request(url);
    // Redirects are followed here, one request each, so that each target is checked first.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // No cookies and no cache: every request stands alone.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Asking for the body as it is keeps Qt from decoding it: the bytes come as they were sent.
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

// One request in flight: collects the body as it arrives and aborts the request at the first
// broken limit. Owns the reply; an unfinished one is aborted before it is deleted.
class ReplyReader {
public:
    ReplyReader(QNetworkReply* reply, std::size_t cap) : reply_(reply), cap_(cap) {
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this] { CheckLength(); });
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { ReadArrived(); });
    }
    ~ReplyReader() {
        reply_->disconnect();
        reply_->abort();
    }
    ReplyReader(const ReplyReader&) = delete;
    ReplyReader& operator=(const ReplyReader&) = delete;
    ReplyReader(ReplyReader&&) = delete;
    ReplyReader& operator=(ReplyReader&&) = delete;

    [[nodiscard]] QNetworkReply& Reply() const { return *reply_; }
    void Fail() {
        failed_ = true;
        reply_->abort();
    }
    // Whether the request ended in a complete reply: not failed, not cut off, not still running.
    [[nodiscard]] bool Complete() const {
        return reply_->isFinished() && !failed_ && reply_->error() == QNetworkReply::NoError;
    }
    [[nodiscard]] int Status() const {
        return reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }
    // Where a redirect leads (an invalid URL when it names nowhere); nothing when no redirect.
    [[nodiscard]] std::optional<QUrl> RedirectTarget() const {
        if (!IsFollowedRedirect(Status())) return std::nullopt;
        const QByteArray location = reply_->rawHeader("Location");
        if (location.isEmpty()) return QUrl{};
        return reply_->url().resolved(QUrl::fromEncoded(location));
    }
    // The whole body of a complete 2xx reply; nothing for anything else.
    std::optional<std::string> Body() {
        if (!Complete() || Status() < 200 || Status() > 299) return std::nullopt;
        ReadArrived();
        if (failed_) return std::nullopt;
        return std::move(body_);
    }

private:
    // A declared length over the cap fails on the headers, before any of the body arrives.
    void CheckLength() {
        const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
        if (Status() / 100 == 2 && length.isValid() && length.toULongLong() > cap_) Fail();
    }
    void ReadArrived() {
        const QByteArray bytes = reply_->readAll();
        if (static_cast<std::size_t>(bytes.size()) > cap_ - body_.size()) {
            Fail();
            return;
        }
        body_.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }

    std::unique_ptr<QNetworkReply> reply_;
    std::size_t cap_;
    std::string body_;
    bool failed_ = false;
};

// Waits the way a modal dialog does until the request ends or the deadline passes (then it
// is aborted). The loop also returns when the program ends: QCoreApplication::exit leaves
// every running loop and lets no new one run, so an ended program never waits here; the
// request is then still unfinished. A loop nested inside this one (another Get, a dialog)
// returns first.
void Wait(ReplyReader& reader, const QDeadlineTimer& deadline) {
    if (reader.Reply().isFinished()) return;
    QEventLoop loop;
    QObject::connect(&reader.Reply(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&reader] { reader.Fail(); });
    timeout.start(std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration()));
    loop.exec();
}

}  // namespace

QtTransfer::QtTransfer(TransferLimits limits) : limits_(limits) {
    QNetworkProxyFactory::setUseSystemConfiguration(true);
}

std::optional<std::string> QtTransfer::Get(std::string_view url) {
    ++running_;
    std::optional<std::string> body;
    try {
        body = Fetch(url);
    } catch (const std::bad_alloc&) {  // a body of up to the cap that cannot be held: nothing
    }
    // Once the outermost Get has ended, the idle connection and Qt's network thread go too:
    // kept, they would wake the program two minutes later to expire.
    if (--running_ == 0) manager_.clearConnectionCache();
    return body;
}

std::optional<std::string> QtTransfer::Fetch(std::string_view url) {
    // One deadline for the whole request, redirects included: a reply that trickles in byte by
    // byte still ends at it.
    const QDeadlineTimer deadline(limits_.timeout, Qt::PreciseTimer);
    QUrl target(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())),
                QUrl::StrictMode);
    // Only web URLs: QNetworkAccessManager would also read file:, data: and qrc: URLs.
    for (int redirects = 0; IsWebUrl(target); ++redirects) {
        ReplyReader reader(manager_.get(PlainGet(target)), limits_.maxBodyBytes);
        Wait(reader, deadline);
        if (!reader.Complete()) return std::nullopt;
        std::optional<QUrl> next = reader.RedirectTarget();
        if (!next) return reader.Body();
        if (redirects == limits_.maxRedirects) return std::nullopt;
        target = std::move(*next);
    }
    return std::nullopt;
}

}  // namespace tarvolin
