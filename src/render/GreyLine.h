// Anti-aliased lines through the one text engine.
//
// The engine draws a line in grey levels (same faces, fallback, shaping and
// decorations as its monochrome drawing): FreeType's coverage of every
// pixel, kept in kGreyLevels steps, and the coverage of the outline, the
// glyphs grown by a disc of the outline's radius with a soft rim
// (GrowCoverage), so its outer edge is as smooth as the glyphs'. The
// FreeType engine grows every glyph once and keeps it.
//
// A pixel holds both as one pair byte, o (o + 1) / 2 + t for glyph coverage
// t within outline coverage o: 253 values, ordered by o and then t, which a
// PGS palette holds as they are. Drawings are combined by the larger byte:
// where glyphs, runs or lines meet, the pixel takes the drawing with more
// outline, and of equal outlines the one with more glyph coverage (as the
// monochrome drawing sets a pixel any glyph sets). Growing a line's
// coverage gives the same outline as combining its glyphs' outlines.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "render/StyledLines.h"
#include "render/TextEngine.h"

namespace glyphon {

// Coverage steps of a fully covered pixel.
inline constexpr int kGreyLevels = 21;
inline constexpr int kGreyPairs = (kGreyLevels + 1) * (kGreyLevels + 2) / 2;

// The pair byte of glyph coverage t within outline coverage o (t <= o).
constexpr uint8_t GreyPair(int t, int o) { return uint8_t(o * (o + 1) / 2 + t); }
// The glyph and outline coverage of a pair byte.
int PairGlyph(uint8_t pair);
int PairOutline(uint8_t pair);

// FreeType's coverage (0 to 255) in kGreyLevels steps, to the nearest.
inline uint8_t GreyLevelOf(int coverage) { return uint8_t((coverage * kGreyLevels + 127) / 255); }

// A box of pixels relative to a text cell's top-left corner.
struct GreyBox {
    int left = 0, top = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    // The smallest box holding both (an empty one holds nothing).
    GreyBox United(const GreyBox& other) const;
};

// Pixels of pair bytes; (left, top) is where column 0 / row 0 lie.
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

// How far an outline of `outline64` (1/64 pixel) reaches beyond the glyphs:
// whole pixels on every side.
int OutlineReach(int outline64);

// `cover` (width x height, coverage) grown by a disc of radius outline64 /
// 64 pixels: out (width + 2 reach) x (height + 2 reach), reach =
// OutlineReach, holds at each pixel the largest coverage within the disc
// around it, weighted down over the disc's last pixel so that the rim is
// soft. Never less than the coverage itself.
void GrowCoverage(const uint8_t* cover, int width, int height, int outline64, std::vector<uint8_t>& out);

// The pair bytes of coverage `cover` (width x height) and its outline:
// (width + 2 reach) x (height + 2 reach) values.
void CoveragePairs(const uint8_t* cover, int width, int height, int outline64, std::vector<uint8_t>& pairs);

// Copies `rows` x `width` pair bytes (`pitch` apart) into `canvas` with
// their top-left corner at (x, y), each pixel keeping the larger byte;
// whatever falls outside the canvas is left out.
void MaxIntoCanvas(const uint8_t* pairs, int width, int rows, int pitch, int x, int y, GreyMask& canvas);

// `font` with an em of exactly `em` pixels.
FontSpec FontWithEm(const FontSpec& font, int em);

// The extent of a line (every run) at em `em`.
TextExtent MeasureGreyLine(TextEngine& engine, const RunLine& line, const FontSpec& font, int em);
TextExtent MeasureGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em);

// The box a line's drawing covers, relative to its cell's corner, and the
// drawing itself (every run at its place, as DrawRunLineMask places them)
// with the cell's corner at (x, y) of `canvas`, outline64 / 64 pixels of
// outline around the glyphs.
GreyBox GreyLineBox(TextEngine& engine, const RunLine& line, const FontSpec& font, int em, int outline64);
void DrawGreyLine(TextEngine& engine, const RunLine& line, const FontSpec& font, int em, int outline64, int x,
                  int y, GreyMask& canvas);

}  // namespace glyphon
