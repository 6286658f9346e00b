#pragma once
// The transfer contract as one table: what a single GET gives for each reply the feed service
// can be asked for under /faults/ (tools/feed-service/README.md). Plain C++, so that the test
// of every platform's transfer runs the same rows against the same service.

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>

#include "ports/Transfer.h"

namespace tarvolin::test {

// The limits the table is written for: the product's cap and redirects, a short time limit.
inline TransferLimits ContractLimits() { return {std::chrono::milliseconds{2500}, 1U << 20U, 5}; }

// A body is always that many bytes of the service's pattern: byte i is i modulo 256.
inline std::string PatternBody(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>(i % 256);
    return body;
}

enum class Gives { Body, Nothing };
// AtOnce: well before the time limit. BeforeTheLimit: a bound ended it, not the clock.
// AtLimit: at the limit, not before it. InTime: not later than the limit.
enum class Ends { AtOnce, BeforeTheLimit, AtLimit, InTime };
// What the test does while the row's Get waits.
enum class During {
    Nothing,
    NestedGet,   // starts a Get of NestedTarget, which must return its body before this one
    ProgramEnds  // ends the program: this Get, and a Get started after it, give nothing at once
};
inline constexpr const char* NestedTarget = "/faults/bytes/300";

// Where WinINet cannot be held to a row, what it does instead (docs/RELIABILITY.md).
enum class OnWinInet {
    Same,
    TakesInterimAsFinal,  // it skips 100 Continue only: any other 1xx is its answer, no body
    EndsByTheLimit,       // it has no bound of its own here: the time limit ends it (plain
                          // http on an https port: Wine's TLS waits for more)
    KeepsTheConnection,   // the program's end closes the session during the call, and Wine
                          // keeps that call's connection until the process exits
    ReadsOnUnderWine      // read inside HttpSendRequest: the Get ends at the limit, but Wine
                          // reads on (time-outs and a closed session do not stop it) until
                          // the process exits
};

struct ContractRow {
    const char* name;
    const char* target;  // a path on the feed service, or a whole URL
    Gives gives;
    std::size_t bodyBytes;  // of the pattern, when it gives a body
    Ends ends = Ends::AtOnce;
    During during = During::Nothing;
    OnWinInet onWinInet = OnWinInet::Same;
};

// The row as WinINet passes it.
inline ContractRow OnWinInetAsItIs(ContractRow row) {
    if (row.onWinInet == OnWinInet::TakesInterimAsFinal) row.gives = Gives::Nothing;
    if (row.onWinInet == OnWinInet::EndsByTheLimit || row.onWinInet == OnWinInet::ReadsOnUnderWine)
        row.ends = Ends::InTime;
    return row;
}

// clang-format off
inline const ContractRow ContractRows[] = {
    {"BodyByteForByte",            "/faults/bytes/300",              Gives::Body,    300},
    {"EmptyBodyIsAnEmptyString",   "/faults/empty",                  Gives::Body,    0},
    {"ChunkedBody",                "/faults/chunked/300",            Gives::Body,    300},
    {"BodyEndedByClosing",         "/faults/close/300",              Gives::Body,    300},
    {"LabelledGzipIsNotDecoded",   "/faults/coded/300",              Gives::Body,    300},
    {"BodyOfExactlyTheCap",        "/faults/bytes/1048576",          Gives::Body,    1048576},
    {"ChunkedBodyOfExactlyTheCap", "/faults/chunked/1048576",        Gives::Body,    1048576},
    {"BodyOneByteOverTheCap",      "/faults/bytes/1048577",          Gives::Nothing, 0},
    {"ChunkedOneByteOverTheCap",   "/faults/chunked/1048577",        Gives::Nothing, 0},
    {"DeclaredOverTheCapFailsOnTheHeaders", "/faults/declared/1048577", Gives::Nothing, 0},
    {"UnendedBodyFailsAsItPassesTheCap",    "/faults/unended/1048577",  Gives::Nothing, 0},
    {"Status404",                  "/faults/status/404",             Gives::Nothing, 0},
    {"Status500",                  "/faults/status/500",             Gives::Nothing, 0},
    {"Status302WithoutLocation",   "/faults/status/302",             Gives::Nothing, 0},
    {"Status300IsNoAnswer",        "/faults/status/300",             Gives::Nothing, 0},
    {"FiveRedirectsAreFollowed",   "/faults/redirect/5/faults/bytes/16", Gives::Body, 16},
    {"SixRedirectsAreTooMany",     "/faults/redirect/6/faults/bytes/16", Gives::Nothing, 0},
    {"RedirectToFtp",              "/faults/redirect-to/ftp",        Gives::Nothing, 0},
    {"RedirectToFile",             "/faults/redirect-to/file",       Gives::Nothing, 0},
    {"FileUrlIsNotRead",           "file:///etc/hostname",           Gives::Nothing, 0},
    {"DataUrlIsNotRead",           "data:,not-from-the-network",     Gives::Nothing, 0},
    {"CutShortOfItsLength",        "/faults/cut/300",                Gives::Nothing, 0},
    {"DroppedWithoutAnAnswer",     "/faults/drop",                   Gives::Nothing, 0},
    {"GarbageStatusLine",          "/faults/raw/garbage-status",     Gives::Nothing, 0},
    {"HeadersCutMidLine",          "/faults/raw/headers-cut",        Gives::Nothing, 0},
    {"SlowDripDoneInTime",         "/faults/drip/10/20",             Gives::Body,    20},
    {"SlowDripPastTheLimit",       "/faults/drip/100/300",           Gives::Nothing, 0, Ends::AtLimit},
    {"SilenceAfterPartOfABody",    "/faults/unended/300",            Gives::Nothing, 0, Ends::AtLimit},
    {"Stall",                      "/faults/stall",                  Gives::Nothing, 0, Ends::AtLimit},
    {"NestedGetInsideAStall",      "/faults/stall",                  Gives::Nothing, 0, Ends::AtLimit, During::NestedGet},
    {"ProgramEndsDuringAStall",    "/faults/stall",                  Gives::Nothing, 0, Ends::AtOnce, During::ProgramEnds, OnWinInet::KeepsTheConnection},
    // A hostile service: each reply fails at its bound, and nothing of the request is left.
    {"EndlessOneByteChunks",       "/faults/endless/chunks",         Gives::Nothing, 0, Ends::BeforeTheLimit, During::Nothing, OnWinInet::EndsByTheLimit},
    {"EndlessHeaderLine",          "/faults/endless/header-line",    Gives::Nothing, 0, Ends::AtOnce, During::Nothing, OnWinInet::ReadsOnUnderWine},
    {"HeaderSectionOfExactlyTheCap", "/faults/header-bytes/65536",   Gives::Body,    16},
    {"HeaderSectionOverTheCap",    "/faults/header-bytes/65537",     Gives::Nothing, 0},
    {"OneByteChunksOverTheCap",    "/faults/tiny-chunks/1048577",    Gives::Nothing, 0, Ends::BeforeTheLimit, During::Nothing, OnWinInet::EndsByTheLimit},
    {"ContinueBeforeTheAnswer",    "/faults/interim/100/300",        Gives::Body,    300},
    {"EarlyHintsBeforeTheAnswer",  "/faults/interim/103/300",        Gives::Body,    300, Ends::AtOnce, During::Nothing, OnWinInet::TakesInterimAsFinal},
    {"UpgradeNobodyAskedFor",      "/faults/interim/101/300",        Gives::Nothing, 0},
};
// clang-format on

// Against the services of tests/integration/tls-front: TLS fronts of the feed service with
// each kind of certificate (9443 the trusted one, 9444 another name's, 9445 self-signed,
// 9446 expired), the feed service itself on 9090, and "notices.test", which only the proxy
// (http_proxy and https_proxy) can reach.
inline constexpr const char* SecureService = "http://127.0.0.1:9090";
inline constexpr const char* SecureProxy = "http://127.0.0.1:8888";
// clang-format off
inline const ContractRow SecureRows[] = {
    {"TrustedCertificate",         "https://localhost:9443/faults/bytes/300",                 Gives::Body,    300},
    {"RedirectWithinHttps",        "https://localhost:9443/faults/redirect/1/faults/bytes/300", Gives::Body,  300},
    {"RedirectFromHttpsToHttp",    "https://localhost:9443/faults/redirect-to/http",          Gives::Nothing, 0},
    {"WrongHostName",              "https://localhost:9444/faults/bytes/300",                 Gives::Nothing, 0},
    {"SelfSignedCertificate",      "https://localhost:9445/faults/bytes/300",                 Gives::Nothing, 0},
    {"ExpiredCertificate",         "https://localhost:9446/faults/bytes/300",                 Gives::Nothing, 0},
    {"PlainHttpOnTheHttpsPort",    "https://localhost:9090/faults/bytes/300",                 Gives::Nothing, 0, Ends::AtOnce, During::Nothing, OnWinInet::EndsByTheLimit},
    {"HttpThroughTheProxy",        "http://notices.test:9090/faults/bytes/300",               Gives::Body,    300},
    {"HttpsThroughTheProxy",       "https://notices.test:9443/faults/bytes/300",              Gives::Body,    300},
};
// clang-format on

// A Get's result and how long it took.
struct Timed {
    std::optional<std::string> body;
    std::chrono::milliseconds elapsed;
};

inline Timed TimedGet(Transfer& transfer, const std::string& url) {
    const auto started = std::chrono::steady_clock::now();
    std::optional<std::string> body = transfer.Get(url);
    return {std::move(body), std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - started)};
}

// `margin`: how long after the limit a Get that ends at it may return.
inline void ExpectEnds(Ends ends, std::chrono::milliseconds elapsed,
                       std::chrono::milliseconds margin) {
    const std::chrono::milliseconds limit = ContractLimits().timeout;
    bool inTime = elapsed < limit + margin;
    if (ends == Ends::AtOnce) inTime = elapsed < limit * 3 / 4;
    if (ends == Ends::BeforeTheLimit) inTime = elapsed < limit;
    if (ends == Ends::AtLimit) inTime = inTime && elapsed >= limit;
    EXPECT_TRUE(inTime) << "ended after " << elapsed.count() << " ms";
}

// The client connections the feed service at `service` sees open, the asking one aside (its
// /admin/connections), or nothing when it does not answer.
inline std::optional<std::string> OpenConnections(Transfer& transfer, const std::string& service) {
    return transfer.Get(service + "/admin/connections");
}

// Nothing of a row's requests is left: within `margin` the service's count of open client
// connections is back to what it was before the row (or below, when one left over from an
// earlier row closes meanwhile).
inline void ExpectNoConnectionLeft(Transfer& transfer, const std::string& service,
                                   const std::optional<std::string>& before,
                                   std::chrono::milliseconds margin) {
    const auto end = std::chrono::steady_clock::now() + margin;
    std::optional<std::string> open;
    do {
        open = OpenConnections(transfer, service);
        if (open && before && std::atoi(open->c_str()) <= std::atoi(before->c_str())) return;
        std::this_thread::sleep_for(std::chrono::milliseconds{20});
    } while (std::chrono::steady_clock::now() < end);
    ADD_FAILURE() << "connections open before the row: " << before.value_or("?")
                  << ", after it: " << open.value_or("?");
}

// What a row's Get must give; `nested` the body of the Get made inside its wait; `afterEnd`
// a Get made after the program ended inside the wait.
inline void ExpectRow(const ContractRow& row, const Timed& got, std::chrono::milliseconds margin,
                      const std::optional<std::string>& nested, const std::optional<Timed>& afterEnd) {
    const std::optional<std::string> expected =
        row.gives == Gives::Body ? std::optional(PatternBody(row.bodyBytes)) : std::nullopt;
    EXPECT_TRUE(got.body == expected) << (got.body ? std::to_string(got.body->size()) + " bytes" : "nothing");
    ExpectEnds(row.ends, got.elapsed, margin);
    EXPECT_TRUE(row.during != During::NestedGet || nested == PatternBody(300)) << "nested Get";
    if (row.during != During::ProgramEnds) return;
    ASSERT_TRUE(afterEnd.has_value());
    EXPECT_FALSE(afterEnd->body.has_value());
    ExpectEnds(Ends::AtOnce, afterEnd->elapsed, margin);
}

}  // namespace tarvolin::test
