#include "render/PreviewPictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace glyphon {

namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

uint8_t Clamp(double v) { return uint8_t(std::clamp(v, 0.0, 255.0)); }

struct Colour {
    double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void Put(Frame& f, int x, int y, Colour c) {
    if (f.Contains(x, y)) f.Set(x, y, Rgb{Clamp(c.r), Clamp(c.g), Clamp(c.b)});
}

Colour Get(const Frame& f, int x, int y) {
    const Rgb p = f.At(x, y);
    return {double(p.r), double(p.g), double(p.b)};
}

void FillRect(Frame& f, int x0, int y0, int x1, int y1, Colour c) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) Put(f, x, y, c);
}

}  // namespace

Frame PaintHarbour(int width, int height) {
    Frame f(width, height);
    const double W = width, H = height;
    const int horizon = int(H * 0.52);
    const double sunX = W * 0.78, sunY = H * 0.15, sunR = H * 0.045;

    // Sky with the sun's glow and a few soft clouds.
    for (int y = 0; y < horizon; ++y) {
        const double t = double(y) / horizon;
        for (int x = 0; x < width; ++x) {
            Colour c = Mix({62, 122, 196}, {196, 218, 234}, t * t);
            const double d = std::hypot(x - sunX, y - sunY);
            if (d < sunR)
                c = {255, 250, 226};
            else
                c = Mix(c, {255, 244, 214}, std::max(0.0, 0.55 - (d - sunR) / (H * 0.35)));
            const double cloud = std::sin(x * 0.013 + y * 0.004) * std::sin(x * 0.031 - y * 0.05) +
                                 0.5 * std::sin(x * 0.07 + y * 0.11);
            if (y < horizon * 0.6 && cloud > 0.75)
                c = Mix(c, {246, 248, 250}, std::min(1.0, (cloud - 0.75) * 2.5));
            Put(f, x, y, c);
        }
    }

    // Distant mountains in the haze.
    for (int x = 0; x < width; ++x) {
        const double ridge = horizon - H * (0.07 + 0.05 * std::sin(x * 0.009 + 1.2) +
                                            0.025 * std::sin(x * 0.031) + 0.01 * std::sin(x * 0.11));
        for (int y = int(ridge); y < horizon; ++y) {
            const double t = (y - ridge) / std::max(1.0, horizon - ridge);
            Put(f, x, y, Mix({112, 132, 156}, {150, 168, 184}, t));
        }
    }

    // The hill on the left with its town.
    const double hillEnd = W * 0.58;
    auto hillTop = [&](int x) {
        const double u = x / hillEnd;
        return horizon - H * 0.16 * std::max(0.0, 1.0 - u * u) - H * 0.015 * std::sin(x * 0.05);
    };
    for (int x = 0; x < int(hillEnd) + 8; ++x) {
        const double top = hillTop(x);
        for (int y = int(top); y < horizon + 4; ++y) {
            const double n = (Hash(uint32_t(x / 3), uint32_t(y / 3), 1) & 255) / 255.0;
            Put(f, x, y, Mix({88, 112, 64}, {120, 138, 78}, n * 0.6));
        }
    }
    const int houseW = 12;
    for (int col = 0; col * (houseW + 3) < hillEnd - 20; ++col) {
        const int hx = 4 + col * (houseW + 3);
        const double top = hillTop(hx + houseW / 2);
        for (int row = 0;; ++row) {
            const uint32_t h = Hash(uint32_t(col), uint32_t(row), 7);
            const int hh = 9 + int(h % 6);
            const int hy = int(top) + 6 + row * 11 - int(h % 4);
            if (hy + hh > horizon + 2) break;
            if (h % 5 == 0) continue;  // gardens between houses
            const Colour walls[] = {{236, 230, 214}, {226, 200, 150}, {240, 240, 236}, {214, 180, 132}};
            FillRect(f, hx, hy, hx + houseW, hy + hh, walls[h % 4]);
            FillRect(f, hx - 1, hy - 3, hx + houseW + 1, hy, {176, 84, 52});  // roof
            FillRect(f, hx + 3, hy + 3, hx + 5, hy + 6, {70, 60, 56});        // windows
            FillRect(f, hx + 7, hy + 3, hx + 9, hy + 6, {70, 60, 56});
        }
    }

    // Sea: darker towards the viewer, ripples, the sun's glitter.
    for (int y = horizon; y < height; ++y) {
        const double t = (y - horizon) / std::max(1.0, H - horizon);
        for (int x = 0; x < width; ++x) {
            Colour c = Mix({52, 112, 158}, {14, 52, 92}, t);
            const uint32_t h = Hash(uint32_t(x / (4 + int(t * 10))), uint32_t(y), 3);
            if ((h & 15) == 0) c = Mix(c, {150, 190, 214}, 0.5);
            if ((h & 63) == 1) c = Mix(c, {8, 36, 70}, 0.6);
            if (std::abs(x - sunX) < 14 + t * 60 && (h & 7) < 3) c = Mix(c, {250, 244, 220}, 0.8);
            Put(f, x, y, c);
        }
    }
    // Reflection of the hill and the town in the water.
    for (int y = horizon; y < std::min(height, horizon + int(H * 0.08)); ++y) {
        const int src = 2 * horizon - y;
        for (int x = 0; x < int(hillEnd); ++x) {
            if (src < hillTop(x)) continue;
            const int wobble = int(2 * std::sin(y * 0.9));
            const int sx = std::clamp(x + wobble, 0, width - 1);
            Put(f, x, y, Mix(Get(f, x, y), Get(f, sx, src), 0.45));
        }
    }

    // The breakwater running in from the right, with its lighthouse.
    const int wallTop = horizon + int(H * 0.05), wallBottom = wallTop + int(H * 0.022);
    const int wallStart = int(W * 0.50);
    for (int y = wallTop; y < wallBottom; ++y)
        for (int x = wallStart; x < width; ++x) {
            const bool joint = (y - wallTop) % 6 == 5 || (x + ((y - wallTop) / 6) * 7) % 14 == 0;
            Put(f, x, y, joint ? Colour{120, 110, 96} : Colour{186, 174, 150});
        }
    const int towerX = wallStart + 10, towerW = int(W * 0.022), towerH = int(H * 0.14);
    for (int y = wallTop - towerH; y < wallTop; ++y) {
        const double u = double(y - (wallTop - towerH)) / towerH;  // 0 at the top
        const int half = int(towerW * (0.35 + 0.15 * u));
        for (int x = towerX - half; x <= towerX + half; ++x)
            Put(f, x, y, x < towerX ? Colour{222, 204, 164} : Colour{184, 164, 124});
    }
    FillRect(f, towerX - towerW / 2 - 2, wallTop - towerH - 4, towerX + towerW / 2 + 3, wallTop - towerH,
             {90, 84, 76});  // gallery
    FillRect(f, towerX - towerW / 3, wallTop - towerH - 14, towerX + towerW / 3 + 1, wallTop - towerH - 4,
             {246, 236, 170});  // lantern
    FillRect(f, towerX - towerW / 3 - 1, wallTop - towerH - 18, towerX + towerW / 3 + 2,
             wallTop - towerH - 14, {70, 64, 60});  // cap

    // Boats in the harbour.
    struct Boat {
        double x, y;
        int length;
        Colour hull;
    };
    const Boat boats[] = {{0.12, 0.66, 70, {236, 236, 232}},
                          {0.33, 0.72, 90, {180, 52, 44}},
                          {0.62, 0.62, 50, {40, 76, 128}},
                          {0.86, 0.78, 110, {238, 232, 220}}};
    for (const Boat& b : boats) {
        const int bx = int(W * b.x), by = int(H * b.y), len = b.length, depth = std::max(6, len / 7);
        for (int y = 0; y < depth; ++y) {
            const int inset = y * 2 / 3 + 1;
            for (int x = inset; x < len - inset * 2; ++x) Put(f, bx + x, by + y, b.hull);
        }
        FillRect(f, bx + 2, by - 1, bx + len - 2, by, {90, 60, 40});  // gunwale
        FillRect(f, bx + len / 3, by - depth - 4, bx + len / 3 + len / 4, by - 1, {244, 242, 236});  // cabin
        FillRect(f, bx + len / 2, by - len / 2 - 10, bx + len / 2 + 2, by - 1, {80, 64, 52});        // mast
        for (int y = by + depth; y < std::min(height, by + depth + depth); ++y)                      // shadow
            for (int x = bx + 2; x < bx + len - 4; ++x)
                if ((Hash(uint32_t(x), uint32_t(y), 9) & 3) != 0)
                    Put(f, x, y, Mix(Get(f, x, y), {10, 30, 56}, 0.5));
    }
    return f;
}

const Frame& BuiltInPicture(const std::string& name) {
    static const Frame pal = PaintHarbour(kFrameWidth, kPalHeight);
    static const Frame ntsc = PaintHarbour(kFrameWidth, kNtscHeight);
    return name == "PreviewNtsc720x480" ? ntsc : pal;
}

}  // namespace glyphon
