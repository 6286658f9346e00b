// transfer-cost.exe URL [QUIET_SECONDS [TIMEOUT_MS]]: the Windows program's transfer (WinINet)
// measured the way QtCost.cpp measures the Linux one; the quiet spell delivers the thread's
// messages. Under Wine the figures are those of the Wine process (CPU of every thread, its working
// set).

// clang-format off
#include <windows.h>  // before psapi.h, which needs it
#include <psapi.h>
// clang-format on

#include <chrono>
#include <cstdlib>

#include "bench/transfer-cost/CostReport.h"
#include "runtime/win32/WinInetTransfer.h"

namespace {

double CpuSeconds() {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32U) |
                                   time.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: transfer-cost.exe URL [QUIET_SECONDS [TIMEOUT_MS]]\n", stderr);
        return 2;
    }
    const int quietSeconds = argc > 2 ? std::atoi(argv[2]) : 5;
    tarvolin::TransferLimits limits;
    if (argc > 3) limits.timeout = std::chrono::milliseconds(std::atoi(argv[3]));
    tarvolin::WinInetTransfer transfer(limits);
    const auto idleRss = static_cast<long>(Memory().WorkingSetSize / 1024);
    const double cpuBefore = CpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    const auto body = transfer.Get(argv[1]);
    const auto took = std::chrono::steady_clock::now() - started;
    const double cpuAfterGet = CpuSeconds();
    tarvolin::bench::PrintReturned(body, took, cpuAfterGet - cpuBefore, idleRss);
    const DWORD quietEnd = GetTickCount() + static_cast<DWORD>(quietSeconds) * 1000;
    for (DWORD now = GetTickCount(); now < quietEnd; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, quietEnd - now, QS_ALLINPUT);
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    tarvolin::bench::PrintAfter(CpuSeconds() - cpuAfterGet,
                                static_cast<long>(Memory().PeakWorkingSetSize / 1024));
    return 0;
}
