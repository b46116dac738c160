#include "ass/AssPgs.h"

extern "C" {
#include <ass/ass.h>
}

#include <algorithm>
#include <array>
#include <unordered_map>

#include "ass/AssPgsLayers.h"
#include "ass/AssRecolour.h"
#include "pgs/PgsPicture.h"
#include "subtitle/Cue.h"

namespace glyphon {

namespace {

constexpr size_t kMostEntries = 255;  // besides the transparent entry 0

struct Tally {
    uint32_t colour;  // premultiplied r, g, b, a from the high byte down
    uint32_t count;
};

int Channel(uint32_t c, int n) { return int((c >> (24 - 8 * n)) & 0xFF); }

// A box of tallied colours [begin, end) in the list, with its squared
// error (pixels times squared distance from the box's mean, all channels).
struct Box {
    size_t begin, end;
    double error;
};

double SquaredError(const std::vector<Tally>& tallies, size_t begin, size_t end) {
    double n = 0, sum[4] = {0, 0, 0, 0}, squares = 0;
    for (size_t i = begin; i < end; ++i) {
        const double w = tallies[i].count;
        n += w;
        for (int c = 0; c < 4; ++c) {
            const double v = Channel(tallies[i].colour, c);
            sum[c] += w * v;
            squares += w * v * v;
        }
    }
    if (n == 0) return 0;
    double error = squares;
    for (double s : sum) error -= s * s / n;
    return std::max(error, 0.0);
}

// Splits the box where the two halves' squared error along its widest
// channel is least; returns the first index of the upper half.
size_t SplitPoint(std::vector<Tally>& tallies, const Box& box) {
    int lo[4] = {255, 255, 255, 255}, hi[4] = {0, 0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int c = 0; c < 4; ++c) {
            lo[c] = std::min(lo[c], Channel(tallies[i].colour, c));
            hi[c] = std::max(hi[c], Channel(tallies[i].colour, c));
        }
    int axis = 0;
    for (int c = 1; c < 4; ++c)
        if (hi[c] - lo[c] > hi[axis] - lo[axis]) axis = c;
    std::sort(
        tallies.begin() + long(box.begin), tallies.begin() + long(box.end),
        [&](const Tally& l, const Tally& r) { return Channel(l.colour, axis) < Channel(r.colour, axis); });
    // Along the axis alone: prefix sums of pixels, values and squares.
    double n = 0, sum = 0, squares = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        const double w = tallies[i].count, v = Channel(tallies[i].colour, axis);
        n += w, sum += w * v, squares += w * v * v;
    }
    double ln = 0, lsum = 0, lsquares = 0, best = -1;
    size_t cut = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
        const double w = tallies[i].count, v = Channel(tallies[i].colour, axis);
        ln += w, lsum += w * v, lsquares += w * v * v;
        if (Channel(tallies[i + 1].colour, axis) == int(v)) continue;  // never between equal values
        const double rn = n - ln, rsum = sum - lsum, rsquares = squares - lsquares;
        const double error = (lsquares - lsum * lsum / ln) + (rsquares - rsum * rsum / rn);
        if (best < 0 || error < best) best = error, cut = i + 1;
    }
    return cut;
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

// The palette for tallied colours (each colour at most once, premultiplied
// r, g, b, a from the high byte down) after the transparent entry: the box
// with the largest squared error split in two until there are enough of them
// or none can be split; each colour's entry in `entryOf`.
void ChooseEntries(const std::unordered_map<uint32_t, uint32_t>& counts, int frameHeight,
                   std::vector<PgsColor>& palette, std::unordered_map<uint32_t, uint8_t>& entryOf) {
    std::vector<Tally> tallies;
    tallies.reserve(counts.size());
    for (const auto& [colour, count] : counts) tallies.push_back({colour, count});
    if (tallies.size() <= kMostEntries) {
        // Every colour an entry of its own, in the order of their values.
        std::sort(tallies.begin(), tallies.end(),
                  [](const Tally& a, const Tally& b) { return a.colour < b.colour; });
        entryOf.reserve(tallies.size());
        for (const Tally& t : tallies) {
            entryOf[t.colour] = uint8_t(palette.size());
            palette.push_back(ToPgsColor(
                MeanOf(tallies, size_t(&t - tallies.data()), size_t(&t - tallies.data()) + 1), frameHeight));
        }
        return;
    }
    std::vector<Box> boxes{{0, tallies.size(), SquaredError(tallies, 0, tallies.size())}};
    while (boxes.size() < kMostEntries) {
        size_t worst = boxes.size();
        double most = 0;
        for (size_t b = 0; b < boxes.size(); ++b)
            if (boxes[b].end - boxes[b].begin > 1 && boxes[b].error > most) most = boxes[b].error, worst = b;
        if (worst == boxes.size()) break;
        const Box box = boxes[worst];
        const size_t cut = SplitPoint(tallies, box);
        boxes[worst] = {box.begin, cut, SquaredError(tallies, box.begin, cut)};
        boxes.push_back({cut, box.end, SquaredError(tallies, cut, box.end)});
    }
    entryOf.reserve(tallies.size());
    for (const Box& box : boxes) {
        if (box.begin == box.end) continue;
        const uint8_t entry = uint8_t(palette.size());
        palette.push_back(ToPgsColor(MeanOf(tallies, box.begin, box.end), frameHeight));
        for (size_t i = box.begin; i < box.end; ++i) entryOf[tallies[i].colour] = entry;
    }
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

void QuantiseForPgs(const AssPicture& picture, int frameHeight, PgsObject& object,
                    std::vector<PgsColor>& palette) {
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
    std::unordered_map<uint32_t, uint8_t> entryOf;
    ChooseEntries(counts, frameHeight, palette, entryOf);
    for (size_t i = 0; i < pixels; ++i)
        if (picture.rgba[i * 4 + 3]) object.pixels[i] = entryOf[colourAt(i)];
}

int WriteAssPgs(AssScript& script, PgsWriter& writer, const PgsVideo& video) {
    // The picture taken last, and the one held until the next is known;
    // each a picture of the same pixels as the one before it (a fade) or not.
    PgsObject object, heldObject;
    std::vector<PgsColor> palette, heldPalette;
    bool recolours = false, heldRecolours = false;
    int sets = 0;
    // Each picture is written when the next is known: one followed at once
    // by another is shown up to just after it starts, so that the writer
    // replaces it instead of clearing the screen at that moment first.
    bool held = false;
    AssMoment shown;
    const auto flush = [&](int64_t next) {
        if (!held) return;
        const int64_t start = TicksOfMs(shown.startMs),
                      end = TicksOfMs(next == shown.endMs ? shown.endMs + 1 : shown.endMs);
        if (heldRecolours)
            writer.Recolour(start, end, heldObject, heldPalette);
        else
            writer.Show(start, end, heldObject, heldPalette);
        ++sets;
        held = false;
    };
    // Pictures of a few layers are quantised from the layers, the others
    // composed first.
    AssPgsLayers layers;
    AssPicture picture;
    struct Image {
        const unsigned char* bitmap;
        int w, h, stride, x, y;
        bool operator==(const Image&) const = default;
    };
    std::vector<Image> shape, shapeBefore;
    script.WalkImages(
        PgsFramesPerSecond(video.frameRate),
        [&](const ::ass_image* images) {
            // The same images as the picture before in other colours (a
            // fade): that picture's object again, in a palette of its own.
            shape.clear();
            for (const ::ass_image* i = images; i; i = i->next)
                shape.push_back({i->bitmap, i->w, i->h, i->stride, i->dst_x, i->dst_y});
            recolours = false;
            if (held && shape == shapeBefore) {
                ComposeAssImages(images, video.width, video.height, picture);
                recolours = !picture.Empty() && RecolourPgsObject(picture, heldObject, video.height, palette);
                if (recolours) object = heldObject;
            }
            shapeBefore.swap(shape);
            if (!recolours &&
                !layers.Quantise(images, video.width, video.height, video.height, object, palette)) {
                ComposeAssImages(images, video.width, video.height, picture);
                QuantiseForPgs(picture, video.height, object, palette);
            }
            return !object.Empty();
        },
        [&](const AssMoment& moment) {
            flush(moment.startMs);
            std::swap(object, heldObject);
            std::swap(palette, heldPalette);
            heldRecolours = recolours;
            shown = moment;
            held = true;
        });
    flush(-1);
    return sets;
}

}  // namespace glyphon
