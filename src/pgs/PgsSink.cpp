#include "pgs/PgsSink.h"

#include <algorithm>

namespace glyphon {

PgsSink::PgsSink(TextEngine& engine, const PgsLook& look, const PgsOptions& options)
    : twin_(engine.Twin()), engine_(twin_ ? *twin_ : engine), look_(look), options_(options) {
    look_.frameWidth = options.video.width;
    look_.frameHeight = options.video.height;
    palette_ = PgsPalette(options.colors, options.video.height);
}

void PgsSink::Create(const std::string& path) { writer_.Create(path, options_.video); }

namespace {

// `into` grown to hold `other` too, each pixel the larger byte of the two
// (the drawing with more outline wins, as where lines meet).
void MergeObject(PgsObject& into, const PgsObject& other) {
    if (other.Empty()) return;
    if (into.Empty()) {
        into = other;
        return;
    }
    const int x0 = std::min(into.x, other.x), y0 = std::min(into.y, other.y);
    const int x1 = std::max(into.x + into.width, other.x + other.width);
    const int y1 = std::max(into.y + into.height, other.y + other.height);
    std::vector<uint8_t> pixels(size_t(x1 - x0) * size_t(y1 - y0), 0);
    for (const PgsObject* o : {static_cast<const PgsObject*>(&into), &other})
        for (int y = 0; y < o->height; ++y) {
            const uint8_t* from = &o->pixels[size_t(y) * size_t(o->width)];
            uint8_t* to = &pixels[size_t(o->y - y0 + y) * size_t(x1 - x0) + size_t(o->x - x0)];
            for (int x = 0; x < o->width; ++x) to[x] = std::max(to[x], from[x]);
        }
    into.x = x0;
    into.y = y0;
    into.width = x1 - x0;
    into.height = y1 - y0;
    into.pixels.swap(pixels);
}

}  // namespace

void PgsSink::Subtitle(int64_t start, int64_t end, const std::vector<RunLine>& bottom,
                       const std::vector<RunLine>& top) {
    // Lines at the bottom and at the top share one object.
    if (!bottom.empty()) DrawPgsSubtitle(engine_, bottom, false, look_, object_);
    if (!top.empty()) DrawPgsSubtitle(engine_, top, true, look_, bottom.empty() ? object_ : topObject_);
    if (!bottom.empty() && !top.empty()) MergeObject(object_, topObject_);
    writer_.Show(start, end, object_, palette_);
}

void PgsSink::Close() { writer_.Close(); }

void PgsSink::Seal() { writer_.Seal(); }

void PgsSink::Discard() { writer_.Discard(); }

}  // namespace glyphon
