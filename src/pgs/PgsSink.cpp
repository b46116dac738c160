#include "pgs/PgsSink.h"

#include <algorithm>

#include "pgs/PgsTint.h"

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
    // Tints go with the pixel that wins; other's tints are renumbered into
    // into's list.
    const bool tinted = !into.tint.empty() || !other.tint.empty();
    std::vector<uint8_t> tint(tinted ? pixels.size() : 0, 0);
    std::vector<uint8_t> renumber(other.tints.size() + 1, 0);
    for (size_t k = 0; k < other.tints.size(); ++k) {
        const auto at = std::find(into.tints.begin(), into.tints.end(), other.tints[k]);
        if (at == into.tints.end() && into.tints.size() < 254) into.tints.push_back(other.tints[k]);
        const auto found = std::find(into.tints.begin(), into.tints.end(), other.tints[k]);
        renumber[k + 1] = found == into.tints.end() ? 0 : uint8_t(found - into.tints.begin() + 1);
    }
    for (const PgsObject* o : {static_cast<const PgsObject*>(&into), &other})
        for (int y = 0; y < o->height; ++y) {
            const size_t row = size_t(y) * size_t(o->width);
            const uint8_t* from = &o->pixels[row];
            const size_t at = size_t(o->y - y0 + y) * size_t(x1 - x0) + size_t(o->x - x0);
            uint8_t* to = &pixels[at];
            for (int x = 0; x < o->width; ++x) {
                if (tinted && from[x] > to[x])
                    tint[at + size_t(x)] = o->tint.empty() ? 0
                                           : o == &other   ? renumber[o->tint[row + size_t(x)]]
                                                           : o->tint[row + size_t(x)];
                to[x] = std::max(to[x], from[x]);
            }
        }
    into.tint.swap(tint);
    into.x = x0;
    into.y = y0;
    into.width = x1 - x0;
    into.height = y1 - y0;
    into.pixels.swap(pixels);
}

}  // namespace

void PgsSink::Subtitle(int64_t start, int64_t end, const std::vector<RunLine>& bottom,
                       const std::vector<RunLine>& top, const std::vector<PlacedLines>& placed) {
    // Lines at the bottom, at the top and where cues place them share one
    // object.
    object_.width = object_.height = 0;
    object_.pixels.clear();
    if (!bottom.empty()) DrawPgsSubtitle(engine_, bottom, false, look_, object_);
    if (!top.empty()) {
        DrawPgsSubtitle(engine_, top, true, look_, topObject_);
        MergeObject(object_, topObject_);
    }
    for (const PlacedLines& group : placed) {
        PgsLook look = look_;
        look.place = group.place;
        DrawPgsSubtitle(engine_, group.lines, group.top, look, topObject_);
        MergeObject(object_, topObject_);
    }
    if (object_.tint.empty()) {
        writer_.Show(start, end, object_, palette_);
        return;
    }
    TintedPalette(object_, options_.colors, options_.video.height, tinted_);
    writer_.Show(start, end, object_, tinted_);
}

void PgsSink::Close() { writer_.Close(); }

void PgsSink::Seal() { writer_.Seal(); }

void PgsSink::Discard() { writer_.Discard(); }

}  // namespace glyphon
