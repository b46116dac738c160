#include "render/Renderer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace glyphon {

namespace {

// A bit canvas: rows of 64-bit words, bit (x & 63) of word x >> 6 = column x.
struct BitPlane {
    int width = 0, height = 0, words = 0;
    std::vector<uint64_t> bits;

    void Reset(int w, int h) {
        width = w;
        height = h;
        words = (w + 63) / 64;
        bits.assign(size_t(words) * size_t(h), 0);
    }
    uint64_t* Row(int y) { return bits.data() + size_t(y) * size_t(words); }
    const uint64_t* Row(int y) const { return bits.data() + size_t(y) * size_t(words); }
};

// Grows every set bit of a row by `radius` columns to each side, keeping
// within `words` words (the canvas is wide enough that nothing real falls off).
void DilateRow(const uint64_t* in, uint64_t* out, uint64_t* tmp, int words, int radius) {
    std::copy(in, in + words, out);
    for (int step = 0; step < radius; ++step) {
        std::copy(out, out + words, tmp);
        for (int i = 0; i < words; ++i) {
            uint64_t v = tmp[i] | (tmp[i] << 1) | (tmp[i] >> 1);
            if (i > 0) v |= tmp[i - 1] >> 63;
            if (i + 1 < words) v |= tmp[i + 1] << 63;
            out[i] = v;
        }
    }
}

// out = in dilated by a (2 radius + 1) square.
void DilateSquare(const BitPlane& in, BitPlane& out, BitPlane& rows, std::vector<uint64_t>& tmp, int radius) {
    rows.Reset(in.width, in.height);
    out.Reset(in.width, in.height);
    tmp.resize(size_t(in.words));
    for (int y = 0; y < in.height; ++y) DilateRow(in.Row(y), rows.Row(y), tmp.data(), in.words, radius);
    for (int y = 0; y < in.height; ++y) {
        uint64_t* dst = out.Row(y);
        const int y0 = std::max(0, y - radius), y1 = std::min(in.height - 1, y + radius);
        for (int s = y0; s <= y1; ++s) {
            const uint64_t* src = rows.Row(s);
            for (int i = 0; i < in.words; ++i) dst[i] |= src[i];
        }
    }
}

struct Scratch {
    BitPlane text, antialias, outline, rows;
    std::vector<uint64_t> tmp;
};

#ifdef __SSE2__
// Four 32-bit lanes, lane k all ones when bit k of the index is set.
const __m128i* LaneMasks() {
    static const __m128i masks[16] = {
#define GLYPHON_LANES(n) _mm_set_epi32(-((n) >> 3 & 1), -((n) >> 2 & 1), -((n) >> 1 & 1), -((n)&1))
        GLYPHON_LANES(0),  GLYPHON_LANES(1),  GLYPHON_LANES(2),  GLYPHON_LANES(3),
        GLYPHON_LANES(4),  GLYPHON_LANES(5),  GLYPHON_LANES(6),  GLYPHON_LANES(7),
        GLYPHON_LANES(8),  GLYPHON_LANES(9),  GLYPHON_LANES(10), GLYPHON_LANES(11),
        GLYPHON_LANES(12), GLYPHON_LANES(13), GLYPHON_LANES(14), GLYPHON_LANES(15),
#undef GLYPHON_LANES
    };
    return masks;
}

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}
#endif

}  // namespace

int AlignedX(int width, int frameWidth, Alignment align) {
    switch (align) {
        case Alignment::Center:
            return frameWidth / 2 - width / 2;
        case Alignment::Left:
            return 8;
        case Alignment::Right:
            break;
    }
    return frameWidth - width - 8;
}

SubtitlePlacement PlaceSubtitle(TextExtent line1, TextExtent line2, int frameWidth, int frameHeight,
                                int offset, int offsetOr, Alignment align) {
    SubtitlePlacement p;
    p.x1 = AlignedX(line1.width, frameWidth, align);
    p.x2 = AlignedX(line2.width, frameWidth, align);
    p.y1 = frameHeight - line1.height - 40 - offset;
    p.y2 = p.y1 + line2.height - offsetOr;
    p.bandTop = (p.y1 % 2 == 0) ? p.y1 : p.y1 - 1;  // also right for odd negatives: -3 -> -4
    p.bandHeight = line1.height + line2.height - offsetOr + 6;
    return p;
}

namespace {

// Where a line's layer canvas lies in a frame: canvas column 0 / row 0 at
// (originX, originY), cw x ch pixels, of which columns [cx0, cx1) and rows
// [cy0, cy1) fall inside the frame.
struct CanvasPlace {
    int originX = 0, originY = 0, cw = 0, ch = 0;
    int cx0 = 0, cx1 = 0, cy0 = 0, cy1 = 0;
};

// The three layers of one line in `s`; false when nothing of them can touch
// a frame of this size.
bool BuildLayers(const LineMask& mask, int x, int y, int outlineWidth, int frameWidth, int frameHeight,
                 Scratch& s, CanvasPlace& at) {
    if (mask.Empty()) return false;
    const int w = std::max(outlineWidth, 0);
    const int pad = std::max(w, 1);
    at.originX = x + mask.left - pad;
    at.originY = y + mask.top - pad;
    at.cw = mask.width + 2 * pad;
    at.ch = mask.height + 2 * pad;
    if (at.originX >= frameWidth || at.originY >= frameHeight || at.originX + at.cw <= 0 ||
        at.originY + at.ch <= 0)
        return false;
    at.cx0 = std::max(0, -at.originX);
    at.cx1 = std::min(at.cw, frameWidth - at.originX);
    at.cy0 = std::max(0, -at.originY);
    at.cy1 = std::min(at.ch, frameHeight - at.originY);

    s.text.Reset(at.cw, at.ch);
    for (int r = 0; r < mask.height; ++r) {
        const uint64_t* src = mask.Row(r);
        uint64_t* dst = s.text.Row(r + pad);
        for (int k = 0; k < mask.wordsPerRow; ++k) {
            const uint64_t v = src[k];
            if (!v) continue;
            const int bit = pad + k * 64;
            dst[bit >> 6] |= v << (bit & 63);
            if ((bit & 63) && (bit >> 6) + 1 < s.text.words) dst[(bit >> 6) + 1] |= v >> (64 - (bit & 63));
        }
    }
    DilateSquare(s.text, s.antialias, s.rows, s.tmp, 1);
    // A (2w + 1) square is a 3 x 3 square grown by a (2w - 1) one: the
    // outline grows from the antialias layer, two columns and rows less work.
    if (w >= 1)
        DilateSquare(s.antialias, s.outline, s.rows, s.tmp, w - 1);
    else
        s.outline.Reset(at.cw, at.ch);
    return true;
}

// The 64 bits of a canvas row from column `start` on (columns outside the
// row are clear).
uint64_t Bits64(const uint64_t* row, int words, int start) {
    const int w = start >= 0 ? start >> 6 : -((-start + 63) >> 6);
    const int b = start - w * 64;
    const auto word = [&](int i) -> uint64_t { return i >= 0 && i < words ? row[i] : 0; };
    uint64_t v = word(w) >> b;
    if (b) v |= word(w + 1) << (64 - b);
    return v;
}

}  // namespace

void DrawLayeredLineCodes(CodeFrame& frame, const LineMask& mask, int x, int y, int outlineWidth,
                          const LayerCodes& codes) {
    static thread_local Scratch s;
    CanvasPlace at;
    if (!BuildLayers(mask, x, y, outlineWidth, frame.Width(), frame.Height(), s, at)) return;
    const auto all = [](bool set) { return set ? ~uint64_t(0) : uint64_t(0); };
    const uint64_t outLo = all(codes.outline & 1), outHi = all(codes.outline & 2);
    const uint64_t aaLo = all(codes.antialias & 1), aaHi = all(codes.antialias & 2);
    const uint64_t textLo = all(codes.text & 1), textHi = all(codes.text & 2);
    const int firstWord = (at.originX + at.cx0) >> 6, lastWord = (at.originX + at.cx1 - 1) >> 6;
    for (int cy = at.cy0; cy < at.cy1; ++cy) {
        uint64_t* lo = frame.Low(at.originY + cy);
        uint64_t* hi = frame.High(at.originY + cy);
        const uint64_t* o = s.outline.Row(cy);
        const uint64_t* a = s.antialias.Row(cy);
        const uint64_t* t = s.text.Row(cy);
        for (int i = firstWord; i <= lastWord; ++i) {
            const int start = i * 64 - at.originX;  // canvas column of the word's first pixel
            const uint64_t A = Bits64(a, s.antialias.words, start);
            uint64_t cover = Bits64(o, s.outline.words, start) | A;
            // Only the frame's columns.
            if (i * 64 + 64 > frame.Width()) cover &= ~uint64_t(0) >> (i * 64 + 64 - frame.Width());
            if (!cover) continue;
            const uint64_t T = Bits64(t, s.text.words, start);
            // The topmost layer's code: text within antialias within outline.
            const uint64_t asOutline = cover & ~A, asAntialias = cover & A & ~T, asText = cover & T;
            lo[i] = (lo[i] & ~cover) | (asOutline & outLo) | (asAntialias & aaLo) | (asText & textLo);
            hi[i] = (hi[i] & ~cover) | (asOutline & outHi) | (asAntialias & aaHi) | (asText & textHi);
        }
    }
}

void DrawLayeredLine(Frame& frame, const LineMask& mask, int x, int y, int outlineWidth,
                     const LayerColors& colors) {
    static thread_local Scratch s;
    CanvasPlace at;
    if (!BuildLayers(mask, x, y, outlineWidth, frame.Width(), frame.Height(), s, at)) return;
    const int originX = at.originX, originY = at.originY;
    const int cx0 = at.cx0, cx1 = at.cx1, cy0 = at.cy0, cy1 = at.cy1;

    // Every pixel of the outline or antialias layer is painted once, in the
    // colour of the topmost layer it belongs to. The layers nest (text within
    // antialias within outline, when there is an outline), so two bits pick
    // the colour: antialias and text set is text, antialias alone is
    // antialias, neither is outline.
    const uint32_t colourOf[4] = {colors.outline.Packed(), colors.antialias.Packed(), 0,
                                  colors.text.Packed()};
    for (int cy = cy0; cy < cy1; ++cy) {
        uint32_t* row = frame.Row(originY + cy);
        const uint64_t* o = s.outline.Row(cy);
        const uint64_t* a = s.antialias.Row(cy);
        const uint64_t* t = s.text.Row(cy);
        for (int i = cx0 >> 6; i <= (cx1 - 1) >> 6; ++i) {
            uint64_t any = o[i] | a[i];
            // Keep only the columns inside the frame.
            const int lo = i * 64;
            if (cx0 > lo) any &= ~uint64_t(0) << (cx0 - lo);
            if (cx1 < lo + 64) any &= ~uint64_t(0) >> (64 - (cx1 - lo));
#ifdef __SSE2__
            // Four pixels at a time where all four lie inside the frame: each
            // takes its layer's colour where one of the layers covers it and
            // keeps its own elsewhere, exactly as the bit loop below paints.
            if (any) {
                const __m128i* lanes = LaneMasks();
                const __m128i outlineColour = _mm_set1_epi32(int(colourOf[0]));
                const __m128i antialiasColour = _mm_set1_epi32(int(colourOf[1]));
                const __m128i textColour = _mm_set1_epi32(int(colourOf[3]));
                uint64_t rest = 0;
                for (int g = 0; g < 64; g += 4) {
                    const unsigned nib = unsigned(any >> g) & 15;
                    if (!nib) continue;
                    const int first = lo + g;  // canvas column of the group's first pixel
                    if (first < cx0 || first + 4 > cx1) {
                        rest |= uint64_t(nib) << g;
                        continue;
                    }
                    const __m128i mT = lanes[unsigned(t[i] >> g) & 15];
                    const __m128i mA = lanes[unsigned(a[i] >> g) & 15];
                    // Layer bits (text, antialias): 11 text, 01 antialias,
                    // 00 outline, 10 nothing (colour 0).
                    const __m128i colour = Select(mA, Select(mT, textColour, antialiasColour),
                                                  _mm_andnot_si128(mT, outlineColour));
                    uint32_t* px = row + originX + first;
                    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(px), Select(lanes[nib], colour, old));
                }
                any = rest;
            }
#endif
            while (any) {
                const int b = __builtin_ctzll(any);
                any &= any - 1;
                const unsigned layer = unsigned((t[i] >> b) & 1) << 1 | unsigned((a[i] >> b) & 1);
                row[originX + lo + b] = colourOf[layer];
            }
        }
    }
}

SubtitlePlacement DrawSubtitle(Frame& frame, TextEngine& text, std::string_view line1, std::string_view line2,
                               const SubtitleLook& look) {
    const TextExtent e1 = text.MeasureLine(line1, look.font);
    const TextExtent e2 = text.MeasureLine(line2, look.font);
    const SubtitlePlacement p =
        PlaceSubtitle(e1, e2, frame.Width(), frame.Height(), look.offset, look.offsetOr, look.align);
    static thread_local LineMask mask;
    text.DrawLineMask(line1, look.font, mask);
    DrawLayeredLine(frame, mask, p.x1, p.y1, look.outlineWidth, look.colors);
    text.DrawLineMask(line2, look.font, mask);
    DrawLayeredLine(frame, mask, p.x2, p.y2, look.outlineWidth, look.colors);
    return p;
}

}  // namespace glyphon
