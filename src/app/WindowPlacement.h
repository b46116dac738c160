// Where the main window stands on the desktop, as kept in the settings file
// beside the ten stored keys, and whether a stored place can still be used.
#pragma once

#include <vector>

namespace glyphon {

struct WindowPlacement {
    bool valid = false;  // a position was stored (or the window has one)
    int left = 0, top = 0;  // the frame's top-left corner on the desktop
    bool minimized = false; // how the window was shown when it closed
};

// A screen's area on the desktop.
struct ScreenArea {
    int left = 0, top = 0, width = 0, height = 0;
};

// True when a window `width` wide, placed as stored, keeps enough of its
// title area on one of the screens to be seen and dragged back: at least
// kMinVisibleTitle pixels (or the whole width of a narrower window) of a
// kTitleHeight-high strip along its top.
inline constexpr int kTitleHeight = 24;
inline constexpr int kMinVisibleTitle = 100;
bool PlacementReachable(const WindowPlacement& placement, int width, const std::vector<ScreenArea>& screens);

// The top-left corner that centres a window of this size on the screen.
struct DesktopPoint {
    int x = 0, y = 0;
};
DesktopPoint CentredOn(const ScreenArea& screen, int width, int height);

}  // namespace glyphon
