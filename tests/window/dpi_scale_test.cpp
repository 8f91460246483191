#include "window/dpi_scale.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

struct ScaleCase {
    std::int32_t dpi;
    std::int32_t value;
    std::int32_t expected;
};

TEST(ScaleByFactor, RoundsTheSinglePrecisionProductUp) {
    const ScaleCase cases[] = {
        {96, 800, 800},
        {96, 600, 600},
        {96, 0, 0},
        {96, -5, -5},
        {120, 801, 1002},  // 1001.25
        {144, 601, 902},   // 901.5
        {120, 90, 113},    // 112.5
        {120, 10, 13},
        {120, 20, 25},
        // The product is rounded to single precision before the ceiling: computed exactly,
        // these would give 56, 126 and 36.
        {110, 48, 55},
        {125, 96, 125},
        {140, 24, 35},
        {120, -3, -3},  // -3.75 rounds up toward zero
        // Beyond the 32-bit range the size saturates instead of wrapping to a negative width.
        {120, 2147483647, 2147483647},
        {120, -2147483647 - 1, -2147483647 - 1},
    };
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " DPI, " << c.value);
        EXPECT_EQ(ScaleByFactor(c.value, DpiScaleFactor(c.dpi)), c.expected);
    }
}

TEST(UnscaleByFactor, GivesBackTheSizeThatWasScaledAndNoMore) {
    for (const std::int32_t dpi : {96, 110, 120, 125, 140, 144, 168, 192}) {
        const float factor = DpiScaleFactor(dpi);
        for (std::int32_t value = 1; value <= 4000; ++value) {
            const std::int32_t device = ScaleByFactor(value, factor);
            ASSERT_EQ(UnscaleByFactor(device, factor), value) << dpi << " DPI, " << value;
            // A device pixel less no longer holds the whole size.
            ASSERT_EQ(UnscaleByFactor(device - 1, factor), value - 1) << dpi << " DPI, " << value;
        }
    }
    EXPECT_EQ(UnscaleByFactor(802, 1.25f), 641);  // 641.6: rounding would give 642
}

TEST(DpiScaleFactor, IsTheDpiOver96) {
    EXPECT_EQ(DpiScaleFactor(96), 1.0f);
    EXPECT_EQ(DpiScaleFactor(120), 1.25f);
    EXPECT_EQ(DpiScaleFactor(144), 1.5f);
    EXPECT_EQ(DpiScaleFactor(110), 110.0f / 96.0f);
}

}  // namespace
}  // namespace tessaly
