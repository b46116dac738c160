#include "render/GreyLine.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "render/GreyBytes.h"

namespace glyphon {

namespace {

FontSpec WithStyle(const FontSpec& font, int style) {
    FontSpec f = font;
    f.style |= style;
    return f;
}

// Coverage added up (glyphs side by side share the pixels their edges
// cross), never beyond a full pixel.
void AddRow(uint8_t* dst, const uint8_t* src, int n) { AddBytesCapped(dst, src, size_t(n), kGreyLevels); }

void MaxRow(uint8_t* dst, const uint8_t* src, int n) { MaxBytes(dst, src, size_t(n)); }

// `from` placed `dx` columns to the right merged into `into` (whose box holds
// it): glyphs added, outlines by the larger.
void Merge(const GreyMask& from, int dx, GreyMask& into, bool add) {
    for (int y = 0; y < from.height; ++y) {
        uint8_t* dst = into.Row(from.top + y - into.top) + (from.left + dx - into.left);
        if (add)
            AddRow(dst, from.Row(y), from.width);
        else
            MaxRow(dst, from.Row(y), from.width);
    }
}

}  // namespace

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
        for (int x = 0; x < width && !rowUsed[size_t(y)]; ++x) rowUsed[size_t(y)] = cover[size_t(y) * size_t(width) + size_t(x)] != 0;
    const double radius = outline64 / 64.0;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            // Full weight inside the disc, falling to nothing over its rim's
            // last pixel.
            const double d = std::sqrt(double(dx * dx + dy * dy));
            const int weight = dx == 0 && dy == 0 ? 256 : int(std::lround(std::clamp(radius + 0.5 - d, 0.0, 1.0) * 256));
            if (weight == 0) continue;
            std::array<uint8_t, kGreyLevels + 1> scaled{};
            for (int v = 0; v <= kGreyLevels; ++v) scaled[size_t(v)] = uint8_t((v * weight + 128) >> 8);
            for (int y = 0; y < height; ++y) {
                if (!rowUsed[size_t(y)]) continue;
                const uint8_t* src = cover + size_t(y) * size_t(width);
                uint8_t* dst = out.data() + size_t(y + reach + dy) * size_t(ow) + size_t(reach + dx);
                if (weight == 256) {
                    MaxRow(dst, src, width);
                } else {
                    for (int x = 0; x < width; ++x) dst[x] = std::max(dst[x], scaled[src[x]]);
                }
            }
        }
}

void TextEngine::DrawLineGrey(std::string_view text, const FontSpec& font, int outline64, GreyMask& glyphs,
                              GreyMask& outline) {
    LineMask mask;
    DrawLineMask(text, font, mask);
    glyphs.Reset(0, 0, 0, 0);
    outline.Reset(0, 0, 0, 0);
    if (mask.Empty()) return;
    const int reach = OutlineReach(outline64);
    std::vector<uint8_t> cover(size_t(mask.width) * size_t(mask.height), 0);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.Test(x, y)) cover[size_t(y) * size_t(mask.width) + size_t(x)] = kGreyLevels;
    outline.Reset(mask.left - reach, mask.top - reach, mask.width + 2 * reach, mask.height + 2 * reach);
    GrowCoverage(cover.data(), mask.width, mask.height, outline64, outline.cover);
    glyphs.Reset(outline.left, outline.top, outline.width, outline.height);
    for (int y = 0; y < mask.height; ++y)
        std::copy_n(cover.data() + size_t(y) * size_t(mask.width), mask.width, glyphs.Row(y + reach) + reach);
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

void DrawGreyLine(TextEngine& engine, std::string_view text, const FontSpec& font, int em, int outline64,
                  GreyMask& glyphs, GreyMask& outline) {
    engine.DrawLineGrey(text, FontWithEm(font, em), outline64, glyphs, outline);
}

void DrawGreyLine(TextEngine& engine, const RunLine& line, const FontSpec& font, int em, int outline64,
                  GreyMask& glyphs, GreyMask& outline) {
    const FontSpec sized = FontWithEm(font, em);
    std::vector<const TextRun*> runs;
    for (const TextRun& run : line)
        if (!run.text.empty()) runs.push_back(&run);
    if (runs.size() <= 1) {
        engine.DrawLineGrey(runs.empty() ? std::string_view() : runs[0]->text,
                            runs.empty() ? sized : WithStyle(sized, runs[0]->style), outline64, glyphs, outline);
        return;
    }
    // Runs side by side as DrawRunLineMask places them.
    struct Part {
        GreyMask glyphs, outline;
        int x = 0;
    };
    std::vector<Part> parts(runs.size());
    int x = 0, left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (size_t i = 0; i < runs.size(); ++i) {
        const FontSpec f = WithStyle(sized, runs[i]->style);
        engine.DrawLineGrey(runs[i]->text, f, outline64, parts[i].glyphs, parts[i].outline);
        parts[i].x = x;
        x += engine.MeasureLine(runs[i]->text, f).width;
        const GreyMask& o = parts[i].outline;
        if (o.Empty()) continue;
        left = std::min(left, parts[i].x + o.left);
        top = std::min(top, o.top);
        right = std::max(right, parts[i].x + o.left + o.width);
        bottom = std::max(bottom, o.top + o.height);
    }
    glyphs.Reset(0, 0, 0, 0);
    outline.Reset(0, 0, 0, 0);
    if (left == INT_MAX) return;
    glyphs.Reset(left, top, right - left, bottom - top);
    outline.Reset(left, top, right - left, bottom - top);
    for (const Part& p : parts) {
        if (p.outline.Empty()) continue;
        Merge(p.glyphs, p.x, glyphs, true);
        Merge(p.outline, p.x, outline, false);
    }
}

}  // namespace glyphon
