#include <windows.h>
// windows.h first: GDI+ relies on its definitions.
#include <objidl.h>
// objidl.h before GDI+, which needs its property types.
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <vector>

#include "config/package_settings.h"
#include "temp_folder.h"
#include "window/host_window_win32.h"

namespace tessaly {
namespace {

std::vector<RECT> resizes;
int moves = 0;

class HostWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(RegisterHostWindowClass(GetModuleHandleW(nullptr), nullptr));
    }
    void SetUp() override {
        resizes.clear();
        moves = 0;
        HostedBrowser = {};
    }
    void TearDown() override {
        HostedBrowser = {};
        if (MainWindow) {
            DestroyWindow(MainWindow);
            MainWindow = nullptr;
        }
        // Drop the quit message the destruction posts.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    HWND Create(std::int32_t width, std::int32_t height, bool resizable) {
        PackageSettings settings;
        settings.title = u"Host window test";
        settings.width = width;
        settings.height = height;
        settings.resizable = resizable;
        return CreateHostWindow(GetModuleHandleW(nullptr), settings);
    }
};

TEST_F(HostWindowTest, MovesAndSizesReachTheBrowserOnlyOnceItIsThere) {
    HWND window = Create(300, 200, true);
    ASSERT_NE(window, nullptr);
    // No browser yet: handled, nothing happens.
    EXPECT_EQ(SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200)), 0);
    EXPECT_EQ(SendMessageW(window, WM_MOVE, 0, 0), 0);

    HostedBrowser.parentMoved = [] { ++moves; };
    HostedBrowser.resized = [](const RECT& client) { resizes.push_back(client); };
    RECT rect = {10, 10, 20, 20};
    EXPECT_EQ(SendMessageW(window, WM_MOVING, 0, reinterpret_cast<LPARAM>(&rect)), 0);
    EXPECT_EQ(SendMessageW(window, WM_MOVE, 0, 0), 0);
    EXPECT_EQ(moves, 2);
    EXPECT_EQ(rect.left, 10);  // never altered
    EXPECT_EQ(rect.right, 20);

    EXPECT_EQ(SendMessageW(window, WM_SIZE, SIZE_RESTORED, 0), 0);
    ASSERT_EQ(resizes.size(), 1u);
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_TRUE(EqualRect(&resizes[0], &client));
}

// A 2 x 2 32-bit BMP: the smallest image file every GDI+ decodes.
std::string TinyBitmap() {
    std::string file(54 + 16, '\0');
    auto put = [&file](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            file[at + std::size_t(i)] = char(value >> (8 * i));
        }
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, std::uint32_t(file.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 2, 4);
    put(22, 2, 4);
    put(26, 1, 2);
    put(28, 32, 2);
    for (std::size_t i = 54; i < file.size(); ++i) {
        file[i] = char(0x80);
    }
    return file;
}

TEST(LoadIconFromFile, MakesIconsFromImagesOnly) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    test::TempFolder folder;
    folder.Write("icon.bmp", TinyBitmap());
    folder.Write("icon.png", "this is no image");
    HICON icon = LoadIconFromFile(folder.Wide("icon.bmp"));
    EXPECT_NE(icon, nullptr);
    ICONINFO info = {};
    if (icon && GetIconInfo(icon, &info)) {
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 2);  // the image's own size
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    EXPECT_EQ(LoadIconFromFile(folder.Wide("icon.png")), nullptr);
    EXPECT_EQ(LoadIconFromFile(folder.Wide("missing.png")), nullptr);
    if (icon) {
        DestroyIcon(icon);
    }
    Gdiplus::GdiplusShutdown(token);
}

}  // namespace
}  // namespace tessaly
