#include "server/mapped_file_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "recording_file_access.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

using test::RecordingFileAccess;

std::string Text(std::span<const std::byte> view) {
    return std::string(reinterpret_cast<const char*>(view.data()), view.size());
}

TEST(MappedFileCache, MapsEachRequestPathOnceAndKeepsIt) {
    RecordingFileAccess files;
    files.Add(u"www/clip.webm", "clip bytes");
    MappedFileCache cache(files);

    const auto first = cache.GetMappedView(u"clip.webm", u"www/clip.webm");
    EXPECT_EQ(Text(first), "clip bytes");
    // Once the key is present the file path is not even looked at.
    const auto second = cache.GetMappedView(u"clip.webm", u"www/other");
    EXPECT_EQ(second.data(), first.data());
    EXPECT_EQ(files.mapPaths, std::vector<std::u16string>{u"www/clip.webm"});

    // Keys compare unit by unit, so another spelling of the same file gets its own entry.
    const auto upper = cache.GetMappedView(u"CLIP.webm", u"www/clip.webm");
    EXPECT_EQ(Text(upper), "clip bytes");
    EXPECT_EQ(files.mapPaths.size(), 2u);
    EXPECT_EQ(cache.size(), 2u);
}

TEST(MappedFileCache, KeepsNothingForAFileThatCannotBeMapped) {
    RecordingFileAccess files;
    files.Add(u"www/empty.bin", "");
    MappedFileCache cache(files);

    EXPECT_TRUE(cache.GetMappedView(u"missing.bin", u"www/missing.bin").empty());
    EXPECT_TRUE(cache.GetMappedView(u"empty.bin", u"www/empty.bin").empty());
    EXPECT_EQ(cache.size(), 0u);

    // Once the file is there, the next request maps it.
    files.Add(u"www/missing.bin", "now here");
    EXPECT_EQ(Text(cache.GetMappedView(u"missing.bin", u"www/missing.bin")), "now here");
    EXPECT_EQ(files.mapPaths.size(), 3u);
    EXPECT_EQ(cache.size(), 1u);
}

TEST(MappedFileCache, ReleasesEveryEntryOnceInKeyOrder) {
    RecordingFileAccess files;
    files.Add(u"b", "2");
    files.Add(u"a", "1");
    files.Add(u"B", "3");
    std::vector<const std::byte*> expected;
    {
        MappedFileCache cache(files);
        const auto b = cache.GetMappedView(u"b", u"b");
        const auto a = cache.GetMappedView(u"a", u"a");
        const auto upperB = cache.GetMappedView(u"B", u"B");
        expected = {upperB.data(), a.data(), b.data()};  // "B" < "a" < "b" by code unit

        cache.ReleaseMappedFiles();
        EXPECT_EQ(files.unmapped, expected);
        EXPECT_EQ(cache.size(), 0u);
        cache.ReleaseMappedFiles();
    }
    // Neither the second release nor the destructor releases anything again.
    EXPECT_EQ(files.unmapped, expected);
}

TEST(MappedFileCache, MapsRealFilesWithThePlatformsOwnCalls) {
    test::TempFolder folder;
    folder.Write("clip.webm", std::string(5000, 'x') + "tail");
    folder.Write("empty.webm", "");
    std::filesystem::create_directory(folder.path() / "sub");

    RecordingFileAccess files(&PlatformFileAccess());
    {
        MappedFileCache cache(files);
        const auto view = cache.GetMappedView(u"clip.webm", folder.Wide("clip.webm"));
        ASSERT_EQ(view.size(), 5004u);
        EXPECT_EQ(Text(view.subspan(5000)), "tail");
        EXPECT_TRUE(cache.GetMappedView(u"empty.webm", folder.Wide("empty.webm")).empty());
        EXPECT_TRUE(cache.GetMappedView(u"missing", folder.Wide("missing")).empty());
        EXPECT_TRUE(cache.GetMappedView(u"sub", folder.Wide("sub")).empty());
        EXPECT_EQ(cache.size(), 1u);
    }
    EXPECT_EQ(files.unmapped.size(), 1u);
    // Released for real: the file can go (on Windows it could not while it was mapped).
    EXPECT_TRUE(std::filesystem::remove(folder.path() / "clip.webm"));
}

}  // namespace
}  // namespace tessaly
