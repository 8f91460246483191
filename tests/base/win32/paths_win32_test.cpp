#include <gtest/gtest.h>

#include <filesystem>

#include "base/paths.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

TEST(ModulePath, IsTheRunningExecutable) {
    const std::u16string path = ModulePath();
    ASSERT_GT(path.size(), 3u);
    EXPECT_EQ(path.substr(1, 2), u":\\");
    EXPECT_TRUE(path.ends_with(u".exe"));
    EXPECT_EQ(path.find(u"\\.\\"), std::u16string::npos);
    EXPECT_TRUE(fs::exists(fs::path(path)));
    EXPECT_TRUE(FolderOf(path).ends_with(u"\\"));
    EXPECT_EQ(ModulePath(), path);  // cached, same answer
}

TEST(LocalAppDataFolder, IsAnExistingFolderWithoutTrailingBackslash) {
    const std::u16string folder = LocalAppDataFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), u'\\');
    EXPECT_TRUE(fs::is_directory(fs::path(folder)));
}

}  // namespace
}  // namespace tessaly
