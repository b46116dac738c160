// Anti-aliased lines through the one text engine.
//
// A line is drawn by the engine (same faces, fallback, shaping and
// decorations as every other drawing) at kGreySamples times the wanted em, as
// a monochrome mask of samples, and every pixel's coverage is the number of
// its kGreySamples x kGreySamples samples that are set (0 to kGreyLevels).
// The outline is the sample mask grown by a regular octagon (nearly a disc,
// and a few shift passes over the samples) and counted the same way, so its
// outer edge is as smooth as the glyphs'.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "render/TextEngine.h"

namespace glyphon {

inline constexpr int kGreySamples = 4;                           // samples per pixel, each way
inline constexpr int kGreyLevels = kGreySamples * kGreySamples;  // a fully covered pixel

// Coverage per pixel, 0 to kGreyLevels. Column 0 / row 0 lie at (left, top)
// relative to the top-left corner of the text cell.
struct GreyMask {
    int left = 0, top = 0;
    int width = 0, height = 0;
    std::vector<uint8_t> cover;  // rows of width values

    void Reset(int l, int t, int w, int h) {
        left = l;
        top = t;
        width = w < 0 ? 0 : w;
        height = h < 0 ? 0 : h;
        cover.assign(size_t(width) * size_t(height), 0);
    }
    bool Empty() const { return width == 0 || height == 0; }
    // x, y in mask coordinates; 0 outside.
    int At(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height ? cover[size_t(y) * size_t(width) + size_t(x)] : 0;
    }
};

// `font` asked of the engine so that its em is kGreySamples * em pixels:
// PixelEmHeight(3 * em) is exactly 4 * em.
FontSpec SampledFont(const FontSpec& font, int em);

// The extent of a line at em `em`: the sampled extent in whole pixels,
// rounded to the nearest.
TextExtent MeasureGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em);

// Draws `text` with its text cell's top-left corner at (0, 0). `glyphs` gets
// the glyphs' coverage; `outline` the coverage of the glyphs grown by
// `outlineSamples` samples in every direction (the glyphs themselves when 0). Both masks get
// the same box, which holds every covered pixel; an empty text leaves both
// empty.
void DrawGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em, int outlineSamples,
                  GreyMask& glyphs, GreyMask& outline);

}  // namespace glyphon
