// Switching the host window into and out of full screen. The page asks for it by web message or
// through the Fullscreen API; both routes share one state, so each change happens once.
#pragma once

#include <cstdint>

namespace tessaly {

struct ScreenRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const ScreenRect&) const = default;
};

// Window styles without the caption and sizing border (WS_CAPTION, WS_THICKFRAME); every other
// bit stays, the system menu and the minimise and maximise boxes among them.
inline constexpr std::uint32_t kFullscreenStyleMask = 0xFF3BFFFF;
// Extended styles without WS_EX_DLGMODALFRAME, WS_EX_WINDOWEDGE, WS_EX_CLIENTEDGE and
// WS_EX_STATICEDGE.
inline constexpr std::uint32_t kFullscreenExStyleMask = 0xFFFDFCFE;

// What the switch needs of the host window and the taskbar.
class FullscreenWindow {
  public:
    virtual ~FullscreenWindow() = default;
    virtual std::uint32_t Style() = 0;
    virtual std::uint32_t ExStyle() = 0;
    virtual ScreenRect WindowRect() = 0;
    virtual void SetStyle(std::uint32_t style) = 0;
    virtual void SetExStyle(std::uint32_t exStyle) = 0;
    // The whole monitor nearest the window, taskbar area included.
    virtual ScreenRect NearestMonitorRect() = 0;
    // Moves and sizes the window without changing its Z order or activating it, and makes the
    // system apply the new frame styles.
    virtual void Place(const ScreenRect& rect) = 0;
    // Tells the taskbar whether the window is full screen; a failure is left for the next change.
    virtual void MarkFullscreenOnTaskbar(bool fullscreen) = 0;
};

class FullscreenSwitch {
  public:
    // Enters or leaves full screen; asking for the current state does nothing at all.
    void Set(bool fullscreen, FullscreenWindow& window);
    bool isFullscreen() const { return isFullscreen_; }

  private:
    bool isFullscreen_ = false;
    // What the window looked like when full screen was last entered; leaving restores it.
    std::uint32_t savedStyle_ = 0;
    std::uint32_t savedExStyle_ = 0;
    ScreenRect savedRect_;
};

}  // namespace tessaly
