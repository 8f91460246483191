#include "server/mapped_file_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "recording_file_access.h"
#include "server/span_reader.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

using test::RecordingFileAccess;
using View = RecordingFileAccess::ViewRequest;

// The whole span, read in pieces of `piece` bytes; "(unreadable)" when a read fails.
std::string ReadAll(SpanReader& reader, std::size_t piece = 4096) {
    std::string bytes;
    std::vector<std::byte> buffer(piece);
    for (;;) {
        const auto read = reader.Read(buffer.data(), buffer.size());
        if (!read) {
            return "(unreadable)";
        }
        if (*read == 0) {
            return bytes;
        }
        bytes.append(reinterpret_cast<const char*>(buffer.data()), *read);
    }
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = char(i * 7 + i / 251);
    }
    return bytes;
}

TEST(MappedFileCache, OpensEachRequestPathOnceAndKeepsIt) {
    RecordingFileAccess files;
    files.Add(u"www/clip.webm", "clip bytes");
    MappedFileCache cache(files);

    const auto first = cache.GetMappedFile(u"clip.webm", u"www/clip.webm");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 10u);
    // Once the key is present the file path is not even looked at.
    EXPECT_EQ(cache.GetMappedFile(u"clip.webm", u"www/other"), first);
    EXPECT_EQ(files.openPaths, std::vector<std::u16string>{u"www/clip.webm"});

    // Keys compare unit by unit, so another spelling of the same file gets its own entry.
    EXPECT_NE(cache.GetMappedFile(u"CLIP.webm", u"www/clip.webm"), first);
    EXPECT_EQ(files.openPaths.size(), 2u);
    EXPECT_EQ(cache.size(), 2u);
}

TEST(MappedFileCache, KeepsNothingForAFileThatCannotBeMapped) {
    RecordingFileAccess files;
    files.Add(u"www/empty.bin", "");
    files.Add(u"www/small.bin", "small");
    MappedFileCache cache(files);

    EXPECT_FALSE(cache.GetMappedFile(u"missing.bin", u"www/missing.bin"));
    EXPECT_FALSE(cache.GetMappedFile(u"empty.bin", u"www/empty.bin"));
    // Opened, but its view failed: the file is closed again.
    files.failViews = true;
    EXPECT_FALSE(cache.GetMappedFile(u"small.bin", u"www/small.bin"));
    EXPECT_EQ(files.closed.size(), 1u);
    files.failViews = false;
    EXPECT_EQ(cache.size(), 0u);

    // Once the file is there, the next request opens it.
    files.Add(u"www/missing.bin", "now here");
    EXPECT_TRUE(cache.GetMappedFile(u"missing.bin", u"www/missing.bin"));
    EXPECT_EQ(files.openPaths.size(), 4u);
    EXPECT_EQ(cache.size(), 1u);
}

TEST(MappedFileCache, ReleasesEveryEntryOnceInKeyOrderButNotWhileAnAnswerHoldsIt) {
    RecordingFileAccess files;
    files.Add(u"b", "2");
    files.Add(u"a", "1");
    files.Add(u"B", "3");
    MappedFileCache cache(files);
    const std::uintptr_t b = files.handlesMade() + 1;
    cache.GetMappedFile(u"b", u"b");
    cache.GetMappedFile(u"a", u"a");
    auto held = cache.GetMappedFile(u"B", u"B");  // an answer still being read

    cache.ReleaseMappedFiles();
    EXPECT_EQ(files.closed, (std::vector<std::uintptr_t>{b + 1, b}));  // "a" < "b" by code unit
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_EQ(files.openViews, 1);
    held.reset();
    EXPECT_EQ(files.closed.size(), 3u);
    EXPECT_EQ(files.openViews, 0);
    cache.ReleaseMappedFiles();
    EXPECT_EQ(files.closed.size(), 3u);
}

// Small files keep one view of all of their bytes; larger ones are viewed in windows that start
// at the alignment and give their address space back once the span is read.
TEST(SpanReader, ViewsLargeFilesOneWindowAtATime) {
    RecordingFileAccess files;
    const std::string small = Pattern(std::size_t(kWholeViewLimit));
    const std::string large = Pattern(std::size_t(kWholeViewLimit) + 1);
    files.Add(u"small", small);
    files.Add(u"large", large);
    MappedFileCache cache(files);

    const auto smallFile = cache.GetMappedFile(u"small", u"small");
    EXPECT_EQ(files.views, (std::vector<View>{{0, small.size()}}));
    SpanReader fromSmall(smallFile, {70000, 70009});
    EXPECT_EQ(ReadAll(fromSmall), small.substr(70000, 10));
    EXPECT_EQ(files.views.size(), 1u);

    const auto largeFile = cache.GetMappedFile(u"large", u"large");
    EXPECT_EQ(files.views.size(), 1u);  // nothing viewed until read
    // Crosses an alignment boundary, and needs two windows.
    const std::uint64_t first = 2 * kViewAlignment - 5;
    SpanReader reader(largeFile, {first, first + kReadWindow + 9});
    EXPECT_EQ(files.openViews, 1);
    EXPECT_EQ(ReadAll(reader, 1000), large.substr(first, kReadWindow + 10));
    EXPECT_EQ(files.views.back(),
              (View{first + kReadWindow - kViewAlignment + 5, kViewAlignment - 5 + 10}));
    EXPECT_EQ(files.views[1], (View{kViewAlignment, kViewAlignment - 5 + kReadWindow}));
    EXPECT_EQ(files.openViews, 1);  // read to the end: only the small file's view is left

    // Read again from anywhere, as a reader that rewinds does.
    reader.Seek(kReadWindow);
    EXPECT_EQ(ReadAll(reader), large.substr(first + kReadWindow, 10));
    reader.Seek(kReadWindow + 10);
    EXPECT_EQ(ReadAll(reader), "");

    // Back to the start while the second window is held.
    SpanReader again(largeFile, {first, first + kReadWindow + 9});
    std::vector<std::byte> part(kReadWindow + 5);
    ASSERT_EQ(again.Read(part.data(), part.size()), part.size());
    again.Seek(0);
    EXPECT_EQ(ReadAll(again).substr(0, 10), large.substr(first, 10));

    files.failViews = true;
    reader.Seek(0);
    EXPECT_EQ(ReadAll(reader), "(unreadable)");
    EXPECT_FALSE(CanViewSpanStart(*largeFile, {first, first}));
    EXPECT_TRUE(CanViewSpanStart(*smallFile, {first, first}));
}

// Offsets and lengths past 4 GiB stay 64-bit all the way to the view, also where size_t is 32
// bits: a file of 4.5 GiB made up in memory.
TEST(SpanReader, ReadsAnySpanOfAFileOfMoreThan4GiB) {
    constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;
    constexpr std::uint64_t kSize = k4GiB + k4GiB / 8 + 7;
    RecordingFileAccess files;
    files.AddMadeUp(u"huge", kSize);
    MappedFileCache cache(files);
    const auto huge = cache.GetMappedFile(u"huge", u"huge");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->size(), kSize);

    const struct {
        ByteRange span;
        std::uint64_t position;  // where reading starts in the span
        std::size_t count;
    } cases[] = {
        // A span that starts past 4 GiB, in two windows.
        {{kSize - 2 * kReadWindow, kSize - 1}, 0, 2 * kReadWindow},
        // A position past 4 GiB in a span of more than 4 GiB.
        {{3, kSize - 1}, k4GiB + 1000, 100},
    };
    for (const auto& c : cases) {
        SpanReader reader(huge, c.span);
        reader.Seek(c.position);
        const std::string label = std::to_string(c.span.first) + "+" + std::to_string(c.position);
        EXPECT_EQ(reader.size(), c.span.count()) << label;
        std::string bytes(c.count, '\0');
        EXPECT_EQ(reader.Read(reinterpret_cast<std::byte*>(bytes.data()), c.count), c.count)
            << label;
        EXPECT_EQ(bytes, RecordingFileAccess::MadeUpBytes(c.span.first + c.position, c.count))
            << label;
    }
}

TEST(SpanReader, ReadsRealFilesWithThePlatformsOwnCalls) {
    test::TempFolder folder;
    const std::string clip = Pattern(5000);
    folder.Write("clip.webm", clip);
    const auto largePath = folder.path() / "large.webm";
    folder.Write("large.webm", "");
    std::filesystem::resize_file(largePath, kWholeViewLimit + 3 * kViewAlignment);
    {
        std::fstream large(largePath, std::ios::binary | std::ios::in | std::ios::out);
        large.seekp(std::streamoff(kWholeViewLimit + kViewAlignment - 2));
        large.write("edge", 4);
    }
    std::filesystem::create_directory(folder.path() / "sub");

    RecordingFileAccess files(&PlatformFileAccess());
    {
        MappedFileCache cache(files);
        SpanReader reader(cache.GetMappedFile(u"clip.webm", folder.Wide("clip.webm")),
                          {4000, 4999});
        EXPECT_EQ(ReadAll(reader, 300), clip.substr(4000));
        SpanReader edge(
            cache.GetMappedFile(u"large.webm", folder.Wide("large.webm")),
            {kWholeViewLimit + kViewAlignment - 3, kWholeViewLimit + kViewAlignment + 2});
        EXPECT_EQ(ReadAll(edge), std::string(1, '\0') + "edge" + std::string(1, '\0'));
        EXPECT_FALSE(cache.GetMappedFile(u"empty", folder.Wide("empty")));
        EXPECT_FALSE(cache.GetMappedFile(u"missing", folder.Wide("missing")));
        EXPECT_FALSE(cache.GetMappedFile(u"sub", folder.Wide("sub")));
        EXPECT_EQ(cache.size(), 2u);
    }
    EXPECT_EQ(files.openViews, 0);
    // Released for real: the files can go (on Windows they could not while they were open).
    EXPECT_TRUE(std::filesystem::remove(folder.path() / "clip.webm"));
    EXPECT_TRUE(std::filesystem::remove(largePath));
}

}  // namespace
}  // namespace tessaly
