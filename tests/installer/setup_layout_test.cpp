#include "installer/setup_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

TEST(PlaceSetupWindow, CentresTheScaledWindow) {
    struct Case {
        float factor;
        std::int32_t screenWidth, screenHeight;
        PixelRect expected;
    } cases[] = {
        {1.0f, 1920, 1080, {810, 495, 300, 90}},
        {1.25f, 1920, 1080, {773, 484, 375, 113}},  // 960 - 187, 540 - 56
        {1.0f, 1024, 768, {362, 339, 300, 90}},
        {1.25f, 1023, 767, {324, 327, 375, 113}},  // each half truncated on its own
        {1.0f, 200, 50, {-50, -20, 300, 90}},      // larger than the screen
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.factor << " " << c.screenWidth << "x" << c.screenHeight);
        const PixelRect r = PlaceSetupWindow(c.factor, c.screenWidth, c.screenHeight);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.width, c.expected.width);
        EXPECT_EQ(r.height, c.expected.height);
    }
}

TEST(PlaceProgressBar, InsetsTheBarInTheClientArea) {
    // At 96 DPI, 10 pixels on every side.
    EXPECT_EQ(PlaceProgressBar(1.0f, 294, 61), (PixelRect{10, 10, 274, 41}));
    // At 120 DPI, 13 at the left and top, 25 narrower and shorter: 12 remain right and below.
    const PixelRect bar = PlaceProgressBar(1.25f, 369, 84);
    EXPECT_EQ(bar, (PixelRect{13, 13, 344, 59}));
    EXPECT_EQ(369 - (bar.x + bar.width), 12);
    EXPECT_EQ(84 - (bar.y + bar.height), 12);
}

TEST(ProgressPosition, IsSinglePrecisionPercentTruncated) {
    struct Case {
        std::uint32_t progress, maximum;
        std::int32_t expected;
    } cases[] = {
        {1, 3, 33},
        {2, 3, 66},
        {3, 3, 100},
        {0, 3, 0},
        {99999999, 100000000, 100},  // rounded in single precision, already full
        {4294967295u, 4294967295u, 100},
        {1, 4294967295u, 0},
        {1700000, 1750000, 97},
        // A server that sends more than it announced: the percentage saturates.
        {4294967295u, 1, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.progress << " of " << c.maximum);
        EXPECT_EQ(ProgressPosition(c.progress, c.maximum), c.expected);
    }
    EXPECT_EQ(ProgressPosition(5, 0), std::nullopt);  // the bar stays where it is
}

TEST(InstallerPathIn, IsBesideTheUserData) {
    EXPECT_EQ(InstallerPathIn(u"C:\\Users\\u\\AppData\\Local\\Demo"),
              u"C:\\Users\\u\\AppData\\Local\\Demo\\Webview2Setup.exe");
}

std::string Image(std::uint32_t headerOffset, std::size_t size, std::string_view signature) {
    std::string bytes(size, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) {
        bytes[0x3C + i] = char(headerOffset >> (8 * i));
    }
    if (headerOffset < size) {
        bytes.replace(headerOffset, std::min(signature.size(), size - headerOffset), signature);
    }
    return bytes.substr(0, size);
}

TEST(IsWindowsExecutableImage, NeedsTheMzHeaderLeadingToPe) {
    const std::string_view pe("PE\0\0", 4);
    struct Case {
        const char* label;
        std::string bytes;
        bool expected;
    } cases[] = {
        {"a program", Image(0x80, 512, pe), true},
        {"signature at the very end", Image(0x80, 0x84, pe), true},
        {"signature cut short", Image(0x80, 0x83, pe), false},
        {"offset past the end", Image(0x1000, 512, pe), false},
        {"offset that would wrap", Image(0xFFFFFFFE, 512, pe), false},
        {"wrong signature", Image(0x80, 512, std::string_view("PE\0\1", 4)), false},
        {"no MZ", "ZM" + Image(0x80, 512, pe).substr(2), false},
        {"an HTML error page", "<html><body>404 Not Found</body></html>", false},
        {"too short for the offset", "MZ", false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(IsWindowsExecutableImage(c.bytes), c.expected);
    }
}

}  // namespace
}  // namespace tessaly
