#include "ass/AssRecolour.h"

#include <algorithm>
#include <array>

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

bool RecolourPgsObject(const AssPicture& picture, const PgsObject& before, int frameHeight,
                       std::vector<PgsColor>& palette) {
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
            if (g.hi[n] - g.lo[n] > kMostSpread) return false;
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

}  // namespace glyphon
