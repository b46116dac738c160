#include "ass/AssRecolour.h"

extern "C" {
#include <ass/ass.h>
}

#include <algorithm>
#include <array>
#include <cstring>

#include "pgs/PgsPicture.h"

namespace glyphon {

namespace {

// Pixels of one entry may differ by this much in a channel (premultiplied),
// each within a few levels of their mean.
constexpr int kMostSpread = 8;

struct Gathered {
    std::array<uint64_t, 4> sum{};
    std::array<uint8_t, 4> lo{255, 255, 255, 255}, hi{};
    uint64_t count = 0;
};

}  // namespace

void AssKeptImages::Keep(const ASS_Image* images) {
    size_t bytes = 0;
    images_.clear();
    for (const ASS_Image* i = images; i; i = i->next) {
        images_.push_back(*i);
        bytes += size_t(std::max(i->w, 0)) * size_t(std::max(i->h, 0));
    }
    bitmaps_.resize(bytes);
    size_t at = 0;
    for (ASS_Image& i : images_) {
        const size_t w = size_t(std::max(i.w, 0));
        for (int y = 0; y < i.h; ++y)
            std::memcpy(bitmaps_.data() + at + size_t(y) * w, i.bitmap + size_t(y) * size_t(i.stride), w);
        i.bitmap = bitmaps_.data() + at;
        i.stride = int(w);
        at += w * size_t(std::max(i.h, 0));
    }
}

const ASS_Image* AssKeptImages::In(const std::vector<uint32_t>& colours) {
    for (size_t n = 0; n < images_.size(); ++n) {
        images_[n].color = n < colours.size() ? colours[n] : 0xFF;
        images_[n].next = n + 1 < images_.size() ? &images_[n + 1] : nullptr;
    }
    return images_.empty() ? nullptr : images_.data();
}

void ColoursOf(const ASS_Image* images, std::vector<uint32_t>& colours) {
    colours.clear();
    for (const ASS_Image* i = images; i; i = i->next) colours.push_back(i->color);
}

bool RecolourPgsObject(const AssPicture& picture, const PgsObject& before, int frameHeight,
                       std::vector<PgsColor>& palette, int mostSpread) {
    if (before.Empty()) return false;
    if (!picture.Empty() && (picture.x < before.x || picture.y < before.y ||
                             picture.x + picture.width > before.x + before.width ||
                             picture.y + picture.height > before.y + before.height))
        return false;
    std::array<Gathered, 256> entries;
    static constexpr uint8_t kNone[4] = {0, 0, 0, 0};
    for (int y = 0; y < before.height; ++y)
        for (int x = 0; x < before.width; ++x) {
            const int px = before.x + x - picture.x, py = before.y + y - picture.y;
            const uint8_t* c =
                px >= 0 && py >= 0 && px < picture.width && py < picture.height
                    ? picture.rgba.data() + (size_t(py) * size_t(picture.width) + size_t(px)) * 4
                    : kNone;
            const uint8_t entry = before.pixels[size_t(y) * size_t(before.width) + size_t(x)];
            if (entry == 0) {
                if (c[3]) return false;
                continue;
            }
            Gathered& g = entries[entry];
            ++g.count;
            for (int n = 0; n < 4; ++n) {
                g.sum[size_t(n)] += c[n];
                g.lo[size_t(n)] = std::min(g.lo[size_t(n)], c[n]);
                g.hi[size_t(n)] = std::max(g.hi[size_t(n)], c[n]);
            }
        }
    // Entries past the last one used are left out, those unused before it
    // transparent.
    size_t used = entries.size();
    while (used > 1 && entries[used - 1].count == 0) --used;
    std::vector<PgsColor> out(used, PgsColor{});
    for (size_t i = 1; i < used; ++i) {
        const Gathered& g = entries[i];
        if (g.count == 0) continue;
        for (size_t n = 0; n < 4; ++n)
            if (g.hi[n] - g.lo[n] > mostSpread) return false;
        const double a = double(g.sum[3]) / double(g.count);
        const auto straight = [&](size_t n) {
            if (a <= 0) return uint8_t(0);
            return uint8_t(std::clamp(double(g.sum[n]) / double(g.count) * 255.0 / a + 0.5, 0.0, 255.0));
        };
        out[i] =
            ToPgsColor(Rgba{straight(0), straight(1), straight(2), uint8_t(std::clamp(a + 0.5, 0.0, 255.0))},
                       frameHeight);
    }
    palette = std::move(out);
    return true;
}

void SplitPgsEntriesFor(const AssPicture& picture, PgsObject& object, std::vector<PgsColor>& palette,
                        int mostSpread) {
    if (object.Empty()) return;
    // The picture's colour at each pixel of the object.
    static constexpr uint8_t kNone[4] = {0, 0, 0, 0};
    const auto colourAt = [&](int x, int y) {
        const int px = object.x + x - picture.x, py = object.y + y - picture.y;
        return px >= 0 && py >= 0 && px < picture.width && py < picture.height
                   ? picture.rgba.data() + (size_t(py) * size_t(picture.width) + size_t(px)) * 4
                   : kNone;
    };
    for (;;) {
        std::array<Gathered, 256> entries;
        for (int y = 0; y < object.height; ++y)
            for (int x = 0; x < object.width; ++x) {
                const uint8_t entry = object.pixels[size_t(y) * size_t(object.width) + size_t(x)];
                if (entry == 0) continue;
                const uint8_t* c = colourAt(x, y);
                Gathered& g = entries[entry];
                ++g.count;
                for (size_t n = 0; n < 4; ++n) {
                    g.lo[n] = std::min(g.lo[n], c[n]);
                    g.hi[n] = std::max(g.hi[n], c[n]);
                }
            }
        // Each entry whose pixels differ too much, while there is room: its
        // pixels above the middle of the channel where they differ most
        // become an entry of the same colour.
        struct Cut {
            uint8_t channel = 0, middle = 0, to = 0;
        };
        std::array<Cut, 256> cuts{};
        bool any = false;
        for (size_t e = 1; e < palette.size() && e < entries.size(); ++e) {
            const Gathered& g = entries[e];
            size_t widest = 0;
            for (size_t n = 1; n < 4; ++n)
                if (g.hi[n] - g.lo[n] > g.hi[widest] - g.lo[widest]) widest = n;
            if (g.count == 0 || g.hi[widest] - g.lo[widest] <= mostSpread || palette.size() >= 256) continue;
            cuts[e] =
                Cut{uint8_t(widest), uint8_t((g.lo[widest] + g.hi[widest]) / 2), uint8_t(palette.size())};
            palette.push_back(palette[e]);
            any = true;
        }
        if (!any) return;
        for (int y = 0; y < object.height; ++y)
            for (int x = 0; x < object.width; ++x) {
                uint8_t& entry = object.pixels[size_t(y) * size_t(object.width) + size_t(x)];
                const Cut& cut = cuts[entry];
                if (cut.to != 0 && colourAt(x, y)[cut.channel] > cut.middle) entry = cut.to;
            }
    }
}

}  // namespace glyphon
