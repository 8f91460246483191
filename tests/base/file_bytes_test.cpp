// Runs against the platform's own ReadFileBytes: POSIX natively, the C runtime under Wine.
#include "base/file_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "temp_folder.h"

namespace tessaly {
namespace {

using namespace std::string_literals;

TEST(ReadFileBytes, ReadsEveryByteOrNothing) {
    test::TempFolder folder;
    const std::string binary = "a\0b\xFF\r\n"s;
    folder.Write("data.bin", binary);
    folder.Write("empty.json", "");
    folder.Write("caf\xC3\xA9.txt", "named in UTF-8");
    std::filesystem::create_directory(folder.path() / "sub");

    EXPECT_EQ(ReadFileBytes(folder.Wide("data.bin")), binary);
    EXPECT_EQ(ReadFileBytes(folder.Wide("caf\xC3\xA9.txt")), "named in UTF-8");
    EXPECT_EQ(ReadFileBytes(folder.Wide("empty.json")), "");
    EXPECT_EQ(ReadFileBytes(folder.Wide("missing.json")), "");
    EXPECT_EQ(ReadFileBytes(folder.Wide("sub")), "");
}

TEST(ReadFileBytes, RefusesFilesOf2GiBOrMore) {
    test::TempFolder folder;
    // Sparse: sized without writing, so the test costs no disk.
    for (const std::uint64_t size : {kMaxWholeFileBytes, kMaxWholeFileBytes + 5}) {
        { std::ofstream(folder.path() / "big.bin", std::ios::binary); }
        std::filesystem::resize_file(folder.path() / "big.bin", size);
        EXPECT_EQ(ReadFileBytes(folder.Wide("big.bin")).size(), 0u) << size;
    }
}

}  // namespace
}  // namespace tessaly
