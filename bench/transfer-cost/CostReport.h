#pragma once
// What one GET cost, as the transfer-cost tools print it: one line when the GET returns and
// one after a quiet spell, so that a script can count the service's open connections between
// the two.

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

namespace tarvolin::bench {

inline void PrintReturned(const std::optional<std::string>& body, std::chrono::nanoseconds took,
                          double cpuSeconds, long idleRssKb) {
    std::printf("returned ms=%.0f outcome=%s cpu_s=%.2f idle_rss_kb=%ld\n",
                std::chrono::duration<double, std::milli>(took).count(),
                body ? ("body:" + std::to_string(body->size())).c_str() : "nothing", cpuSeconds,
                idleRssKb);
    std::fflush(stdout);
}

inline void PrintAfter(double cpuSecondsAfter, long peakRssKb) {
    std::printf("after cpu_s=%.2f peak_rss_kb=%ld\n", cpuSecondsAfter, peakRssKb);
    std::fflush(stdout);
}

}  // namespace tarvolin::bench
