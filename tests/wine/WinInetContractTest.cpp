// The transfer contract (tests/integration/TransferContract.h) run against WinINet, served by
// the feed service whose base URL TARVOLIN_FEED_SERVICE names (tests/wine/run starts it).

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <windows.h>

#include "runtime/win32/WinInetTransfer.h"
#include "tests/integration/TransferContract.h"

namespace tarvolin::test {
namespace {

using std::chrono::milliseconds;

struct Timed {
    std::optional<std::string> body;
    milliseconds elapsed;
};

// Statics, for a thread timer's plain callback: it runs inside the wait of a Get, as a Status
// chosen from the menu while a poll hangs does.
const char* const service = std::getenv("TARVOLIN_FEED_SERVICE");  // http://127.0.0.1:PORT
WinInetTransfer transfer{ContractLimits()};
std::optional<std::string> nested;

Timed TimedGet(const std::string& target) {
    const auto started = std::chrono::steady_clock::now();
    auto body = transfer.Get((target.starts_with('/') ? std::string(service) : "") + target);
    return {std::move(body),
            std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started)};
}

// At once: well before the limit. At the limit: not before it, nor later than as much again
// (Wine on a loaded machine).
void ExpectEnds(Ends ends, milliseconds elapsed) {
    const milliseconds limit = ContractLimits().timeout;
    const bool inTime = ends == Ends::AtOnce ? elapsed < limit * 3 / 4
                                             : elapsed >= limit && elapsed < limit + limit;
    EXPECT_TRUE(inTime) << "ended after " << elapsed.count() << " ms";
}

// Does `what` from the thread's messages 100 ms from now: inside the wait of a Get started now.
void DuringTheWait(During what) {
    static During pending = During::Nothing;
    pending = what;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (pending == During::NestedGet) nested = TimedGet(NestedTarget).body;
        if (pending == During::ProgramEnds) PostQuitMessage(0);
    });
}

class WinInetContract : public testing::TestWithParam<ContractRow> {};

TEST_P(WinInetContract, GivesWhatTheContractSays) {
    const ContractRow& row = GetParam();
    if (service == nullptr) GTEST_SKIP() << "TARVOLIN_FEED_SERVICE names no feed service";
    MSG quit{};  // a window destroyed by another test posted the quit that ends a program
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    if (row.during != During::Nothing) DuringTheWait(row.during);
    const Timed got = TimedGet(row.target);

    const std::optional<std::string> expected =
        row.gives == Gives::Body ? std::optional(PatternBody(row.bodyBytes)) : std::nullopt;
    EXPECT_TRUE(got.body == expected)
        << (got.body ? std::to_string(got.body->size()) + " bytes" : "nothing");
    ExpectEnds(row.ends, got.elapsed);
    EXPECT_TRUE(row.during != During::NestedGet || nested == PatternBody(300)) << "nested Get";
    if (row.during == During::ProgramEnds) {  // the quit stays posted for the loops outside
        const Timed afterEnd = TimedGet(row.target);
        EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_FALSE(afterEnd.body.has_value());
        ExpectEnds(Ends::AtOnce, afterEnd.elapsed);
    }
}

INSTANTIATE_TEST_SUITE_P(Contract, WinInetContract, testing::ValuesIn(ContractRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tarvolin::test
