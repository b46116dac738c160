// Text-like subtitle bands drawn without fonts: letter-sized blocks of text
// colour, each ringed by one antialias pixel and a thick outline, the way the
// renderer draws glyphs, on the pure-blue frame. Shared by the encoder tests
// and the encoder benchmark.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

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

struct BandRect {
    int x, y, w, h;
};

// Paints strokes the way the renderer layers a line of text: every stroke's
// outline first (`outline` pixels around it), then every antialias ring (one
// pixel), then the text itself, so that close strokes share their outline.
inline void PaintStrokes(Frame& frame, const std::vector<BandRect>& strokes, int outline, int top,
                         int bottom) {
    const int ring = outline + 1;
    for (const BandRect& r : strokes)
        FillRect(frame, r.x - ring, r.y - ring, r.x + r.w + ring, r.y + r.h + ring, kBandOutline, top,
                 bottom);
    for (const BandRect& r : strokes)
        FillRect(frame, r.x - 1, r.y - 1, r.x + r.w + 1, r.y + r.h + 1, kBandAntialias, top, bottom);
    for (const BandRect& r : strokes) FillRect(frame, r.x, r.y, r.x + r.w, r.y + r.h, kBandText, top, bottom);
}

// Draws two lines of letter-like glyphs into rows top..top+height-1 (the rest
// of the frame is left as it is): letters of one to three stems, some with a
// cross bar, some tall, about 40 to a line, in words of 2 to 7 letters. Some
// bands also get a long bar (a run over 255 pixels) and stray pixels of a
// colour that is no role colour, so runs of every code width and every code
// appear.
inline void DrawTextBand(Frame& frame, int top, int height, uint32_t seed, int outline = 3) {
    BandRandom random(seed);
    const int bottom = top + height;
    const int lineHeight = std::max(2, (height - 8) / 2);
    std::vector<BandRect> strokes;
    for (int line = 0; line < 2; ++line) {
        strokes.clear();
        const int base = top + 4 + line * lineHeight + lineHeight - outline - 2;  // baseline row
        const int xHeight = std::max(1, lineHeight / 2);
        const int tall = std::max(1, lineHeight - 2 * outline - 4);
        int x = 40 + random.Next(60);
        int wordLeft = 2 + random.Next(6);
        while (x < 660) {
            const int stem = 2 + random.Next(2);
            const int width = 6 + random.Next(8);
            const int h = random.Next(3) == 0 ? tall : xHeight;
            const int stems = 1 + random.Next(3);
            for (int i = 0; i < stems; ++i) {
                const int sx = stems == 1 ? x : x + i * (width - stem) / (stems - 1);
                strokes.push_back({sx, base - h, stem, i == 0 ? h : xHeight});
            }
            if (stems > 1 || random.Next(2) == 0)
                strokes.push_back({x, base - xHeight + random.Next(std::max(1, xHeight - 2)), width, 2});
            x += width + 2 + random.Next(3);
            if (--wordLeft == 0) {
                x += 8 + random.Next(8);
                wordLeft = 2 + random.Next(6);
            }
        }
        PaintStrokes(frame, strokes, outline, top, bottom);
    }
    if (random.Next(2) == 0) {
        const int y = top + random.Next(std::max(1, height - 4));
        PaintStrokes(frame, {{200, y, 300 + random.Next(100), 1}}, 1, top, bottom);
    }
    for (int i = 0; i < 6; ++i) frame.Set(10 + random.Next(700), top + random.Next(height), Rgb{1, 2, 3});
}

}  // namespace glyphon::test
