#include "browser/fullscreen.h"

namespace tessaly {

void FullscreenSwitch::Set(bool fullscreen, FullscreenWindow& window) {
    if (fullscreen == isFullscreen_) {
        return;
    }
    isFullscreen_ = fullscreen;
    if (fullscreen) {
        savedStyle_ = window.Style();
        savedExStyle_ = window.ExStyle();
        savedRect_ = window.WindowRect();
        window.SetStyle(savedStyle_ & kFullscreenStyleMask);
        window.SetExStyle(savedExStyle_ & kFullscreenExStyleMask);
        window.Place(window.NearestMonitorRect());
    } else {
        window.SetStyle(savedStyle_);
        window.SetExStyle(savedExStyle_);
        window.Place(savedRect_);
    }
    window.MarkFullscreenOnTaskbar(fullscreen);
}

}  // namespace tessaly
