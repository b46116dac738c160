#include "app/WindowPlacement.h"

#include <algorithm>

namespace glyphon {

bool PlacementReachable(const WindowPlacement& placement, int width, const std::vector<ScreenArea>& screens) {
    if (!placement.valid || width <= 0) return false;
    // 64-bit sums: a garbled position must not wrap into a screen.
    const long long left = placement.left, top = placement.top;
    const long long needWidth = std::min(width, kMinVisibleTitle);
    const long long needHeight = kTitleHeight / 2;
    for (const ScreenArea& s : screens) {
        const long long x0 = std::max<long long>(left, s.left);
        const long long x1 = std::min<long long>(left + width, (long long)s.left + s.width);
        const long long y0 = std::max<long long>(top, s.top);
        const long long y1 = std::min<long long>(top + kTitleHeight, (long long)s.top + s.height);
        if (x1 - x0 >= needWidth && y1 - y0 >= needHeight) return true;
    }
    return false;
}

DesktopPoint CentredOn(const ScreenArea& screen, int width, int height) {
    // A window larger than the screen keeps its title bar on it.
    return {std::max(screen.left, screen.left + (screen.width - width) / 2),
            std::max(screen.top, screen.top + (screen.height - height) / 2)};
}

DesktopPoint KeptOnScreen(const WindowPlacement& placement, int width, int height,
                          const std::vector<ScreenArea>& screens) {
    const long long left = placement.left, top = placement.top;
    const ScreenArea* best = nullptr;
    long long bestArea = 0;
    for (const ScreenArea& s : screens) {
        const long long w = std::min<long long>(left + width, (long long)s.left + s.width) -
                            std::max<long long>(left, s.left);
        const long long h =
            std::min<long long>(top + height, (long long)s.top + s.height) - std::max<long long>(top, s.top);
        if (w > 0 && h > 0 && w * h > bestArea) {
            bestArea = w * h;
            best = &s;
        }
    }
    if (!best) return {placement.left, placement.top};
    const auto fit = [](long long at, int size, int start, int extent) {
        return int(std::max<long long>(start, std::min<long long>(at, (long long)start + extent - size)));
    };
    return {fit(left, width, best->left, best->width), fit(top, height, best->top, best->height)};
}

}  // namespace glyphon
