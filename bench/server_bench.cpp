// The content server's hot paths, each against the plain operation it cannot avoid, measured in
// the same run and printed as a ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "heap_count.h"
#include "server/decoded_reader.h"
#include "server/resource_response.h"
#include "server/span_reader.h"

#include "gzip.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

constexpr std::size_t kBuildData = 16 * kMiB;

struct Content {
    test::TempFolder folder;
    std::u16string www;
    std::string data;  // Build/game.data.gz decoded

    Content() {
        www = folder.Wide("www") + u"/";
        std::string media(4 * kMiB, '\0');
        for (std::size_t i = 0; i < media.size(); ++i) {
            media[i] = char(i * 31 + (i >> 12));
        }
        folder.Write("www/media/clip.webm", media);
        folder.Write("www/index.html", std::string(1500, 'h'));
        // A compressed build's data file: 16 MiB of text that gzip shrinks to about a third.
        std::mt19937 random(7);
        while (data.size() < kBuildData) {
            data += std::to_string(random() % 100000) + (random() % 8 == 0 ? "\n" : " ");
        }
        data.resize(kBuildData);
        folder.Write("www/Build/game.loader.js", "");
        folder.Write("www/Build/game.data.gz", test::Gzipped(data));
        { std::ofstream(folder.path() / "www" / "sparse.webm", std::ios::binary); }
        std::filesystem::resize_file(folder.path() / "www" / "sparse.webm", std::uint64_t{4} << 30);
    }
};

Content& Files() {
    static Content content;
    return content;
}

std::u16string Uri(std::u16string_view path) {
    return std::u16string(VirtualOrigin) + std::u16string(path);
}

// The process's address space in bytes, from the kernel's own count.
std::size_t AddressSpaceBytes() {
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) {
            pages = 0;
        }
        std::fclose(statm);
    }
    return std::size_t(pages) * std::size_t(sysconf(_SC_PAGESIZE));
}

constexpr int kSpansPerIteration = 100;

// The Range values of 100 spans of 1 MiB at random places in a file of `size` bytes.
std::vector<std::u16string> RandomSpans(std::uint64_t size) {
    std::mt19937_64 random(42);
    std::vector<std::u16string> ranges;
    for (int i = 0; i < kSpansPerIteration; ++i) {
        const std::uint64_t first = random() % (size - kMiB);
        const std::string text =
            "bytes=" + std::to_string(first) + "-" + std::to_string(first + kMiB - 1);
        ranges.emplace_back(text.begin(), text.end());
    }
    return ranges;
}

// Answers 100 spans of 1 MiB of `path` and reads each body whole, as the runtime does. Counts
// the heap the answers take besides the body's target, and the most address space the process
// grew by while a span was being read.
void AnswerRandomSpans(benchmark::State& state, std::u16string_view path, std::uint64_t size) {
    MappedFileCache cache(PlatformFileAccess());
    const std::u16string uri = Uri(path);
    const auto ranges = RandomSpans(size);
    std::vector<std::byte> target(kMiB);
    const std::size_t spaceBefore = AddressSpaceBytes();
    std::size_t spaceGrowth = 0, heap = 0;
    for (auto _ : state) {
        const std::size_t heapBefore = bench::AllocatedBytes();
        for (const auto& range : ranges) {
            const ResourceResponse answer =
                AnswerResourceRequest(uri, range, Files().www, PlatformFileAccess(), cache);
            SpanReader reader(answer.file, answer.span);
            if (answer.status != 206 || reader.Read(target.data(), kMiB / 2) != kMiB / 2) {
                state.SkipWithError("no 1 MiB span");
                return;
            }
            spaceGrowth = std::max(spaceGrowth, AddressSpaceBytes() - spaceBefore);
            reader.Read(target.data() + kMiB / 2, kMiB / 2);
            benchmark::DoNotOptimize(target.data());
            benchmark::ClobberMemory();
        }
        heap = (bench::AllocatedBytes() - heapBefore) / kSpansPerIteration;
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kSpansPerIteration * kMiB));
    state.counters["heap_per_answer"] = double(heap);
    state.counters["address_space_growth"] = double(spaceGrowth);
}

void BM_100SpansOfMappedSmallFile(benchmark::State& state) {
    AnswerRandomSpans(state, u"media/clip.webm", 4 * kMiB);
}
BENCHMARK(BM_100SpansOfMappedSmallFile);

void BM_100SpansOf4GiBFile(benchmark::State& state) {
    AnswerRandomSpans(state, u"sparse.webm", std::uint64_t{4} << 30);
}
BENCHMARK(BM_100SpansOf4GiBFile);

void BM_100Memcpy1MiB(benchmark::State& state) {
    std::vector<char> source(kMiB, 'x');
    std::vector<char> target(kMiB);
    for (auto _ : state) {
        for (int i = 0; i < kSpansPerIteration; ++i) {
            std::memcpy(target.data(), source.data(), kMiB);
            benchmark::DoNotOptimize(target.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kSpansPerIteration * kMiB));
}
BENCHMARK(BM_100Memcpy1MiB);

// The first request for a compressed build's 16 MiB data file, read whole in 64 KiB pieces as the
// runtime reads a stream: a pass that measures the decoded length, then the decoding read. Also
// counts the heap the answer took while it was being read.
void BM_DecodedBuildFileAnswer(benchmark::State& state) {
    const std::u16string uri = Uri(u"Build/game.data.gz");
    std::vector<std::byte> piece(64 << 10);
    std::size_t peakHeap = 0;
    for (auto _ : state) {
        MappedFileCache cache(PlatformFileAccess());  // a first request each time
        const ResourceResponse answer =
            AnswerResourceRequest(uri, std::nullopt, Files().www, PlatformFileAccess(), cache);
        DecodedReader reader(answer.file, answer.compression, answer.span);
        const std::size_t heapBefore = bench::AllocatedBytes();
        std::uint64_t total = 0;
        while (const std::size_t read = reader.Read(piece.data(), piece.size()).value_or(0)) {
            total += read;
            if (total == piece.size()) {
                peakHeap = bench::AllocatedBytes() - heapBefore;
            }
        }
        if (total != kBuildData) {
            state.SkipWithError("not the whole decoded file");
            return;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kBuildData));
    state.counters["heap_while_reading"] = double(peakHeap);
}
BENCHMARK(BM_DecodedBuildFileAnswer)->Unit(benchmark::kMillisecond);

// The least any decoding server does: zlib inflating the same file into memory in one call.
void BM_InflateInOneCall(benchmark::State& state) {
    const std::string packed = test::Gzipped(Files().data);
    std::string target(kBuildData, '\0');
    for (auto _ : state) {
        z_stream stream{};
        inflateInit2(&stream, 16 + MAX_WBITS);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        stream.avail_in = uInt(packed.size());
        stream.next_out = reinterpret_cast<Bytef*>(target.data());
        stream.avail_out = uInt(target.size());
        if (inflate(&stream, Z_FINISH) != Z_STREAM_END) {
            state.SkipWithError("inflate failed");
        }
        inflateEnd(&stream);
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kBuildData));
}
BENCHMARK(BM_InflateInOneCall)->Unit(benchmark::kMillisecond);

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
    std::optional<FileMapping> Open(const std::u16string&) override { return FileMapping{0, 0, 4}; }
    const std::byte* MapView(const FileMapping&, std::uint64_t, std::size_t) override {
        return reinterpret_cast<const std::byte*>(bytes_);
    }
    void UnmapView(const std::byte*, std::size_t) override {}
    void Close(const FileMapping&) override {}

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
    std::map<std::u16string, std::shared_ptr<const MappedFile>, std::less<>> map;
    for (const auto& key : keys) {
        map.emplace(key, nullptr);
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
        cache.GetMappedFile(key, key);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cache.GetMappedFile(keys[next], keys[next]).get());
        next = (next + 1) % kEntries;
    }
}
BENCHMARK(BM_CacheLookup10000);

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
            std::printf("%-64s: not measured\n", what);
            return;
        }
        std::printf("%-64s: %6.2f  %s\n", what, times[measured] / times[baseline], aim);
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
    reporter.PrintRatio("100 spans of 1 MiB of a mapped small file / 100 memcpy of 1 MiB",
                        "BM_100SpansOfMappedSmallFile", "BM_100Memcpy1MiB", "(aim <= 1.5)");
    reporter.PrintRatio("100 spans of 1 MiB of a 4 GiB file / of a mapped small file",
                        "BM_100SpansOf4GiBFile", "BM_100SpansOfMappedSmallFile",
                        "(each new window is mapped and faulted in)");
    reporter.PrintRatio("small whole-file answer / one file status query",
                        "BM_SmallWholeFileAnswer", "BM_FileStatus", "");
    reporter.PrintRatio("cache look-up among 10,000 / bare ordered-map look-up",
                        "BM_CacheLookup10000", "BM_OrderedMapLookup10000", "");
    reporter.PrintRatio("first answer of a 16 MiB gzip build file, read / one inflate call",
                        "BM_DecodedBuildFileAnswer", "BM_InflateInOneCall",
                        "(two passes: aim <= 2.5)");
    const auto decoded = reporter.counters.find("BM_DecodedBuildFileAnswer");
    if (decoded != reporter.counters.end() && decoded->second.count("heap_while_reading")) {
        std::printf("%-64s: %6.0f bytes\n", "heap of a decoded answer while it is read",
                    decoded->second.at("heap_while_reading").value);
    }
    const auto large = reporter.counters.find("BM_100SpansOf4GiBFile");
    if (large != reporter.counters.end() && large->second.count("address_space_growth")) {
        std::printf("%-64s: %6.4f  (one read window, far below the cap)\n",
                    "peak address space growth, spans of a 4 GiB file / the cap",
                    large->second.at("address_space_growth").value / double(kMaxOpenEndedSpan));
        std::printf("%-64s: %6.0f bytes\n", "heap per answer of a 4 GiB file's span",
                    large->second.at("heap_per_answer").value);
    }
    benchmark::Shutdown();
    return 0;
}
