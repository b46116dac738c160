#include "render/GlyphRaster.h"

#include FT_OUTLINE_H

#include <algorithm>

#include "render/GreyLine.h"

namespace glyphon {

namespace {

// Loads the glyph hinted for monochrome output (glyph 0 when it cannot be
// loaded; `index` then becomes 0) and slants an outline for a simulated
// italic. False when nothing could be loaded.
bool LoadStyledGlyph(FT_Face face, FT_UInt& index, const GlyphStyle& style) {
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0 &&
        (index == 0 || FT_Load_Glyph(face, index = 0, FT_LOAD_TARGET_MONO) != 0))
        return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE && style.synthItalic) {
        // The shear of an oblique face: x += 0.2126 y.
        FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
    }
    return true;
}

// The loaded glyph's pixels, one bit (mono) or one byte (grey) each.
// Outlines are rasterised into a box of our own: its edges are the hinted
// outline's box rounded outwards (FT_Render_Glyph rounds them to the
// nearest pixel, which can move a dropout pixel of a tail one row up), and
// never cut to the text cell: marks above capitals and stacked accents keep
// their ink wherever they reach; `own` then holds the pixels. Other formats but bitmaps
// are rendered by FreeType. False when rasterising failed.
struct Rendered {
    std::vector<unsigned char> own;
    FT_Bitmap bitmap{};
    int left = 0, top = 0;
};
bool RenderLoaded(FT_Library library, FT_GlyphSlot slot, bool grey, Rendered& out) {
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_BBox box;
        FT_Outline_Get_CBox(&slot->outline, &box);
        const FT_Pos x0 = box.xMin & -64, x1 = (box.xMax + 63) & -64;
        const FT_Pos y0 = box.yMin & -64, y1 = (box.yMax + 63) & -64;
        if (x1 > x0 && y1 > y0) {
            FT_Bitmap& rendered = out.bitmap;
            rendered.width = unsigned((x1 - x0) >> 6);
            rendered.rows = unsigned((y1 - y0) >> 6);
            rendered.pitch = grey ? int(rendered.width) : int((rendered.width + 7) / 8);
            rendered.pixel_mode = grey ? FT_PIXEL_MODE_GRAY : FT_PIXEL_MODE_MONO;
            rendered.num_grays = grey ? 256 : 2;
            out.own.assign(size_t(rendered.pitch) * rendered.rows, 0);
            rendered.buffer = out.own.data();
            FT_Outline_Translate(&slot->outline, -x0, -y0);
            if (FT_Outline_Get_Bitmap(library, &slot->outline, &rendered) != 0) return false;
            out.left = int(x0 >> 6);
            out.top = int(y1 >> 6);
        }
        return true;
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, grey ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0)
        return false;
    out.bitmap = slot->bitmap;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    return true;
}

}  // namespace

Glyph RasteriseMono(FT_Library library, FT_Face face, FT_UInt index, const GlyphStyle& style) {
    Glyph g;
    g.face = face;
    const bool loaded = LoadStyledGlyph(face, index, style);
    g.index = index;
    if (!loaded) return g;
    FT_GlyphSlot slot = face->glyph;
    g.advance = int((slot->advance.x + 32) >> 6);
    Rendered r;
    if (!RenderLoaded(library, slot, false, r)) return g;
    const FT_Bitmap& bm = r.bitmap;
    const bool smear = style.synthBold;
    g.left = r.left;
    g.top = r.top;
    g.rows = int(bm.rows);
    g.width = int(bm.width) + (smear && bm.width ? 1 : 0);
    if (smear) g.advance += 1;
    g.words = (g.width + 63) / 64;
    g.bits.assign(size_t(g.words) * size_t(g.rows), 0);
    for (int y = 0; y < g.rows; ++y) {
        const unsigned char* src = bm.buffer + long(y) * bm.pitch;
        uint64_t* dst = g.bits.data() + size_t(y) * size_t(g.words);
        for (int x = 0; x < int(bm.width); ++x) {
            bool on = false;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                on = (src[x >> 3] >> (7 - (x & 7))) & 1;
            else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                on = src[x] >= 128;  // never a partial pixel
            if (!on) continue;
            dst[x >> 6] |= uint64_t(1) << (x & 63);
            if (smear) dst[(x + 1) >> 6] |= uint64_t(1) << ((x + 1) & 63);
        }
    }
    return g;
}

GreyGlyph RasteriseGrey(FT_Library library, FT_Face face, FT_UInt index, const GlyphStyle& style,
                        int outline64) {
    GreyGlyph g;
    if (!LoadStyledGlyph(face, index, style)) return g;
    // The same box as RasteriseMono's, in grey levels.
    Rendered r;
    if (!RenderLoaded(library, face->glyph, true, r)) return g;
    const FT_Bitmap& bm = r.bitmap;
    const bool smear = style.synthBold;
    const int rows = int(bm.rows), width = int(bm.width) + (smear && bm.width ? 1 : 0);
    std::vector<uint8_t> cover(size_t(width) * size_t(rows), 0);
    for (int y = 0; y < rows; ++y) {
        const unsigned char* src = bm.buffer + long(y) * bm.pitch;
        uint8_t* dst = cover.data() + size_t(y) * size_t(width);
        for (int x = 0; x < int(bm.width); ++x) {
            int v = 0;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                v = (src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
            else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                v = bm.num_grays == 256 ? src[x] : src[x] * 255 / std::max(1, int(bm.num_grays) - 1);
            const uint8_t level = GreyLevelOf(v);
            dst[x] = std::max(dst[x], level);
            // A simulated bold face is smeared one pixel to the right.
            if (smear) dst[x + 1] = std::max(dst[x + 1], level);
        }
    }
    if (width == 0 || rows == 0) return g;
    const int reach = OutlineReach(outline64);
    g.left = r.left - reach;
    g.top = r.top + reach;
    g.width = width + 2 * reach;
    g.rows = rows + 2 * reach;
    std::vector<uint8_t> pairs;
    CoveragePairs(cover.data(), width, rows, outline64, pairs);
    // Rows of whole blocks: a row is combined sixteen bytes at a time
    // without a tail, the zeros past the glyph changing nothing.
    g.pitch = (g.width + 15) & ~15;
    g.pairs.assign(size_t(g.pitch) * size_t(g.rows), 0);
    for (int y = 0; y < g.rows; ++y)
        std::copy_n(pairs.data() + size_t(y) * size_t(g.width), g.width,
                    g.pairs.data() + size_t(y) * size_t(g.pitch));
    return g;
}

}  // namespace glyphon
