// The GET: one HttpExchange per hop, redirects followed by hand, all of it waited for in a
// local QEventLoop under one deadline for the whole request.

#include "runtime/qt/QtTransfer.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <utility>

#include "runtime/qt/HttpExchange.h"

namespace tarvolin {

namespace {

bool IsWebUrl(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == u"http" || url.scheme() == u"https");
}

bool IsFollowedRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Waits the way a modal dialog does until the exchange finishes or the deadline passes. The
// loop also returns when the program ends: QCoreApplication::exit leaves every running loop
// and lets no new one run, so an ended program never waits here. A loop nested inside this
// one (another Get, a dialog) returns first.
void Wait(const HttpExchange& exchange, QEventLoop& loop, const QDeadlineTimer& deadline) {
    if (exchange.Finished()) return;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration()));
    loop.exec();
}

}  // namespace

std::optional<std::string> QtTransfer::Get(std::string_view url) {
    // One deadline for the whole request, redirects included: a reply that trickles in byte by
    // byte still ends at it.
    const QDeadlineTimer deadline(limits_.timeout, Qt::PreciseTimer);
    QUrl target(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())),
                QUrl::StrictMode);
    for (int redirects = 0; IsWebUrl(target); ++redirects) {
        QEventLoop loop;
        // Destroyed at the end of each hop, on every path: its connection goes with it.
        HttpExchange exchange(target, limits_, [&loop] { loop.quit(); });
        Wait(exchange, loop, deadline);
        if (!exchange.Answered()) return std::nullopt;
        HttpReplyReader& reply = exchange.Reply();
        const int status = reply.Status();
        if (status >= 200 && status <= 299) return reply.TakeBody();
        if (!IsFollowedRedirect(status) || redirects == limits_.maxRedirects) return std::nullopt;
        const std::string_view location = reply.Location();
        if (location.empty()) return std::nullopt;
        const bool secure = target.scheme() == u"https";
        target = target.resolved(QUrl::fromEncoded(
            QByteArray(location.data(), static_cast<qsizetype>(location.size()))));
        // Once on https, a redirect to plain http would hand the request to anyone on the path.
        if (secure && target.scheme() != u"https") return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace tarvolin
