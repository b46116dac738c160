#include "pgs/PgsTint.h"

#include <algorithm>
#include <map>

#include "render/GreyLine.h"

namespace glyphon {

namespace {

// The tint number of `colour` in the object, added when new (0 when the
// object has no room for more: the look's colour).
uint8_t TintOf(PgsObject& object, uint32_t colour) {
    const uint32_t rgb = colour & 0xFFFFFF;
    for (size_t k = 0; k < object.tints.size(); ++k)
        if (object.tints[k] == rgb) return uint8_t(k + 1);
    if (object.tints.size() >= 254) return 0;
    object.tints.push_back(rgb);
    return uint8_t(object.tints.size());
}

}  // namespace

void TintRuns(TextEngine& engine, const RunLine& line, const FontSpec& font, int em, int x, int rowTop,
              int rowEnd, PgsObject& object) {
    bool coloured = false;
    for (const TextRun& run : line) coloured = coloured || (run.colour != 0 && !run.text.empty());
    if (!coloured) return;
    if (object.tint.size() != object.pixels.size()) object.tint.assign(object.pixels.size(), 0);
    rowTop = std::max(rowTop, 0);
    rowEnd = std::min(rowEnd, object.height);
    // Each run's columns: from the width of the runs before it to the width
    // with it; the first and last run reach the object's edges, so that
    // ink past the cell (italics, outline) keeps its run's colour.
    RunLine before;
    int from = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        before.push_back(line[i]);
        const bool last = i + 1 == line.size();
        const int to = last ? object.width - x : MeasureGreyLine(engine, before, font, em).width;
        const int c0 = i == 0 ? 0 : std::max(0, x + from), c1 = std::min(object.width, x + to);
        if (line[i].colour != 0 && !line[i].text.empty() && c0 < c1) {
            const uint8_t k = TintOf(object, line[i].colour);
            for (int y = rowTop; y < rowEnd; ++y)
                std::fill_n(
                    object.tint.begin() + std::ptrdiff_t(size_t(y) * size_t(object.width) + size_t(c0)),
                    c1 - c0, k);
        }
        from = to;
    }
}

void TintedPalette(PgsObject& object, const PgsColors& colors, int frameHeight,
                   std::vector<PgsColor>& palette) {
    if (object.tint.size() != object.pixels.size() || object.tints.empty()) {
        palette = PgsPalette(colors, frameHeight);
        return;
    }
    // Pixels without glyph coverage show no text colour: one entry for them
    // all. Coloured pixels keep every pair while the entries fit, else their
    // grey levels in coarser steps.
    const size_t n = object.pixels.size();
    std::vector<uint16_t> key(n);
    std::map<uint16_t, uint8_t> entries;
    for (int step = 1; step <= kGreyLevels; ++step) {
        entries.clear();
        entries[0] = 0;  // uncovered: entry 0
        bool fits = true;
        for (size_t i = 0; i < n && fits; ++i) {
            const uint8_t pair = object.pixels[i];
            int t = PairGlyph(pair), o = PairOutline(pair);
            uint8_t tint = t > 0 ? object.tint[i] : 0;
            if (tint != 0 && step > 1) {
                const auto coarse = [&](int v) {
                    return std::min(kGreyLevels, (v + step / 2) / step * step);
                };
                o = coarse(o);
                t = std::min(coarse(t), o);
                if (t == 0) tint = 0;
            }
            key[i] = uint16_t(tint) << 8 | GreyPair(t, o);
            if (entries.emplace(key[i], 0).second && entries.size() > 256) fits = false;
        }
        if (fits) break;
    }
    if (entries.size() > 256) {
        // More colours than a palette holds: the look's colour for all.
        object.tint.clear();
        palette = PgsPalette(colors, frameHeight);
        return;
    }
    palette.clear();
    uint8_t next = 0;
    for (auto& [k, index] : entries) {
        index = next++;
        const uint8_t tint = uint8_t(k >> 8), pair = uint8_t(k & 0xFF);
        PgsColors own = colors;
        if (tint != 0) {
            const uint32_t rgb = object.tints[tint - 1];
            own.text = Rgba{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), colors.text.a};
        }
        palette.push_back(ToPgsColor(PgsPixelColor(PairGlyph(pair), PairOutline(pair), own), frameHeight));
    }
    for (size_t i = 0; i < n; ++i) object.pixels[i] = entries[key[i]];
    object.tint.clear();
}

}  // namespace glyphon
