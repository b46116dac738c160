#include "render/GreyLine.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "render/GreyBytes.h"

namespace glyphon {

namespace {

FontSpec WithStyle(const FontSpec& font, int style) {
    FontSpec f = font;
    f.style |= style;
    return f;
}

// The coverages of every pair byte.
struct PairTable {
    std::array<uint8_t, 256> glyph{}, outline{};
    PairTable() {
        for (int o = 0; o <= kGreyLevels; ++o)
            for (int t = 0; t <= o; ++t) {
                glyph[GreyPair(t, o)] = uint8_t(t);
                outline[GreyPair(t, o)] = uint8_t(o);
            }
    }
};

const PairTable& Pairs() {
    static const PairTable table;
    return table;
}

}  // namespace

int PairGlyph(uint8_t pair) { return Pairs().glyph[pair]; }
int PairOutline(uint8_t pair) { return Pairs().outline[pair]; }

GreyBox GreyBox::United(const GreyBox& other) const {
    if (other.Empty()) return *this;
    if (Empty()) return other;
    const int l = std::min(left, other.left), t = std::min(top, other.top);
    const int r = std::max(left + width, other.left + other.width);
    const int b = std::max(top + height, other.top + other.height);
    return {l, t, r - l, b - t};
}

int OutlineReach(int outline64) {
    if (outline64 <= 0) return 0;
    return int(std::ceil(outline64 / 64.0 + 0.5));
}

void GrowCoverage(const uint8_t* cover, int width, int height, int outline64, std::vector<uint8_t>& out) {
    const int reach = OutlineReach(outline64);
    const int ow = width + 2 * reach, oh = height + 2 * reach;
    out.assign(size_t(std::max(ow, 0)) * size_t(std::max(oh, 0)), 0);
    if (width <= 0 || height <= 0) return;
    std::vector<bool> rowUsed(size_t(height), false);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width && !rowUsed[size_t(y)]; ++x)
            rowUsed[size_t(y)] = cover[size_t(y) * size_t(width) + size_t(x)] != 0;
    const double radius = outline64 / 64.0;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            // Full weight inside the disc, falling to nothing over its rim's
            // last pixel.
            const double d = std::sqrt(double(dx * dx + dy * dy));
            const int weight =
                dx == 0 && dy == 0 ? 256 : int(std::lround(std::clamp(radius + 0.5 - d, 0.0, 1.0) * 256));
            if (weight == 0) continue;
            std::array<uint8_t, kGreyLevels + 1> scaled{};
            for (int v = 0; v <= kGreyLevels; ++v) scaled[size_t(v)] = uint8_t((v * weight + 128) >> 8);
            for (int y = 0; y < height; ++y) {
                if (!rowUsed[size_t(y)]) continue;
                const uint8_t* src = cover + size_t(y) * size_t(width);
                uint8_t* dst = out.data() + size_t(y + reach + dy) * size_t(ow) + size_t(reach + dx);
                if (weight == 256) {
                    MaxBytes(dst, src, size_t(width));
                } else {
                    for (int x = 0; x < width; ++x) dst[x] = std::max(dst[x], scaled[src[x]]);
                }
            }
        }
}

void CoveragePairs(const uint8_t* cover, int width, int height, int outline64, std::vector<uint8_t>& pairs) {
    const int reach = OutlineReach(outline64);
    GrowCoverage(cover, width, height, outline64, pairs);  // the outline's coverage, then the pairs
    const int ow = width + 2 * reach;
    std::vector<uint8_t> glyphs(pairs.size(), 0);
    for (int y = 0; y < height; ++y)
        std::copy_n(cover + size_t(y) * size_t(width), width,
                    glyphs.data() + size_t(y + reach) * size_t(ow) + reach);
    PairIndices(pairs.data(), glyphs.data(), pairs.data(), pairs.size());
}

void MaxIntoCanvas(const uint8_t* pairs, int width, int rows, int pitch, int x, int y, GreyMask& canvas) {
    const int x0 = std::max(x, 0), x1 = std::min(x + width, canvas.width);
    const int y0 = std::max(y, 0), y1 = std::min(y + rows, canvas.height);
    if (x1 <= x0) return;
    for (int r = y0; r < y1; ++r)
        MaxBytes(canvas.Row(r) + x0, pairs + size_t(r - y) * size_t(pitch) + size_t(x0 - x), size_t(x1 - x0));
}

GreyBox TextEngine::GreyLineBox(std::string_view text, const FontSpec& font, int outline64) {
    LineMask mask;
    DrawLineMask(text, font, mask);
    if (mask.Empty()) return {};
    const int reach = OutlineReach(outline64);
    return {mask.left - reach, mask.top - reach, mask.width + 2 * reach, mask.height + 2 * reach};
}

void TextEngine::DrawLineGrey(std::string_view text, const FontSpec& font, int outline64, int x, int y,
                              GreyMask& canvas) {
    LineMask mask;
    DrawLineMask(text, font, mask);
    if (mask.Empty()) return;
    std::vector<uint8_t> cover(size_t(mask.width) * size_t(mask.height), 0);
    for (int r = 0; r < mask.height; ++r)
        for (int c = 0; c < mask.width; ++c)
            if (mask.Test(c, r)) cover[size_t(r) * size_t(mask.width) + size_t(c)] = kGreyLevels;
    std::vector<uint8_t> pairs;
    CoveragePairs(cover.data(), mask.width, mask.height, outline64, pairs);
    const int reach = OutlineReach(outline64);
    MaxIntoCanvas(pairs.data(), mask.width + 2 * reach, mask.height + 2 * reach, mask.width + 2 * reach,
                  x + mask.left - reach, y + mask.top - reach, canvas);
}

FontSpec FontWithEm(const FontSpec& font, int em) {
    FontSpec f = font;
    f.pixelEm = std::max(em, 1);
    return f;
}

TextExtent MeasureGreyLine(TextEngine& engine, const RunLine& line, const FontSpec& font, int em) {
    return MeasureRunLine(engine, line, FontWithEm(font, em));
}

TextExtent MeasureGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em) {
    return engine.MeasureLine(text, FontWithEm(font, em));
}

namespace {

// Calls f(run text, run font, run's x) for every run that holds text, each
// starting where the previous one's width ends.
template <typename F>
void ForEachRun(TextEngine& engine, const RunLine& whole, const FontSpec& sized, F f) {
    const RunLine line = DrawnRuns(whole);
    const size_t drawn = line.size();
    int x = 0;
    for (const TextRun& run : line) {
        const FontSpec font = WithStyle(sized, run.style);
        f(run.text, font, x);
        if (drawn > 1) x += engine.MeasureLine(run.text, font).width;
    }
}

}  // namespace

GreyBox GreyLineBox(TextEngine& engine, const RunLine& line, const FontSpec& font, int em, int outline64) {
    GreyBox box;
    ForEachRun(engine, line, FontWithEm(font, em), [&](std::string_view text, const FontSpec& f, int x) {
        GreyBox run = engine.GreyLineBox(text, f, outline64);
        run.left += x;
        box = box.United(run);
    });
    return box;
}

void DrawGreyLine(TextEngine& engine, const RunLine& line, const FontSpec& font, int em, int outline64, int x,
                  int y, GreyMask& canvas) {
    ForEachRun(engine, line, FontWithEm(font, em), [&](std::string_view text, const FontSpec& f, int runX) {
        engine.DrawLineGrey(text, f, outline64, x + runX, y, canvas);
    });
}

}  // namespace glyphon
