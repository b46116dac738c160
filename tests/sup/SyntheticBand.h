// Text-like subtitle bands drawn without fonts: letter-sized blocks of text
// colour, each ringed by one antialias pixel and a thick outline, the way the
// renderer draws glyphs, on the pure-blue frame. Shared by the encoder tests
// and the encoder benchmark.
#pragma once

#include <algorithm>
#include <cstdint>

#include "common/Rgb.h"
#include "sup/SubPictureEncoder.h"

namespace glyphon::test {

inline constexpr Rgb kBandText{235, 235, 235};
inline constexpr Rgb kBandOutline{16, 16, 16};
inline constexpr Rgb kBandAntialias{125, 125, 125};
inline constexpr RoleColours kBandColours{kBandAntialias, kBandOutline, kBandText};

// Small deterministic generator, so every run draws the same band.
class BandRandom {
public:
    explicit BandRandom(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    int Next(int below) {
        state_ = state_ * 1664525u + 1013904223u;
        return int((state_ >> 8) % uint32_t(below));
    }

private:
    uint32_t state_;
};

inline void FillRect(Frame& frame, int x0, int y0, int x1, int y1, Rgb colour, int top, int bottom) {
    for (int y = std::max(y0, top); y < std::min(y1, bottom); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, frame.Width()); ++x) frame.Set(x, y, colour);
}

// One glyph-like block: outline ring `outline` pixels wide, then a one-pixel
// antialias ring, then the text body, clipped to rows top..bottom-1.
inline void DrawBlock(Frame& frame, int x, int y, int w, int h, int outline, int top, int bottom) {
    const int ring = outline + 1;
    FillRect(frame, x - ring, y - ring, x + w + ring, y + h + ring, kBandOutline, top, bottom);
    FillRect(frame, x - 1, y - 1, x + w + 1, y + h + 1, kBandAntialias, top, bottom);
    FillRect(frame, x, y, x + w, y + h, kBandText, top, bottom);
}

// Draws two lines of "words" into rows top..top+height-1 (the rest of the
// frame is left as it is). Letters are 2 to 14 pixels wide with gaps of 1 to
// 40 pixels; some lines get a long bar (over 255 pixels) and stray pixels of
// a colour that is no role colour, so runs of every code width and every
// code appear.
inline void DrawTextBand(Frame& frame, int top, int height, uint32_t seed, int outline = 3) {
    BandRandom random(seed);
    const int bottom = top + height;
    const int lineHeight = std::max(2, (height - 8) / 2);
    for (int line = 0; line < 2; ++line) {
        const int y = top + 4 + line * lineHeight;
        int x = 40 + random.Next(60);
        while (x < 640) {
            const int w = 2 + random.Next(13);
            const int h = lineHeight / 2 + random.Next(lineHeight / 2 + 1) - outline - 2;
            DrawBlock(frame, x, y + (lineHeight - h) / 2, w, std::max(1, h), outline, top, bottom);
            x += w + 2 * outline + 3 + random.Next(40);
        }
    }
    if (random.Next(2) == 0) {
        const int y = top + random.Next(std::max(1, height - 4));
        DrawBlock(frame, 200, y, 300 + random.Next(100), 1, 1, top, bottom);
    }
    for (int i = 0; i < 6; ++i) frame.Set(10 + random.Next(700), top + random.Next(height), Rgb{1, 2, 3});
}

}  // namespace glyphon::test
