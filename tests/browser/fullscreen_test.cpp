#include "browser/fullscreen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/web_message.h"

namespace tessaly {
namespace {

// A window that records every call the switch makes, in order.
class RecordingWindow : public FullscreenWindow {
  public:
    std::uint32_t style = 0x16CF0000;    // WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN
    std::uint32_t exStyle = 0x00000300;  // WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE
    ScreenRect rect{100, 50, 1140, 857};
    ScreenRect monitor{-1920, 0, 0, 1080};
    std::vector<std::string> calls;

    std::uint32_t Style() override {
        calls.push_back("Style");
        return style;
    }
    std::uint32_t ExStyle() override {
        calls.push_back("ExStyle");
        return exStyle;
    }
    ScreenRect WindowRect() override {
        calls.push_back("WindowRect");
        return rect;
    }
    void SetStyle(std::uint32_t value) override {
        calls.push_back("SetStyle " + Hex(value));
        style = value;
    }
    void SetExStyle(std::uint32_t value) override {
        calls.push_back("SetExStyle " + Hex(value));
        exStyle = value;
    }
    ScreenRect NearestMonitorRect() override {
        calls.push_back("NearestMonitorRect");
        return monitor;
    }
    void Place(const ScreenRect& r) override {
        calls.push_back("Place " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                        std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
        rect = r;
    }
    void MarkFullscreenOnTaskbar(bool fullscreen) override {
        calls.push_back(fullscreen ? "Taskbar on" : "Taskbar off");
    }

  private:
    static std::string Hex(std::uint32_t value) {
        char text[11];
        std::snprintf(text, sizeof text, "0x%08X", value);
        return text;
    }
};

TEST(FullscreenSwitch, EntersAndLeavesWithExactStylesAndRectangles) {
    RecordingWindow window;
    FullscreenSwitch sw;
    sw.Set(true, window);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"Style", "ExStyle", "WindowRect", "SetStyle 0x160B0000",
                                        "SetExStyle 0x00000000", "NearestMonitorRect",
                                        "Place -1920,0 1920x1080", "Taskbar on"}));
    EXPECT_TRUE(sw.isFullscreen());

    window.calls.clear();
    sw.Set(false, window);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"SetStyle 0x16CF0000", "SetExStyle 0x00000300",
                                        "Place 100,50 1040x807", "Taskbar off"}));
    EXPECT_FALSE(sw.isFullscreen());
}

TEST(FullscreenSwitch, KeepsNonFrameBitsAndRestoresAFixedFrame) {
    RecordingWindow window;
    window.style = 0x14CA0000;    // caption, system menu, minimise box, no sizing border
    window.exStyle = 0x00020101;  // static edge, window edge, modal frame
    FullscreenSwitch sw;
    sw.Set(true, window);
    EXPECT_EQ(window.style, 0x140A0000u);
    EXPECT_EQ(window.exStyle, 0x00000000u);
    sw.Set(false, window);
    EXPECT_EQ(window.style, 0x14CA0000u);
    EXPECT_EQ(window.exStyle, 0x00020101u);
}

TEST(FullscreenSwitch, RepeatedRequestsDoNothing) {
    RecordingWindow window;
    FullscreenSwitch sw;
    sw.Set(false, window);
    EXPECT_TRUE(window.calls.empty());
    sw.Set(true, window);
    window.calls.clear();
    sw.Set(true, window);
    EXPECT_TRUE(window.calls.empty());
}

TEST(FullscreenSwitch, LeavingRestoresWhatTheLastEnteringSaved) {
    RecordingWindow window;
    FullscreenSwitch sw;
    sw.Set(true, window);
    sw.Set(false, window);
    window.rect = {0, 0, 640, 480};  // the user moved the window in between
    sw.Set(true, window);
    window.calls.clear();
    sw.Set(false, window);
    EXPECT_EQ(window.calls.at(2), "Place 0,0 640x480");
}

// The web message route: what HandleWebMessage asks of the switch.
std::vector<bool> Requests(std::u16string_view text) {
    std::vector<bool> requests;
    HandleWebMessage(text, [&](bool fullscreen) { requests.push_back(fullscreen); });
    return requests;
}

TEST(HandleWebMessage, ActsOnlyOnSetFullscreen) {
    using V = std::vector<bool>;
    const struct {
        std::u16string text;
        V requests;
    } cases[] = {
        {uR"({"type":"set-fullscreen","fullscreen":true})", V{true}},
        {uR"({"type":"set-fullscreen","fullscreen":false})", V{false}},
        {uR"({"fullscreen":true,"type":"set-fullscreen","extra":[1]})", V{true}},
        {uR"({"type":"set-fullscreen"})", V{false}},
        {uR"({"type":"set-fullscreen","fullscreen":"true"})", V{false}},
        {uR"({"type":"set-fullscreen","fullscreen":1})", V{false}},
        {u" {\"type\":\"set-fullscreen\",\"fullscreen\":true}\u0000garbage", V{true}},
        {uR"({"type":"Set-Fullscreen","fullscreen":true})", V{}},
        {uR"({"type":"set-fullscreen ","fullscreen":true})", V{}},
        {uR"({"type":true,"fullscreen":true})", V{}},
        {uR"({"fullscreen":true})", V{}},
        {uR"(["set-fullscreen"])", V{}},
        {uR"("set-fullscreen")", V{}},
        {u"42", V{}},
        {u"", V{}},
        {u"not json", V{}},
        {uR"({"type":"set-fullscreen","fullscreen":true} trailing)", V{}},
        {uR"({"type":"set-fullscreen", /* c */ "fullscreen":true})", V{}},
        {u"{\"type\":\"set-fullscreen\",\"fullscreen\":true,\"x\":\"\xD800\"}", V{true}},
    };
    for (const auto& c : cases) {
        std::string label(c.text.begin(), c.text.end());  // ASCII enough to name the case
        EXPECT_EQ(Requests(c.text), c.requests) << label;
    }
}

TEST(HandleWebMessage, MessagesAndElementChangesShareOneState) {
    RecordingWindow window;
    FullscreenSwitch sw;
    const auto setFullscreen = [&](bool on) { sw.Set(on, window); };
    HandleWebMessage(uR"({"type":"set-fullscreen","fullscreen":true})", setFullscreen);
    EXPECT_TRUE(sw.isFullscreen());
    sw.Set(false, window);  // the page's element left full screen
    EXPECT_FALSE(sw.isFullscreen());
    window.calls.clear();
    HandleWebMessage(uR"({"type":"set-fullscreen","fullscreen":false})", setFullscreen);
    EXPECT_TRUE(window.calls.empty());
}

}  // namespace
}  // namespace tessaly
