// The content server's hot paths, each against the plain operation it cannot avoid, measured in
// the same run and printed as a ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "heap_count.h"
#include "server/resource_response.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

struct Content {
    test::TempFolder folder;
    std::u16string www;

    Content() {
        www = folder.Wide("www") + u"/";
        std::string media(4 * kMiB, '\0');
        for (std::size_t i = 0; i < media.size(); ++i) {
            media[i] = char(i * 31 + (i >> 12));
        }
        folder.Write("www/media/clip.webm", media);
        folder.Write("www/index.html", std::string(1500, 'h'));
        { std::ofstream(folder.path() / "www" / "sparse.webm", std::ios::binary); }
        std::filesystem::resize_file(folder.path() / "www" / "sparse.webm", std::uint64_t{1} << 30);
    }
};

Content& Files() {
    static Content content;
    return content;
}

std::u16string Uri(std::u16string_view path) {
    return std::u16string(VirtualOrigin) + std::u16string(path);
}

void BM_Memcpy1MiB(benchmark::State& state) {
    std::vector<char> source(kMiB, 'x');
    std::vector<char> target(kMiB);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), kMiB);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kMiB));
}
BENCHMARK(BM_Memcpy1MiB);

// The whole answer to a 1 MiB range of an already mapped file, with the copy into the body
// that the memory stream makes.
void BM_SpanOf1MiBFromMappedFile(benchmark::State& state) {
    MappedFileCache cache(PlatformFileAccess());
    std::vector<char> target(kMiB);
    const std::u16string uri = Uri(u"media/clip.webm");
    const std::u16string_view range = u"bytes=1048576-2097151";
    for (auto _ : state) {
        const ResourceResponse answer =
            AnswerResourceRequest(uri, range, Files().www, PlatformFileAccess(), cache);
        if (answer.span.size() != kMiB) {
            state.SkipWithError("no 1 MiB span");
            break;
        }
        std::memcpy(target.data(), answer.span.data(), kMiB);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kMiB));
}
BENCHMARK(BM_SpanOf1MiBFromMappedFile);

// The one file-system query every answer needs.
void BM_FileStatus(benchmark::State& state) {
    const std::u16string path = Files().www + u"index.html";
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlatformFileAccess().Status(path));
    }
}
BENCHMARK(BM_FileStatus);

void BM_SmallWholeFileAnswer(benchmark::State& state) {
    MappedFileCache cache(PlatformFileAccess());
    const std::u16string uri = Uri(u"index.html?v=3");
    for (auto _ : state) {
        const ResourceResponse answer =
            AnswerResourceRequest(uri, std::nullopt, Files().www, PlatformFileAccess(), cache);
        benchmark::DoNotOptimize(answer.headerLines.data());
    }
}
BENCHMARK(BM_SmallWholeFileAnswer);

// Maps nothing: every file is the same few bytes, so 10,000 entries cost no file system.
class InMemoryFiles final : public FileAccess {
  public:
    FileStatus Status(const std::u16string&) override { return {FileKind::RegularFile, 4}; }
    std::optional<MappedFile> Map(const std::u16string&) override {
        return MappedFile{0, 0, {reinterpret_cast<const std::byte*>(bytes_), 4}};
    }
    void Unmap(const MappedFile&) override {}

  private:
    const char bytes_[4] = {'w', 'e', 'b', 'm'};
};

constexpr std::size_t kEntries = 10000;

std::vector<std::u16string> Keys() {
    std::vector<std::u16string> keys;
    for (std::size_t i = 0; i < kEntries; ++i) {
        const std::string name = "media/track-" + std::to_string(i * 7919 % kEntries) + ".webm";
        keys.emplace_back(name.begin(), name.end());
    }
    return keys;
}

void BM_OrderedMapLookup10000(benchmark::State& state) {
    const auto keys = Keys();
    std::map<std::u16string, MappedFile, std::less<>> map;
    for (const auto& key : keys) {
        map.emplace(key, MappedFile{});
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.find(std::u16string_view(keys[next])));
        next = (next + 1) % kEntries;
    }
}
BENCHMARK(BM_OrderedMapLookup10000);

void BM_CacheLookup10000(benchmark::State& state) {
    const auto keys = Keys();
    InMemoryFiles files;
    MappedFileCache cache(files);
    for (const auto& key : keys) {
        cache.GetMappedView(key, key);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cache.GetMappedView(keys[next], keys[next]).data());
        next = (next + 1) % kEntries;
    }
}
BENCHMARK(BM_CacheLookup10000);

std::size_t ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return std::size_t(resident) * 4096;
}

// 'bytes=0-' on a 1 GiB file: the answer and its body copy must stay within the cap.
void BM_OpenEndedRangeOf1GiBFile(benchmark::State& state) {
    MappedFileCache cache(PlatformFileAccess());
    const std::u16string uri = Uri(u"sparse.webm");
    std::size_t heapPerAnswer = 0;
    const std::size_t residentBefore = ResidentBytes();
    for (auto _ : state) {
        const std::size_t before = bench::AllocatedBytes();
        const ResourceResponse answer =
            AnswerResourceRequest(uri, u"bytes=0-", Files().www, PlatformFileAccess(), cache);
        // The memory stream's own copy of the span.
        std::vector<std::byte> body(answer.span.begin(), answer.span.end());
        benchmark::DoNotOptimize(body.data());
        heapPerAnswer = bench::AllocatedBytes() - before;
        if (answer.status != 206 || body.size() != kMaxOpenEndedSpan) {
            state.SkipWithError("no capped 206 answer");
            break;
        }
        // Beyond the body, only header text may be allocated.
        if (heapPerAnswer > kMaxOpenEndedSpan + 64 * 1024) {
            state.SkipWithError("the answer allocates more than the cap");
            break;
        }
    }
    state.counters["heap_bytes"] = double(heapPerAnswer);
    state.counters["heap_over_cap"] = double(heapPerAnswer) / double(kMaxOpenEndedSpan);
    state.counters["resident_growth"] = double(ResidentBytes() - residentBefore);
}
BENCHMARK(BM_OpenEndedRangeOf1GiBFile);

// Keeps every run's time per iteration, to print the ratios after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
            counters[run.benchmark_name()] = run.counters;
        }
    }

    void PrintRatio(const char* what, const std::string& measured, const std::string& baseline,
                    const char* aim) {
        if (!times.count(measured) || !times.count(baseline) || times[baseline] <= 0) {
            std::printf("%-58s: not measured\n", what);
            return;
        }
        std::printf("%-58s: %6.2f  %s\n", what, times[measured] / times[baseline], aim);
    }

    std::map<std::string, double> times;
    std::map<std::string, benchmark::UserCounters> counters;
};

}  // namespace
}  // namespace tessaly

int main(int argc, char** argv) {
    using namespace tessaly;
    benchmark::Initialize(&argc, argv);
    Files();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nRatios (time against the baseline measured in this run):\n");
    reporter.PrintRatio("1 MiB span from a mapped file / memcpy of 1 MiB",
                        "BM_SpanOf1MiBFromMappedFile", "BM_Memcpy1MiB", "(aim <= 1.5)");
    reporter.PrintRatio("small whole-file answer / one file status query",
                        "BM_SmallWholeFileAnswer", "BM_FileStatus", "");
    reporter.PrintRatio("cache look-up among 10,000 / bare ordered-map look-up",
                        "BM_CacheLookup10000", "BM_OrderedMapLookup10000", "");
    const auto memory = reporter.counters.find("BM_OpenEndedRangeOf1GiBFile");
    if (memory != reporter.counters.end() && memory->second.count("heap_over_cap")) {
        const double ratio = memory->second.at("heap_over_cap").value;
        std::printf("%-58s: %6.4f  (the cap, plus a little header text)\n",
                    "heap of 'bytes=0-' on a 1 GiB file / the cap", ratio);
        std::printf("%-58s: %6.2f MiB\n", "resident growth over that benchmark",
                    memory->second.at("resident_growth").value / double(kMiB));
    }
    benchmark::Shutdown();
    return 0;
}
