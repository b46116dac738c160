#include "ass/AssPgs.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "pgs/PgsPicture.h"

namespace glyphon {

namespace {

constexpr size_t kMostEntries = 255;  // besides the transparent entry 0

struct Tally {
    uint32_t colour;  // premultiplied r, g, b, a from the high byte down
    uint32_t count;
};

int Channel(uint32_t c, int n) { return int((c >> (24 - 8 * n)) & 0xFF); }

// A box of tallied colours [begin, end) in the list.
struct Box {
    size_t begin, end;
    uint64_t weight;
    int axis, range;
};

void Measure(const std::vector<Tally>& tallies, Box& box) {
    int lo[4] = {255, 255, 255, 255}, hi[4] = {0, 0, 0, 0};
    box.weight = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        box.weight += tallies[i].count;
        for (int n = 0; n < 4; ++n) {
            lo[n] = std::min(lo[n], Channel(tallies[i].colour, n));
            hi[n] = std::max(hi[n], Channel(tallies[i].colour, n));
        }
    }
    box.axis = 0;
    box.range = -1;
    for (int n = 0; n < 4; ++n)
        if (hi[n] - lo[n] > box.range) box.range = hi[n] - lo[n], box.axis = n;
}

// The entry of a box: the mean of its colours by pixel count, its colour
// divided by its opacity again.
Rgba MeanOf(const std::vector<Tally>& tallies, size_t begin, size_t end) {
    uint64_t sum[4] = {0, 0, 0, 0}, weight = 0;
    for (size_t i = begin; i < end; ++i) {
        weight += tallies[i].count;
        for (int n = 0; n < 4; ++n) sum[n] += uint64_t(Channel(tallies[i].colour, n)) * tallies[i].count;
    }
    const double a = double(sum[3]) / double(weight);
    const auto straight = [&](int n) {
        if (a <= 0) return uint8_t(0);
        return uint8_t(std::clamp(double(sum[n]) / double(weight) * 255.0 / a + 0.5, 0.0, 255.0));
    };
    return Rgba{straight(0), straight(1), straight(2), uint8_t(std::clamp(a + 0.5, 1.0, 255.0))};
}

}  // namespace

double PgsFramesPerSecond(uint8_t code) {
    switch (code) {
        case 0x20:
            return 24;
        case 0x30:
            return 25;
        case 0x40:
            return 30000.0 / 1001;
        case 0x60:
            return 50;
        case 0x70:
            return 60000.0 / 1001;
        default:
            return 24000.0 / 1001;
    }
}

void QuantiseForPgs(const AssPicture& picture, int frameHeight, PgsObject& object, std::vector<PgsColor>& palette) {
    object.x = picture.x;
    object.y = picture.y;
    object.width = picture.width;
    object.height = picture.height;
    const size_t pixels = size_t(std::max(picture.width, 0)) * size_t(std::max(picture.height, 0));
    object.pixels.assign(pixels, 0);
    palette.assign(1, PgsColor{});
    if (pixels == 0) return;
    const auto colourAt = [&](size_t i) {
        const uint8_t* p = picture.rgba.data() + i * 4;
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    };
    std::unordered_map<uint32_t, uint32_t> counts;
    for (size_t i = 0; i < pixels; ++i)
        if (picture.rgba[i * 4 + 3]) ++counts[colourAt(i)];
    std::vector<Tally> tallies;
    tallies.reserve(counts.size());
    for (const auto& [colour, count] : counts) tallies.push_back({colour, count});
    // Boxes split at the median pixel of their widest channel until there
    // are enough of them or none can be split.
    std::vector<Box> boxes{{0, tallies.size(), 0, 0, 0}};
    Measure(tallies, boxes[0]);
    while (boxes.size() < kMostEntries) {
        size_t widest = boxes.size();
        uint64_t best = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            const uint64_t score = uint64_t(boxes[b].range) * boxes[b].weight;
            if (boxes[b].end - boxes[b].begin > 1 && boxes[b].range > 0 && score >= best) best = score, widest = b;
        }
        if (widest == boxes.size()) break;
        Box box = boxes[widest];
        const int axis = box.axis;
        std::sort(tallies.begin() + long(box.begin), tallies.begin() + long(box.end),
                  [&](const Tally& l, const Tally& r) { return Channel(l.colour, axis) < Channel(r.colour, axis); });
        uint64_t half = 0;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            half += tallies[i].count;
            cut = i + 1;
            if (half * 2 >= box.weight) break;
        }
        Box low{box.begin, cut, 0, 0, 0}, high{cut, box.end, 0, 0, 0};
        Measure(tallies, low);
        Measure(tallies, high);
        boxes[widest] = low;
        boxes.push_back(high);
    }
    std::unordered_map<uint32_t, uint8_t> entryOf;
    entryOf.reserve(tallies.size());
    for (const Box& box : boxes) {
        if (box.begin == box.end) continue;
        const uint8_t entry = uint8_t(palette.size());
        palette.push_back(ToPgsColor(MeanOf(tallies, box.begin, box.end), frameHeight));
        for (size_t i = box.begin; i < box.end; ++i) entryOf[tallies[i].colour] = entry;
    }
    for (size_t i = 0; i < pixels; ++i)
        if (picture.rgba[i * 4 + 3]) object.pixels[i] = entryOf[colourAt(i)];
}

int WriteAssPgs(AssScript& script, PgsWriter& writer, const PgsVideo& video) {
    PgsObject object;
    std::vector<PgsColor> palette;
    int sets = 0;
    // Each picture is written when the next is known: one followed at once
    // by another is shown up to just after it starts, so that the writer
    // replaces it instead of clearing the screen at that moment first.
    bool held = false;
    AssMoment shown;
    const auto flush = [&](int64_t next) {
        if (!held) return;
        writer.Show(shown.startMs, next == shown.endMs ? shown.endMs + 1 : shown.endMs, object, palette);
        ++sets;
        held = false;
    };
    script.Walk(PgsFramesPerSecond(video.frameRate), [&](const AssMoment& moment, const AssPicture& picture) {
        flush(moment.startMs);
        QuantiseForPgs(picture, video.height, object, palette);
        shown = moment;
        held = true;
    });
    flush(-1);
    return sets;
}

}  // namespace glyphon
