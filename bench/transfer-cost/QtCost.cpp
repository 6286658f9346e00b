// transfer-cost URL [QUIET_SECONDS [TIMEOUT_MS]]: one GET through the Linux program's transfer with
// the product's limits, and what it cost: time to its outcome, CPU seconds of the process during it
// and in the quiet spell after it (default 5 s, the event loop running), resident memory before it
// and at its peak. bench/transfer-cost-report runs it per hostile case.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>

#include "bench/transfer-cost/CostReport.h"
#include "runtime/qt/QtTransfer.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A field of /proc/self/status in kB: VmRSS now, VmHWM the peak.
long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string name;
    long value = 0;
    while (status >> name) {
        if (name == field + ":" && status >> value) return value;
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: transfer-cost URL [QUIET_SECONDS [TIMEOUT_MS]]\n", stderr);
        return 2;
    }
    const int quietSeconds = argc > 2 ? std::atoi(argv[2]) : 5;
    tarvolin::TransferLimits limits;
    if (argc > 3) limits.timeout = std::chrono::milliseconds(std::atoi(argv[3]));
    tarvolin::QtTransfer transfer(limits);
    const long idleRss = StatusKb("VmRSS");
    const double cpuBefore = CpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    const auto body = transfer.Get(argv[1]);
    const auto took = std::chrono::steady_clock::now() - started;
    const double cpuAfterGet = CpuSeconds();
    tarvolin::bench::PrintReturned(body, took, cpuAfterGet - cpuBefore, idleRss);
    QEventLoop quiet;
    QTimer::singleShot(std::chrono::seconds(quietSeconds), &quiet, &QEventLoop::quit);
    quiet.exec();
    tarvolin::bench::PrintAfter(CpuSeconds() - cpuAfterGet, StatusKb("VmHWM"));
    return 0;
}
