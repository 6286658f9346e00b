// Throughput of the reply scanner on realistic replies from 1 KB to 64 MB and on the shapes
// a broken service could send, beside the literal line-copying scanner at the sizes where it
// still finishes, and a plain read of each reply as the memory floor. Each run reports
// characters per second and the time per character.

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/FeedLineScanner.h"
#include "bench/LiteralScanner.h"
#include "bench/ReplyShapes.h"

namespace tarvolin::bench {
namespace {

constexpr std::size_t KiB = 1024;
constexpr std::size_t MiB = 1024 * KiB;

using ScanFunction = void (*)(std::u16string_view, FeedItem&, FeedLineScanner::BuildDate);

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string SizeName(std::size_t size) {
    return size >= MiB ? std::to_string(size / MiB) + "M" : std::to_string(size / KiB) + "K";
}

// Replies are built on first use and kept, so a 64 MB reply is generated once and only
// when a selected benchmark needs it.
class ReplyCache {
public:
    explicit ReplyCache(std::string feed) : feed_(std::move(feed)) {}

    const std::u16string& Get(ReplyShape shape, std::size_t size) {
        auto [it, inserted] = replies_.try_emplace({shape, size});
        if (inserted) it->second = MakeReply(shape, size, feed_);
        return it->second;
    }

    // Whether the literal and the one-pass scanner give the same item for this reply;
    // checked once per reply, since the literal scan of a large reply takes seconds.
    bool ScannersAgree(ReplyShape shape, std::size_t size) {
        if (!agreed_.insert({shape, size}).second) return true;
        const std::u16string& reply = Get(shape, size);
        FeedItem onePass;
        FeedItem literal;
        FeedLineScanner::scan(reply, onePass, FeedLineScanner::BuildDate::Test);
        LiteralScan(reply, literal, FeedLineScanner::BuildDate::Test);
        return onePass.buildDate == literal.buildDate && onePass.category == literal.category &&
               onePass.link == literal.link && onePass.description == literal.description;
    }

private:
    std::string feed_;
    std::map<std::pair<ReplyShape, std::size_t>, std::u16string> replies_;
    std::set<std::pair<ReplyShape, std::size_t>> agreed_;
};

void SetCharCounters(benchmark::State& state, std::size_t chars) {
    const auto count = static_cast<double>(chars);
    state.counters["chars"] = count;
    state.counters["chars_per_s"] =
        benchmark::Counter(count, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["time_per_char"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RunScan(benchmark::State& state, ReplyCache& cache, ScanFunction scan, ReplyShape shape,
             std::size_t size, bool checkAgainstOnePass) {
    const std::u16string& reply = cache.Get(shape, size);
    if (checkAgainstOnePass && !cache.ScannersAgree(shape, size)) {
        state.SkipWithError("the literal and the one-pass scanner give different items");
        return;
    }
    // The poll cycle's item lives across polls, so its strings keep their capacity.
    FeedItem item;
    for (auto _ : state) {
        scan(reply, item, FeedLineScanner::BuildDate::Test);
        benchmark::DoNotOptimize(item);
        benchmark::ClobberMemory();
    }
    SetCharCounters(state, reply.size());
}

// The cheapest pass that reads every character (a count of LFs): what the memory system
// alone costs per character at each size, to read the scanner's figures against.
void RunReadFloor(benchmark::State& state, ReplyCache& cache, std::size_t size) {
    const std::u16string& reply = cache.Get(ReplyShape::Realistic, size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::count(reply.begin(), reply.end(), u'\n'));
    }
    SetCharCounters(state, reply.size());
}

void Register(ReplyCache& cache, const char* scanner, ScanFunction scan, ReplyShape shape,
              std::size_t size) {
    const bool literal = scan != &FeedLineScanner::scan;
    const std::string name =
        std::string(scanner) + "/" + std::string(ShapeName(shape)) + "/" + SizeName(size);
    benchmark::RegisterBenchmark(name.c_str(), [&cache, scan, shape, size,
                                                literal](benchmark::State& state) {
        RunScan(state, cache, scan, shape, size, literal);
    })->Unit(benchmark::kMicrosecond);
}

void RegisterAll(ReplyCache& cache) {
    const ScanFunction onePass = &FeedLineScanner::scan;
    const ScanFunction literal = &LiteralScan;
    for (const std::size_t size : {1 * KiB, 64 * KiB, 1 * MiB, 16 * MiB, 64 * MiB}) {
        Register(cache, "scan", onePass, ReplyShape::Realistic, size);
    }
    for (const ReplyShape shape : {ReplyShape::OneHugeLine, ReplyShape::OnlyLineFeeds,
                                   ReplyShape::EveryLineATag, ReplyShape::NearMissTags}) {
        for (const std::size_t size : {64 * KiB, 1 * MiB, 16 * MiB, 64 * MiB}) {
            Register(cache, "scan", onePass, shape, size);
        }
    }
    for (const std::size_t size : {64 * KiB, 1 * MiB, 16 * MiB, 64 * MiB}) {
        const std::string name = "floor/read/" + SizeName(size);
        benchmark::RegisterBenchmark(name.c_str(), [&cache, size](benchmark::State& state) {
            RunReadFloor(state, cache, size);
        })->Unit(benchmark::kMicrosecond);
    }
    // The literal scanner copies the rest of the reply after every line: keep it to sizes
    // where a run still ends in seconds.
    for (const std::size_t size : {1 * KiB, 64 * KiB, 1 * MiB}) {
        Register(cache, "literal", literal, ReplyShape::Realistic, size);
    }
    Register(cache, "literal", literal, ReplyShape::OneHugeLine, 1 * MiB);
    Register(cache, "literal", literal, ReplyShape::NearMissTags, 1 * MiB);
    Register(cache, "literal", literal, ReplyShape::OnlyLineFeeds, 64 * KiB);
    Register(cache, "literal", literal, ReplyShape::EveryLineATag, 64 * KiB);
}

}  // namespace
}  // namespace tarvolin::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    tarvolin::bench::ReplyCache cache(tarvolin::bench::ReadFile(TARVOLIN_BENCH_TEMPLATE_REPLY));
    tarvolin::bench::RegisterAll(cache);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
