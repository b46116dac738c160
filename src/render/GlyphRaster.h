// One glyph of a sized FreeType face turned into pixels, and the cache of a
// realised font's glyphs.
//
// Glyphs are hinted for and rendered in monochrome, so no pixel is ever
// partly covered. A bold style on a family without a bold face is simulated
// as GDI does it: every glyph is smeared one pixel to the right and advances
// one pixel further. An italic style without an italic face shears the
// outline. RasteriseGrey takes the same GlyphStyle and hinting (so a line
// keeps its advances) and differs only in the bitmap step: FreeType's grey
// levels.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace glyphon {

struct Glyph {
    int advance = 0;        // whole pixels, as drawn
    int left = 0, top = 0;  // bitmap's left column and top row, relative to pen and baseline (up positive)
    int width = 0, rows = 0;
    int words = 0;
    std::vector<uint64_t> bits;  // rows x words, LSB = leftmost pixel
    FT_Face face = nullptr;      // where it came from (null: no face at all)
    FT_UInt index = 0;
};

// How a face draws for one realisation.
struct GlyphStyle {
    bool synthBold = false, synthItalic = false;
    int ascent = 0, descent = 0;  // the text cell (glyphs may reach past it)
};

// Glyph `index` of `face` (already sized) with the hinted whole-pixel
// advance. A glyph that cannot be loaded falls back to glyph 0, then to
// nothing.
Glyph RasteriseMono(FT_Library library, FT_Face face, FT_UInt index, const GlyphStyle& style);

// A glyph in grey levels with its outline, as pair bytes (render/GreyLine.h)
// over the glyph's box grown by `reach` pixels on every side.
struct GreyGlyph {
    int left = 0, top = 0;  // the grown box's corner, relative to pen and baseline (up positive)
    int width = 0, rows = 0;
    int pitch = 0;               // width rounded up to whole 16-byte blocks
    std::vector<uint8_t> pairs;  // rows x pitch; past width, 0
};

// Glyph `index` of `face` (already sized) in FreeType's grey levels, and its
// outline of outline64 / 64 pixels.
GreyGlyph RasteriseGrey(FT_Library library, FT_Face face, FT_UInt index, const GlyphStyle& style,
                        int outline64);

// The drawn glyphs of one realisation, by face and glyph index. Addresses of
// the glyphs stay put until Clear.
class GlyphCache {
public:
    const Glyph& Get(FT_Library library, FT_Face face, FT_UInt index, const GlyphStyle& style) {
        auto [it, added] = glyphs_.try_emplace({face, index});
        if (added) it->second = RasteriseMono(library, face, index, style);
        return it->second;
    }
    void Clear() { glyphs_.clear(); }

private:
    std::map<std::pair<FT_Face, FT_UInt>, Glyph> glyphs_;
};

}  // namespace glyphon
