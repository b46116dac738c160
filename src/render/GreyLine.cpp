#include "render/GreyLine.h"

#include <algorithm>
#include <cmath>

namespace glyphon {

namespace {

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int CeilDiv(int a, int b) { return -FloorDiv(-a, b); }

// Rows of samples as bits: bit (x & 63) of word x >> 6 is column x.
struct SamplePlane {
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

// out |= in moved `k` columns (to higher columns when k > 0).
void OrMoved(const uint64_t* in, uint64_t* out, int words, int k) {
    const int m = k < 0 ? -k : k;
    const int ws = m >> 6, bs = m & 63;
    if (k > 0) {
        for (int i = words - 1; i >= ws; --i) {
            uint64_t v = in[i - ws] << bs;
            if (bs && i - ws - 1 >= 0) v |= in[i - ws - 1] >> (64 - bs);
            out[i] |= v;
        }
    } else {
        for (int i = 0; i + ws < words; ++i) {
            uint64_t v = in[i + ws] >> bs;
            if (bs && i + ws + 1 < words) v |= in[i + ws + 1] << (64 - bs);
            out[i] |= v;
        }
    }
}

// Grows `plane` by the segment of samples t (dx, dy), |t| <= reach. A set
// grown by r grows to r + s (s <= 2r + 1) when or'ed with itself moved s
// steps either way, so a reach costs a few passes.
void GrowAlong(SamplePlane& plane, SamplePlane& tmp, int dx, int dy, int reach) {
    const int words = plane.words;
    for (int r = 0; r < reach;) {
        const int s = std::min(reach - r, 2 * r + 1);
        for (int y = 0; y < plane.height; ++y) {
            uint64_t* out = tmp.Row(y);
            std::copy(plane.Row(y), plane.Row(y) + words, out);
            if (y - s * dy >= 0 && y - s * dy < plane.height) OrMoved(plane.Row(y - s * dy), out, words, s * dx);
            if (y + s * dy >= 0 && y + s * dy < plane.height) OrMoved(plane.Row(y + s * dy), out, words, -s * dx);
        }
        std::swap(plane.bits, tmp.bits);
        r += s;
    }
}

// Counts each pixel's set samples into `mask` (one pixel per kGreySamples
// square of the plane).
void CountSamples(const SamplePlane& plane, GreyMask& mask) {
    static_assert(kGreySamples == 4, "four samples a pixel: one nibble of a word per pixel");
    constexpr uint64_t k1 = 0x5555555555555555ull, k2 = 0x3333333333333333ull, k4 = 0x0F0F0F0F0F0F0F0Full;
    for (int y = 0; y < mask.height; ++y) {
        uint8_t* out = mask.cover.data() + size_t(y) * size_t(mask.width);
        const uint64_t* rows[4] = {plane.Row(4 * y), plane.Row(4 * y + 1), plane.Row(4 * y + 2),
                                   plane.Row(4 * y + 3)};
        for (int i = 0; i < plane.words; ++i) {
            uint64_t even = 0, odd = 0;  // per byte: the counts of the even and the odd nibbles
            for (const uint64_t* r : rows) {
                const uint64_t w = r[i];
                if (!w) continue;
                uint64_t n = w - ((w >> 1) & k1);
                n = (n & k2) + ((n >> 2) & k2);  // each nibble: its number of set bits
                even += n & k4;
                odd += (n >> 4) & k4;
            }
            if (!(even | odd)) continue;
            const int x0 = i * 16;
            const int count = std::min(16, mask.width - x0);
            for (int j = 0; j < count; ++j)
                out[x0 + j] = uint8_t(((j & 1 ? odd : even) >> (8 * (j >> 1))) & 0xFF);
        }
    }
}

struct Scratch {
    LineMask mask;
    SamplePlane text, outline, tmp;
};

}  // namespace

FontSpec SampledFont(const FontSpec& font, int em) {
    FontSpec sampled = font;
    sampled.sizePoints = 3 * std::max(em, 1);
    return sampled;
}

TextExtent MeasureGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em) {
    const TextExtent e = engine.MeasureLine(text, SampledFont(font, em));
    return {(e.width + kGreySamples / 2) / kGreySamples, (e.height + kGreySamples / 2) / kGreySamples};
}

void DrawGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em, int outlineSamples,
                  GreyMask& glyphs, GreyMask& outline) {
    static thread_local Scratch s;
    glyphs.Reset(0, 0, 0, 0);
    outline.Reset(0, 0, 0, 0);
    engine.DrawLineMask(text, SampledFont(font, em), s.mask);
    const LineMask& mask = s.mask;
    if (mask.Empty()) return;
    const int r = std::max(outlineSamples, 0);
    // The pixel box that holds the glyphs grown by r samples.
    const int px0 = FloorDiv(mask.left - r, kGreySamples), px1 = CeilDiv(mask.left + mask.width + r, kGreySamples);
    const int py0 = FloorDiv(mask.top - r, kGreySamples), py1 = CeilDiv(mask.top + mask.height + r, kGreySamples);
    const int pw = px1 - px0, ph = py1 - py0;
    const int sw = pw * kGreySamples, sh = ph * kGreySamples;
    const int ox = mask.left - px0 * kGreySamples, oy = mask.top - py0 * kGreySamples;

    s.text.Reset(sw, sh);
    for (int y = 0; y < mask.height; ++y) {
        const uint64_t* src = mask.Row(y);
        uint64_t* dst = s.text.Row(y + oy);
        for (int k = 0; k < mask.wordsPerRow; ++k) {
            const uint64_t v = src[k];
            if (!v) continue;
            const int bit = ox + k * 64;
            dst[bit >> 6] |= v << (bit & 63);
            if ((bit & 63) && (bit >> 6) + 1 < s.text.words) dst[(bit >> 6) + 1] |= v >> (64 - (bit & 63));
        }
    }
    glyphs.Reset(px0, py0, pw, ph);
    outline.Reset(px0, py0, pw, ph);
    CountSamples(s.text, glyphs);
    if (r == 0) {
        outline.cover = glyphs.cover;
        return;
    }

    // The disc is a regular octagon: the sum of a horizontal and a vertical
    // segment of half-length a and two diagonal ones of half-length b, with
    // a = sqrt(2) b, reaching r along the axes (a + 2b) and about r along
    // the diagonals.
    const int b = int(std::lround(r / (2 + std::sqrt(2.0))));
    const int a = r - 2 * b;
    s.outline = s.text;
    s.tmp.Reset(sw, sh);
    GrowAlong(s.outline, s.tmp, 1, 0, a);
    GrowAlong(s.outline, s.tmp, 0, 1, a);
    GrowAlong(s.outline, s.tmp, 1, 1, b);
    GrowAlong(s.outline, s.tmp, 1, -1, b);
    CountSamples(s.outline, outline);
}

}  // namespace glyphon
