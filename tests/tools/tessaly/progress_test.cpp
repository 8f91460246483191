#include "tessaly/progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tessaly::tool {
namespace {

TEST(FormatSize, UsesBinaryUnits) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 bytes"},          {1, "1 byte"},           {1023, "1023 bytes"},
        {1024, "1.0 KiB"},       {1536, "1.5 KiB"},       {10 << 20, "10.0 MiB"},
        {3ull << 30, "3.0 GiB"}, {5ull << 40, "5.0 TiB"}, {5ull << 50, "5120.0 TiB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(FormatSize(bytes), text) << bytes;
    }
}

TEST(ProgressLine, FillsTheBarByWholePercent) {
    EXPECT_EQ(ProgressLine(0, 2048, 10), "[..........]   0%  0 bytes of 2.0 KiB");
    EXPECT_EQ(ProgressLine(1024, 2048, 10), "[#####.....]  50%  1.0 KiB of 2.0 KiB");
    EXPECT_EQ(ProgressLine(2047, 2048, 10), "[#########.]  99%  2.0 KiB of 2.0 KiB");
    EXPECT_EQ(ProgressLine(2048, 2048, 10), "[##########] 100%  2.0 KiB of 2.0 KiB");
    EXPECT_EQ(ProgressLine(4096, 2048, 4), "[####] 100%  2.0 KiB of 2.0 KiB");
    EXPECT_EQ(ProgressLine(0, 0, 4), "[####] 100%  0 bytes of 0 bytes");
}

TEST(ProgressBar, RedrawsOnlyWhenThePercentChanges) {
    std::ostringstream out;
    ProgressBar bar(out, true, 1000);
    for (int i = 0; i < 100; ++i) {
        bar.Advance(5);  // 0.5% each
    }
    bar.Finish();
    const std::string text = out.str();
    // 0% at the start, then 1% to 50% by the steps, then 100% at the end.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 52);
    EXPECT_TRUE(text.ends_with("  \n")) << text;

    std::ostringstream quiet;
    ProgressBar off(quiet, false, 1000);
    off.Advance(500);
    off.Finish();
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace tessaly::tool
