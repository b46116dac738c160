#include "pgs/PgsPicture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "pgs/PgsTint.h"
#include "render/GreyLine.h"
#include "render/Renderer.h"

namespace glyphon {

namespace {

int Scaled(double value, double scale) { return int(std::lround(value * scale)); }

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

std::vector<Rgba> PgsPixelColors(const PgsColors& colors) {
    std::vector<Rgba> palette(kPgsPaletteSize);
    for (int o = 0; o <= kGreyLevels; ++o)
        for (int t = 0; t <= o; ++t) palette[size_t(PgsIndex(t, o))] = PgsPixelColor(t, o, colors);
    return palette;
}

std::vector<PgsColor> PgsPalette(const PgsColors& colors, int frameHeight) {
    const std::vector<Rgba> rgba = PgsPixelColors(colors);
    std::vector<PgsColor> palette(kPgsPaletteSize);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = ToPgsColor(rgba[i], frameHeight);
    return palette;
}

StackPlacement PlacePgsLines(const std::vector<TextExtent>& extents, const PgsLook& look, bool top) {
    const double scale = PgsScale(look.frameHeight);
    const int margin = Scaled(8, scale), edge = Scaled(40 + look.offset, scale),
              spacing = Scaled(look.offsetOr, scale);
    StackPlacement p;
    const size_t n = extents.size();
    p.x.resize(n);
    p.y.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const int width = extents[i].width;
        p.x[i] = look.align == Alignment::Center ? look.frameWidth / 2 - width / 2
                 : look.align == Alignment::Left ? margin
                                                 : look.frameWidth - width - margin;
    }
    if (n == 0) return p;
    if (top) {
        p.y[0] = edge;
        for (size_t i = 1; i < n; ++i) p.y[i] = p.y[i - 1] + extents[i].height - spacing;
    } else {
        // The last line at the offset from the bottom, the others above it,
        // as players place text: one- and two-line subtitles share it.
        p.y[n - 1] = look.frameHeight - extents[n - 1].height - edge;
        for (size_t i = n - 1; i-- > 0;) p.y[i] = p.y[i + 1] - extents[i + 1].height + spacing;
    }
    PlaceBox(extents, look.frameWidth, look.frameHeight, margin, look.place, p);
    p.bandTop = n > 0 ? p.y[0] : 0;
    p.bandHeight = n > 0 ? extents[0].height : 0;
    for (size_t i = 1; i < n; ++i) p.bandHeight += extents[i].height - spacing;
    return p;
}

void DrawPgsSubtitle(TextEngine& engine, const std::vector<RunLine>& lines, bool top, const PgsLook& look,
                     PgsObject& object) {
    struct Scratch {
        std::vector<TextExtent> extents;
        std::vector<GreyBox> boxes;
        GreyMask canvas;
    };
    static thread_local Scratch s;
    const double scale = PgsScale(look.frameHeight);
    const int em = PgsEm(look.font.sizePoints, look.frameHeight);
    const int outline64 = int(std::lround(std::max(look.outlineWidth, 0) * scale * 64));
    // At the bottom, the lines up to the last with text: that one sits at
    // the offset.
    const size_t n = top ? lines.size() : LinesWithText(lines);
    s.extents.resize(n);
    s.boxes.resize(n);
    for (size_t i = 0; i < n; ++i) s.extents[i] = MeasureGreyLine(engine, lines[i], look.font, em);
    const StackPlacement place = PlacePgsLines(s.extents, look, top);

    // The box of everything drawn, inside the frame.
    GreyBox all;
    for (size_t i = 0; i < n; ++i) {
        s.boxes[i] = GreyLineBox(engine, lines[i], look.font, em, outline64);
        if (s.boxes[i].Empty()) continue;
        all = all.United(
            {place.x[i] + s.boxes[i].left, place.y[i] + s.boxes[i].top, s.boxes[i].width, s.boxes[i].height});
    }
    const int x0 = std::max(all.left, 0), y0 = std::max(all.top, 0);
    const int x1 = std::min(all.left + all.width, look.frameWidth),
              y1 = std::min(all.top + all.height, look.frameHeight);
    object.pixels.clear();
    object.tint.clear();
    object.tints.clear();
    if (all.Empty() || x1 <= x0 || y1 <= y0) {
        object.x = object.y = object.width = object.height = 0;
        return;
    }
    object.x = x0;
    object.y = y0;
    object.width = x1 - x0;
    object.height = y1 - y0;
    // The lines drawn straight into the object: its pixels are the pair
    // bytes, which are the palette's indices.
    s.canvas.Reset(0, 0, object.width, object.height);
    for (size_t i = 0; i < n; ++i)
        if (!s.boxes[i].Empty())
            DrawGreyLine(engine, lines[i], look.font, em, outline64, place.x[i] - x0, place.y[i] - y0,
                         s.canvas);
    object.pixels.swap(s.canvas.cover);
    // Runs of a colour of their own tint their columns of the line's rows.
    for (size_t i = 0; i < n; ++i)
        if (!s.boxes[i].Empty())
            TintRuns(engine, lines[i], look.font, em, place.x[i] - x0, place.y[i] + s.boxes[i].top - y0,
                     place.y[i] + s.boxes[i].top + s.boxes[i].height - y0, object);
}

void DrawPgsSubtitle(TextEngine& engine, std::string_view line1, std::string_view line2, const PgsLook& look,
                     PgsObject& object) {
    DrawPgsSubtitle(engine, {PlainLine(line1), PlainLine(line2)}, false, look, object);
}

}  // namespace glyphon
