// A picture drawn at an output's own size (a PGS stream, a styled script's
// frame) laid over the preview: fitted into it, each preview pixel the mean
// of the picture's pixels it covers.
#pragma once

#include <functional>

#include "common/Rgb.h"

namespace glyphon {

// Lays the `width` x `height` region at (x, y) of a `frameWidth` x
// `frameHeight` picture over `preview`. The picture fills the preview's
// width; its height is kept in proportion unless `widescreen` (a 16:9
// film's frame is shown wide, so a 16:9 picture fills it). `pixelAt` gives
// each pixel of the region with its straight opacity.
void BlendFitted(Frame& preview, bool widescreen, int frameWidth, int frameHeight, int x, int y, int width,
                 int height, const std::function<Rgba(int x, int y)>& pixelAt);

}  // namespace glyphon
