// Where the main window stands on the desktop, as kept in the settings file
// beside the ten stored keys, and whether a stored place can still be used.
// Places are in the toolkit's device-independent pixels, so that a scale
// factor does not move them; a place kept under another scale is pulled
// back onto the screen.
#pragma once

#include <vector>

namespace glyphon {

struct WindowPlacement {
    bool valid = false;      // a position was stored (or the window has one)
    int left = 0, top = 0;   // the frame's top-left corner on the desktop
    bool minimized = false;  // how the window was shown when it closed
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

// Where a window of this size, stored at `placement`, stands wholly on the
// screen that shows most of it: moved in from every edge it crosses. A
// window taller or wider than that screen keeps its top or left edge on it.
// Without a screen that shows any of it the stored place is returned.
DesktopPoint KeptOnScreen(const WindowPlacement& placement, int width, int height,
                          const std::vector<ScreenArea>& screens);

}  // namespace glyphon
