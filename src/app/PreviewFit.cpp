#include "app/PreviewFit.h"

#include <algorithm>
#include <cstdint>

namespace glyphon {

void BlendFitted(Frame& preview, bool widescreen, int frameWidth, int frameHeight, int x, int y, int width,
                 int height, const std::function<Rgba(int x, int y)>& pixelAt) {
    if (width <= 0 || height <= 0 || frameWidth <= 0 || frameHeight <= 0) return;
    int fitW = preview.Width(), fitH = preview.Height();
    if (!widescreen && int64_t(frameWidth) * fitH > int64_t(frameHeight) * fitW)
        fitH = int(int64_t(fitW) * frameHeight / frameWidth);
    const int left = (preview.Width() - fitW) / 2, topEdge = (preview.Height() - fitH) / 2;
    const auto toPreviewX = [&](int v) { return int(int64_t(v) * fitW / frameWidth); };
    const auto toPreviewY = [&](int v) { return int(int64_t(v) * fitH / frameHeight); };
    const int py0 = toPreviewY(y), py1 = toPreviewY(y + height - 1);
    const int px0 = toPreviewX(x), px1 = toPreviewX(x + width - 1);
    for (int py = py0; py <= py1; ++py) {
        const int sy0 = int(int64_t(py) * frameHeight / fitH),
                  sy1 = int(int64_t(py + 1) * frameHeight / fitH);
        for (int px = px0; px <= px1; ++px) {
            const int sx0 = int(int64_t(px) * frameWidth / fitW),
                      sx1 = int(int64_t(px + 1) * frameWidth / fitW);
            int64_t r = 0, g = 0, b = 0, a = 0;
            for (int sy = std::max(sy0, y); sy < std::min(sy1, y + height); ++sy)
                for (int sx = std::max(sx0, x); sx < std::min(sx1, x + width); ++sx) {
                    const Rgba c = pixelAt(sx, sy);
                    r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
                }
            const int64_t n = int64_t(std::max(1, sy1 - sy0)) * std::max(1, sx1 - sx0);
            if (a == 0 || !preview.Contains(left + px, topEdge + py)) continue;
            const Rgb under = preview.At(left + px, topEdge + py);
            const auto mix = [&](int64_t sum, uint8_t back) {
                return uint8_t((sum + back * (255 * n - a)) / (255 * n));
            };
            preview.Set(left + px, topEdge + py, Rgb{mix(r, under.r), mix(g, under.g), mix(b, under.b)});
        }
    }
}

}  // namespace glyphon
