// The transfer contract (tests/integration/TransferContract.h) run against WinINet, served by
// the feed service whose base URL TARVOLIN_FEED_SERVICE names (tests/wine/run starts it), and
// its https and proxy rows.

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

// Statics, for a thread timer's plain callback: it runs inside the wait of a Get, as a Status
// chosen from the menu while a poll hangs does.
const char* const service = std::getenv("TARVOLIN_FEED_SERVICE");  // http://127.0.0.1:PORT
WinInetTransfer transfer{ContractLimits()};
std::optional<std::string> nested;

Timed Get(const std::string& target) {
    return TimedGet(transfer, (target.starts_with('/') ? std::string(service) : "") + target);
}

// Does `what` from the thread's messages 100 ms from now: inside the wait of a Get started now.
void DuringTheWait(During what) {
    static During pending = During::Nothing;
    pending = what;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (pending == During::NestedGet) nested = Get(NestedTarget).body;
        if (pending == During::ProgramEnds) PostQuitMessage(0);
    });
}

class WinInetContract : public testing::TestWithParam<ContractRow> {};

TEST_P(WinInetContract, GivesWhatTheContractSays) {
    const ContractRow row = OnWinInetAsItIs(GetParam());
    if (service == nullptr) GTEST_SKIP() << "TARVOLIN_FEED_SERVICE names no feed service";
    MSG quit{};  // a window destroyed by another test posted the quit that ends a program
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    const std::optional<std::string> connections = OpenConnections(transfer, service);
    if (row.during != During::Nothing) DuringTheWait(row.during);
    const Timed got = Get(row.target);
    std::optional<Timed> afterEnd;
    if (row.during == During::ProgramEnds) {  // the quit stays posted for the loops outside
        afterEnd = Get(row.target);
        EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
    // At the limit: not later than as much again (Wine on a loaded machine).
    ExpectRow(row, got, ContractLimits().timeout, nested, afterEnd);
    if (row.onWinInet != OnWinInet::KeepsTheConnection &&
        row.onWinInet != OnWinInet::ReadsOnUnderWine)
        ExpectNoConnectionLeft(transfer, service, connections, ContractLimits().timeout);
}

INSTANTIATE_TEST_SUITE_P(Contract, WinInetContract, testing::ValuesIn(ContractRows),
                         [](const auto& row) { return std::string(row.param.name); });

// https and a real proxy (the user's Internet settings), run by tests/wine/run inside
// tests/integration/tls-front, whose test CA only that run trusts.
class SecureWinInet : public testing::TestWithParam<ContractRow> {};

TEST_P(SecureWinInet, GivesWhatTheContractSays) {
    if (std::getenv("TARVOLIN_TLS_CA") == nullptr) GTEST_SKIP() << "not inside tls-front";
    const ContractRow row = OnWinInetAsItIs(GetParam());
    const std::optional<std::string> connections = OpenConnections(transfer, SecureService);
    ExpectRow(row, TimedGet(transfer, row.target), ContractLimits().timeout, std::nullopt,
              std::nullopt);
    ExpectNoConnectionLeft(transfer, SecureService, connections, ContractLimits().timeout);
}

INSTANTIATE_TEST_SUITE_P(Secure, SecureWinInet, testing::ValuesIn(SecureRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tarvolin::test
