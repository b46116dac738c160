// Anti-aliased lines through the one text engine.
//
// The engine draws a line in grey levels (same faces, fallback, shaping and
// decorations as its monochrome drawing): FreeType's coverage of every
// pixel, kept in kGreyLevels steps. The outline is the coverage grown by a
// disc of the outline's radius with a soft rim (GrowCoverage), so its outer
// edge is as smooth as the glyphs'. The FreeType engine grows every glyph
// once and keeps it; a line's outline is the largest of its glyphs'
// outlines at each pixel, which is what growing the whole line gives.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "render/StyledLines.h"
#include "render/TextEngine.h"

namespace glyphon {

// Coverage steps of a fully covered pixel: a glyph's coverage t and the
// outline's o (t <= o) name one of (kGreyLevels + 1)(kGreyLevels + 2) / 2 =
// 253 colours, which a PGS palette holds.
inline constexpr int kGreyLevels = 21;

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
    uint8_t* Row(int y) { return cover.data() + size_t(y) * size_t(width); }
    const uint8_t* Row(int y) const { return cover.data() + size_t(y) * size_t(width); }
    // x, y in mask coordinates; 0 outside.
    int At(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height ? cover[size_t(y) * size_t(width) + size_t(x)] : 0;
    }
};

// FreeType's coverage (0 to 255) in kGreyLevels steps, to the nearest.
inline uint8_t GreyLevelOf(int coverage) { return uint8_t((coverage * kGreyLevels + 127) / 255); }

// How far an outline of `outline64` (1/64 pixel) reaches beyond the glyphs:
// whole pixels on every side.
int OutlineReach(int outline64);

// `cover` (width x height) grown by a disc of radius outline64 / 64 pixels:
// out (width + 2 reach) x (height + 2 reach), reach = OutlineReach, holds at
// each pixel the largest coverage within the disc around it, weighted down
// over the disc's last pixel so that the rim is soft. Never less than the
// coverage itself.
void GrowCoverage(const uint8_t* cover, int width, int height, int outline64, std::vector<uint8_t>& out);

// `font` with an em of exactly `em` pixels.
FontSpec FontWithEm(const FontSpec& font, int em);

// The extent of a line (every run) at em `em`.
TextExtent MeasureGreyLine(TextEngine& engine, const RunLine& line, const FontSpec& font, int em);
TextExtent MeasureGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em);

// Draws the line (every run at its place, as DrawRunLineMask places them)
// with its text cell's top-left corner at (0, 0). `glyphs` gets the glyphs'
// coverage, `outline` the outline's (outline64 / 64 pixels wide; the glyphs
// themselves when 0). Both masks get the same box, which holds every covered
// pixel; an empty line leaves both empty.
void DrawGreyLine(TextEngine& engine, const RunLine& line, const FontSpec& font, int em, int outline64,
                  GreyMask& glyphs, GreyMask& outline);
void DrawGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em, int outline64,
                  GreyMask& glyphs, GreyMask& outline);

}  // namespace glyphon
