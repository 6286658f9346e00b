// The transfer contract (TransferContract.h) run against the real Qt transfer on loopback,
// served by the feed service. Also the main of the transfer tests: Qt Network needs an
// application object.

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "runtime/qt/QtTransfer.h"
#include "tests/integration/TransferContract.h"
#include "tests/integration/TransferFixture.h"

namespace tarvolin::test {

void PrintTo(const ContractRow& row, std::ostream* out) { *out << row.target; }

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A Get that ends at the limit must end by the limit and this margin (a loaded, sanitized build).
constexpr milliseconds Margin{2'000};

struct Timed {
    std::optional<std::string> body;
    milliseconds elapsed;
};

class TransferContractTest : public testing::TestWithParam<ContractRow> {
protected:
    [[nodiscard]] std::string Url(std::string_view target) const {
        return target.starts_with('/') ? service_.Base() + std::string(target)
                                       : std::string(target);
    }
    Timed TimedGet(const char* target) {
        const auto started = steady_clock::now();
        std::optional<std::string> body = transfer_.Get(Url(target));
        return {std::move(body),
                std::chrono::duration_cast<milliseconds>(steady_clock::now() - started)};
    }
    static void ExpectEnds(Ends ends, milliseconds elapsed) {
        const milliseconds limit = ContractLimits().timeout;
        if (ends == Ends::AtOnce) {
            EXPECT_LT(elapsed, limit * 3 / 4) << "waited for the time limit";
        } else {
            EXPECT_GE(elapsed, limit) << "gave up before the time limit";
            EXPECT_LT(elapsed, limit + Margin) << "hung past the time limit";
        }
    }

    FeedService service_;
    QtTransfer transfer_{ContractLimits()};
};

TEST_P(TransferContractTest, GivesWhatTheContractSays) {
    const ContractRow& row = GetParam();
    ASSERT_NE(service_.Base(), "") << "the feed service did not start";
    std::optional<Timed> nested;
    QTimer timer;
    if (row.during != During::Nothing) {
        DuringTheWait(timer, [&] {
            if (row.during == During::NestedGet) nested = TimedGet(NestedTarget);
            if (row.during == During::ProgramEnds) QCoreApplication::exit(0);
        });
    }

    const Timed got = TimedGet(row.target);

    if (row.gives == Gives::Body) {
        ASSERT_TRUE(got.body.has_value());
        EXPECT_TRUE(*got.body == PatternBody(row.bodyBytes)) << got.body->size() << " bytes differ";
    } else {
        EXPECT_FALSE(got.body.has_value()) << "a body of " << got.body->size() << " bytes";
    }
    ExpectEnds(row.ends, got.elapsed);
    if (row.during == During::NestedGet) {
        ASSERT_TRUE(nested.has_value()) << "the nested Get never ran";
        EXPECT_EQ(nested->body, PatternBody(300));
        ExpectEnds(Ends::AtOnce, nested->elapsed);
    }
    if (row.during == During::ProgramEnds) {
        const Timed afterEnd = TimedGet(row.target);
        ClearEndOfProgram();
        EXPECT_FALSE(afterEnd.body.has_value());
        ExpectEnds(Ends::AtOnce, afterEnd.elapsed);
    }
}

INSTANTIATE_TEST_SUITE_P(Contract, TransferContractTest, testing::ValuesIn(ContractRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(TransferContractTest, TakesTheProxyFromTheEnvironment) {
    // The feed service stands in for the proxy: only through it can a host that has no
    // address answer.
    qputenv("http_proxy", QByteArray::fromStdString(service_.Base()));
    const Timed got = TimedGet("http://notices.invalid/faults/bytes/16");
    qunsetenv("http_proxy");
    EXPECT_EQ(got.body, PatternBody(16));
}

}  // namespace
}  // namespace tarvolin::test

int main(int argc, char** argv) {
    // A proxy of the machine must not take the loopback requests.
    qputenv("no_proxy", "127.0.0.1,localhost");
    const QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
