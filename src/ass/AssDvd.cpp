#include "ass/AssDvd.h"

#include <algorithm>

#include "palette/RunColours.h"

namespace glyphon {

namespace {

constexpr int kLeastOpacity = 64;  // of 255: below it a pixel stays transparent

int Distance(Rgb a, int r, int g, int b) {
    return int(ColourDistance(a, Rgb{uint8_t(r), uint8_t(g), uint8_t(b)}));
}

int Luma(Rgb c) { return 299 * c.r + 587 * c.g + 114 * c.b; }

template <class Entries>
int Nearest(const Entries& entries, size_t count, const std::array<Rgb, 16>& palette, int r, int g, int b) {
    int best = int(entries[0]), bestDistance = Distance(palette[size_t(best)], r, g, b);
    for (size_t i = 1; i < count; ++i) {
        const int d = Distance(palette[size_t(entries[i])], r, g, b);
        if (d < bestDistance) bestDistance = d, best = int(entries[i]);
    }
    return best;
}

}  // namespace

double DvdPixelAspect(int frameHeight, bool widescreen) {
    return (widescreen ? 16.0 / 9.0 : 4.0 / 3.0) * frameHeight / kFrameWidth;
}

std::array<Rgb, 16> StreamPaletteOf(const std::vector<Rgb>& scriptColours) {
    std::array<Rgb, 16> palette{};
    size_t n = 0;
    const auto add = [&](Rgb c) {
        if (n < palette.size() &&
            std::find(palette.begin(), palette.begin() + long(n), c) == palette.begin() + long(n))
            palette[n++] = c;
    };
    for (const Rgb c : scriptColours) add(c);
    add(Rgb{0, 0, 0});
    add(Rgb{255, 255, 255});
    for (int level = 1; n < palette.size(); ++level) {
        const uint8_t v = uint8_t(std::clamp(level * 255 / 15, 0, 255));
        add(Rgb{v, v, v});
        if (level > 300) break;
    }
    return palette;
}

DvdPicture CodeDvdPicture(const AssPicture& picture, const std::array<Rgb, 16>& palette, CodeFrame& codes,
                          int frameHeight) {
    codes.Reset(frameHeight, kCodeBackground);
    DvdPicture out;
    const int top = std::max(picture.y, 0), bottom = std::min(picture.y + picture.height, frameHeight);
    const int left = std::max(picture.x, 0), right = std::min(picture.x + picture.width, codes.Width());
    if (picture.Empty() || bottom <= top || right <= left) {
        // Nothing to show: two transparent rows, so that the unit still times it.
        out.top = 0;
        out.height = 2;
        return out;
    }
    const auto pixel = [&](int x, int y) {
        return picture.rgba.data() +
               (size_t(y - picture.y) * size_t(picture.width) + size_t(x - picture.x)) * 4;
    };
    const auto straight = [](const uint8_t* p, int n) {
        return std::min(255, (p[n] * 255 + p[3] / 2) / p[3]);
    };
    // How much of the picture each entry would draw.
    std::array<long, 16> uses{};
    std::array<int, 16> all{};
    for (int i = 0; i < 16; ++i) all[size_t(i)] = i;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const uint8_t* p = pixel(x, y);
            if (p[3] < kLeastOpacity) continue;
            uses[size_t(Nearest(all, 16, palette, straight(p, 0), straight(p, 1), straight(p, 2)))] += p[3];
        }
    std::array<int, 16> order = all;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return uses[size_t(a)] > uses[size_t(b)]; });
    size_t used = 0;
    while (used < 3 && uses[size_t(order[used])] > 0) ++used;
    if (used == 0) {
        out.top = 0;
        out.height = 2;
        return out;
    }
    std::array<int, 3> chosen{order[0], order[used > 1 ? 1 : 0], order[used > 2 ? 2 : 0]};
    std::sort(chosen.begin(), chosen.begin() + long(used),
              [&](int a, int b) { return Luma(palette[size_t(a)]) > Luma(palette[size_t(b)]); });
    // Lightest text, darkest outline, the middle one antialias.
    out.roles.text = chosen[0];
    out.roles.outline = chosen[used - 1];
    out.roles.antialias = chosen[used == 3 ? 1 : 0];
    const auto codeOf = [&](int entry) {
        if (entry == out.roles.text) return kCodeText;
        return entry == out.roles.outline ? kCodeOutline : kCodeAntialias;
    };
    int inkTop = bottom, inkBottom = top;
    for (int y = top; y < bottom; ++y) {
        uint64_t* low = nullptr;
        uint64_t* high = nullptr;
        for (int x = left; x < right; ++x) {
            const uint8_t* p = pixel(x, y);
            if (p[3] < kLeastOpacity) continue;
            if (!low) low = codes.Low(y), high = codes.High(y);
            const unsigned code =
                codeOf(Nearest(chosen, used, palette, straight(p, 0), straight(p, 1), straight(p, 2)));
            low[x >> 6] |= uint64_t(code & 1) << (x & 63);
            high[x >> 6] |= uint64_t(code >> 1) << (x & 63);
            inkTop = std::min(inkTop, y);
            inkBottom = std::max(inkBottom, y + 1);
        }
    }
    if (inkBottom <= inkTop) {
        out.top = 0;
        out.height = 2;
        return out;
    }
    out.top = inkTop;
    out.height = inkBottom - inkTop;
    return out;
}

}  // namespace glyphon
