// The transfer contract (TransferContract.h) run against the real Qt transfer on loopback,
// served by the feed service, which each test starts on a free port. Also the main of the
// transfer tests: Qt Network needs an application object.

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "runtime/qt/QtTransfer.h"
#include "tests/integration/TransferContract.h"

namespace tarvolin::test {

class FeedService {
public:
    FeedService() {
        process_.start(QStringLiteral(TARVOLIN_FEED_SERVICE),
                       {"--port", "0", "--quiet", "--notice", "Your bundle renews tomorrow."});
        // It prints "feed-service: listening on 127.0.0.1:PORT" once it accepts connections.
        if (process_.waitForReadyRead(10'000))
            base_ =
                "http://" + QString(process_.readLine()).trimmed().section(' ', -1).toStdString();
    }
    ~FeedService() {
        process_.terminate();
        process_.waitForFinished(5'000);
    }
    FeedService(const FeedService&) = delete;
    FeedService& operator=(const FeedService&) = delete;
    FeedService(FeedService&&) = delete;
    FeedService& operator=(FeedService&&) = delete;

    // "http://127.0.0.1:PORT", or "" when the service did not start.
    [[nodiscard]] const std::string& Base() const { return base_; }

private:
    QProcess process_;
    std::string base_;
};

// Runs `action` from the event loop 100 ms from now: inside the wait of a Get started now.
inline void DuringTheWait(QTimer& timer, const std::function<void()>& action) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, action);
    timer.start(100);
}

// QCoreApplication::exit leaves a flag that makes every later event loop return at once, as
// the ended program needs; a test program that goes on clears it the way exec() does.
inline void ClearEndOfProgram() {
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

void PrintTo(const ContractRow& row, std::ostream* out) { *out << row.target; }

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A Get that ends at the limit must end by the limit and this margin (a loaded, sanitized build).
constexpr std::chrono::milliseconds Margin{2'000};

class TransferContractTest : public testing::TestWithParam<ContractRow> {
protected:
    Timed Get(std::string_view target) {
        const std::string url(target);
        return TimedGet(transfer_, target.starts_with('/') ? service_.Base() + url : url);
    }

    FeedService service_;
    QtTransfer transfer_{ContractLimits()};
};

TEST_P(TransferContractTest, GivesWhatTheContractSays) {
    const ContractRow& row = GetParam();
    ASSERT_NE(service_.Base(), "") << "the feed service did not start";
    const std::optional<std::string> connections = OpenConnections(transfer_, service_.Base());
    std::optional<std::string> nested;
    QTimer timer;
    DuringTheWait(timer, [&] {
        if (row.during == During::NestedGet) nested = Get(NestedTarget).body;
        if (row.during == During::ProgramEnds) QCoreApplication::exit(0);
    });
    const Timed got = Get(row.target);
    std::optional<Timed> afterEnd;
    if (row.during == During::ProgramEnds) {
        afterEnd = Get(row.target);
        ClearEndOfProgram();
    }
    ExpectRow(row, got, Margin, nested, afterEnd);
    ExpectNoConnectionLeft(transfer_, service_.Base(), connections, Margin);
}

INSTANTIATE_TEST_SUITE_P(Contract, TransferContractTest, testing::ValuesIn(ContractRows),
                         [](const auto& row) { return std::string(row.param.name); });

// https and a real proxy, run by tests/integration/tls-front (which trusts its test CA in
// here alone): only the certificate it signed for the name is taken, and only the proxy
// reaches notices.test.
class SecureContractTest : public testing::TestWithParam<ContractRow> {};

TEST_P(SecureContractTest, GivesWhatTheContractSays) {
    if (qEnvironmentVariableIsEmpty("TARVOLIN_TLS_CA")) GTEST_SKIP() << "not inside tls-front";
    const ContractRow& row = GetParam();
    qputenv("http_proxy", SecureProxy);
    qputenv("https_proxy", SecureProxy);
    QtTransfer transfer{ContractLimits()};
    const std::optional<std::string> connections = OpenConnections(transfer, SecureService);
    ExpectRow(row, TimedGet(transfer, row.target), Margin, std::nullopt, std::nullopt);
    ExpectNoConnectionLeft(transfer, SecureService, connections, Margin);
}

INSTANTIATE_TEST_SUITE_P(Secure, SecureContractTest, testing::ValuesIn(SecureRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tarvolin::test

int main(int argc, char** argv) {
    // A proxy of the machine must not take the loopback requests.
    qputenv("no_proxy", "127.0.0.1,localhost");
    const QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
