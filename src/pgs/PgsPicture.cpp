#include "pgs/PgsPicture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "render/GreyLine.h"
#include "render/Renderer.h"

namespace glyphon {

namespace {

int Scaled(double value, double scale) { return int(std::lround(value * scale)); }

struct LineDrawing {
    GreyMask glyphs, outline;
    int x = 0, y = 0;  // the text cell's top-left corner in the frame
};

}  // namespace

double PgsScale(int frameHeight) {
    if (frameHeight == kPalHeight || frameHeight == kNtscHeight) return 1.0;
    return double(frameHeight) / kPalHeight;
}

int PgsEm(int points, int frameHeight) {
    return std::max(1, Scaled(PixelEmHeight(points), PgsScale(frameHeight)));
}

Rgba PgsPixelColor(int t, int o, const PgsColors& colors) {
    const double parts[3] = {double(t) * colors.text.a, double(o - t) * colors.outline.a,
                             double(kGreyLevels - o) * colors.background.a};
    const Rgba* layers[3] = {&colors.text, &colors.outline, &colors.background};
    const double weight = parts[0] + parts[1] + parts[2];
    Rgba c{0, 0, 0, 0};
    if (weight <= 0) return c;
    double r = 0, g = 0, b = 0;
    for (int i = 0; i < 3; ++i) {
        r += parts[i] * layers[i]->r;
        g += parts[i] * layers[i]->g;
        b += parts[i] * layers[i]->b;
    }
    c.r = uint8_t(std::lround(r / weight));
    c.g = uint8_t(std::lround(g / weight));
    c.b = uint8_t(std::lround(b / weight));
    c.a = uint8_t(std::lround(weight / kGreyLevels));
    return c;
}

PgsColor ToPgsColor(Rgba c, int frameHeight) {
    const bool bt709 = frameHeight > kPalHeight;
    const double kr = bt709 ? 0.2126 : 0.299, kb = bt709 ? 0.0722 : 0.114, kg = 1 - kr - kb;
    const double luma = kr * c.r + kg * c.g + kb * c.b;  // 0 .. 255
    const auto clamp8 = [](double v) { return uint8_t(std::clamp<long>(std::lround(v), 0, 255)); };
    PgsColor p;
    p.y = clamp8(16 + luma * 219 / 255);
    p.cb = clamp8(128 + (c.b - luma) / (2 * (1 - kb)) * 224 / 255);
    p.cr = clamp8(128 + (c.r - luma) / (2 * (1 - kr)) * 224 / 255);
    p.alpha = c.a;
    return p;
}

std::vector<PgsColor> PgsPalette(const PgsColors& colors, int frameHeight) {
    std::vector<PgsColor> palette(kPgsPaletteSize);
    for (int o = 0; o <= kGreyLevels; ++o)
        for (int t = 0; t <= o; ++t) palette[size_t(PgsIndex(t, o))] = ToPgsColor(PgsPixelColor(t, o, colors), frameHeight);
    return palette;
}

void DrawPgsSubtitle(TextEngine& engine, std::string_view line1, std::string_view line2, const PgsLook& look,
                     PgsObject& object) {
    static thread_local LineDrawing lines[2];
    const double scale = PgsScale(look.frameHeight);
    const int em = PgsEm(look.font.sizePoints, look.frameHeight);
    const TextExtent e1 = MeasureGreyLine(engine, line1, look.font, em);
    const TextExtent e2 = MeasureGreyLine(engine, line2, look.font, em);
    const int margin = Scaled(8, scale);
    const auto alignedX = [&](int width) {
        if (look.align == "center") return look.frameWidth / 2 - width / 2;
        if (look.align == "left") return margin;
        return look.frameWidth - width - margin;
    };
    lines[0].x = alignedX(e1.width);
    lines[1].x = alignedX(e2.width);
    lines[0].y = look.frameHeight - e1.height - Scaled(40 + look.offset, scale);
    lines[1].y = lines[0].y + e2.height - Scaled(look.offsetOr, scale);
    const int outlineSamples = Scaled(std::max(look.outlineWidth, 0) * kGreySamples, scale);
    DrawGreyLine(engine, line1, look.font, em, outlineSamples, lines[0].glyphs, lines[0].outline);
    DrawGreyLine(engine, line2, look.font, em, outlineSamples, lines[1].glyphs, lines[1].outline);

    // The box of everything drawn, inside the frame.
    int x0 = look.frameWidth, y0 = look.frameHeight, x1 = 0, y1 = 0;
    for (const LineDrawing& l : lines) {
        if (l.outline.Empty()) continue;
        x0 = std::min(x0, l.x + l.outline.left);
        y0 = std::min(y0, l.y + l.outline.top);
        x1 = std::max(x1, l.x + l.outline.left + l.outline.width);
        y1 = std::max(y1, l.y + l.outline.top + l.outline.height);
    }
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, look.frameWidth), y1 = std::min(y1, look.frameHeight);
    object.pixels.clear();
    if (x1 <= x0 || y1 <= y0) {
        object.x = object.y = object.width = object.height = 0;
        return;
    }
    object.x = x0;
    object.y = y0;
    object.width = x1 - x0;
    object.height = y1 - y0;
    // Indices straight away; where the second line meets pixels of the
    // first, the larger coverage of each kind wins.
    static const auto pairOf = [] {
        std::array<uint8_t[2], kPgsPaletteSize> pairs{};
        for (int o = 0; o <= kGreyLevels; ++o)
            for (int t = 0; t <= o; ++t) {
                pairs[size_t(PgsIndex(t, o))][0] = uint8_t(t);
                pairs[size_t(PgsIndex(t, o))][1] = uint8_t(o);
            }
        return pairs;
    }();
    object.pixels.assign(size_t(object.width) * size_t(object.height), 0);
    bool first = true;
    for (const LineDrawing& l : lines) {
        if (l.outline.Empty()) continue;
        const int left = l.x + l.outline.left, top = l.y + l.outline.top;
        const int cx0 = std::max(x0, left), cx1 = std::min(x1, left + l.outline.width);
        const int cy0 = std::max(y0, top), cy1 = std::min(y1, top + l.outline.height);
        for (int y = cy0; y < cy1; ++y) {
            const uint8_t* g = l.glyphs.cover.data() + size_t(y - top) * size_t(l.glyphs.width) + (cx0 - left);
            const uint8_t* o = l.outline.cover.data() + size_t(y - top) * size_t(l.outline.width) + (cx0 - left);
            uint8_t* dst = object.pixels.data() + size_t(y - y0) * size_t(object.width) + (cx0 - x0);
            const int n = cx1 - cx0;
            if (first) {
                for (int x = 0; x < n; ++x) dst[x] = uint8_t(o[x] * (o[x] + 1) / 2 + g[x]);
                continue;
            }
            for (int x = 0; x < n; ++x) {
                if (!o[x]) continue;
                const int t = std::max<int>(pairOf[dst[x]][0], g[x]), oo = std::max<int>(pairOf[dst[x]][1], o[x]);
                dst[x] = uint8_t(PgsIndex(t, oo));
            }
        }
        first = false;
    }
}

}  // namespace glyphon
