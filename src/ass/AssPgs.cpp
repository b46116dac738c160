#include "ass/AssPgs.h"

extern "C" {
#include <ass/ass.h>
}

#include <algorithm>
#include <array>
#include <unordered_map>

#include "ass/AssPgsLayers.h"
#include "ass/AssPgsWriterThread.h"
#include "ass/AssRecolour.h"
#include "pgs/PgsPicture.h"
#include "subtitle/Cue.h"

namespace glyphon {

namespace {

constexpr size_t kMostEntries = 255;  // besides the transparent entry 0
// A fade's object starts with this many, the rest left for entries whose
// pixels fade apart.
constexpr size_t kFadeEntries = 96;
// The levels an entry's pixels may differ by in a channel in a picture of a
// fade shown with its object, and when the palette had no room to split more.
constexpr int kFadeSpread = 8, kLooserSpread = 16;
// A fade's pictures keep at most this many sets of bitmaps.
constexpr size_t kMostKeptSets = 8;

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
void ChooseEntries(const std::unordered_map<uint32_t, uint32_t>& counts, int frameHeight, size_t mostEntries,
                   std::vector<PgsColor>& palette, std::unordered_map<uint32_t, uint8_t>& entryOf) {
    std::vector<Tally> tallies;
    tallies.reserve(counts.size());
    for (const auto& [colour, count] : counts) tallies.push_back({colour, count});
    if (tallies.size() <= mostEntries) {
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
    while (boxes.size() < mostEntries) {
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
                    std::vector<PgsColor>& palette, size_t mostEntries) {
    mostEntries = std::clamp<size_t>(mostEntries, 1, kMostEntries);
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
    ChooseEntries(counts, frameHeight, mostEntries, palette, entryOf);
    for (size_t i = 0; i < pixels; ++i)
        if (picture.rgba[i * 4 + 3]) object.pixels[i] = entryOf[colourAt(i)];
}

int WriteAssPgs(AssScript& script, PgsWriter& writer, const PgsVideo& video,
                const std::function<bool()>& stop, bool* stopped) {
    // Each picture is written when the next is known: one followed at once
    // by another is shown up to just after it starts, so that the writer
    // replaces it instead of clearing the screen at that moment first. A
    // picture that recolours the object on screen is a palette update. The
    // sets are coded and written in a thread of their own while libass draws
    // the next pictures.
    AssPgsWriterThread out(writer);
    PgsObject heldObject;
    std::vector<PgsColor> heldPalette;
    bool held = false, heldRecolours = false;
    AssMoment shown;
    int sets = 0;
    const auto flush = [&](int64_t next) {
        if (!held) return;
        const int64_t start = TicksOfMs(shown.startMs),
                      end = TicksOfMs(next == shown.endMs ? shown.endMs + 1 : shown.endMs);
        out.Hand(start, end, heldObject, heldPalette, heldRecolours);
        ++sets;
        held = false;
    };
    // Hands a picture on; `object` and `palette` are taken (swapped) unless
    // `keep`.
    const auto emit = [&](const AssMoment& moment, PgsObject& object, std::vector<PgsColor>& palette,
                          bool recolours, bool keep) {
        flush(moment.startMs);
        if (keep) {
            heldObject = object;
            heldPalette = palette;
        } else {
            std::swap(object, heldObject);
            std::swap(palette, heldPalette);
        }
        heldRecolours = recolours;
        shown = moment;
        held = true;
    };
    // Pictures of a few layers are quantised from the layers, the others
    // composed first.
    AssPgsLayers layers;
    AssPicture picture;
    const auto quantise = [&](const ::ass_image* images, PgsObject& object, std::vector<PgsColor>& palette) {
        if (!layers.Quantise(images, video.width, video.height, video.height, object, palette)) {
            ComposeAssImages(images, video.width, video.height, picture);
            QuantiseForPgs(picture, video.height, object, palette);
        }
    };
    // A run: pictures of the same images in the same places in other
    // colours, a fade (libass may redraw an image's bitmap as the fill's
    // opacity changes: an outline under a translucent fill is not cut away).
    // Its first picture is quantised at once; while an animation is on
    // screen each picture's images are kept (each bitmap once), so that any
    // picture of the run can be drawn again.
    struct Frame {
        AssMoment moment;
        std::vector<uint32_t> colours;
        size_t images = 0;  // of kept's
    };
    std::vector<Frame> run;
    size_t frames = 0;    // of run's, those in use
    size_t keptSets = 0;  // of kept's, those in use
    std::vector<AssKeptImages> kept;
    PgsObject first, object, own;
    std::vector<PgsColor> firstPalette, palette, ownPalette;
    const auto imagesOf = [&](const Frame& f) { return kept[f.images].In(f.colours); };
    // A run of one picture is that picture. A fade is shown as one object,
    // quantised from its most opaque picture (so that no pixel a picture
    // inks is transparent in it) with room left to split the entries whose
    // pixels fade apart, each picture a palette for it; a picture it cannot
    // show is shown as itself.
    const auto endRun = [&] {
        if (frames == 1) emit(run[0].moment, first, firstPalette, false, false);
        if (frames <= 1) {
            frames = keptSets = 0;
            return;
        }
        const auto opacity = [&](const Frame& f) {
            uint64_t sum = 0;
            for (const ::ass_image* i = imagesOf(f); i; i = i->next)
                sum += uint64_t(255 - (i->color & 0xFF)) * uint64_t(i->w) * uint64_t(i->h);
            return sum;
        };
        size_t fullest = 0;
        uint64_t most = opacity(run[0]);
        for (size_t k = 1; k < frames; ++k)
            if (const uint64_t o = opacity(run[k]); o > most) most = o, fullest = k;
        // Composed, not quantised by layers: those leave out the faintest
        // coverage, which another picture of the fade may show.
        std::vector<PgsColor> fullestPalette;
        ComposeAssImages(imagesOf(run[fullest]), video.width, video.height, picture);
        QuantiseForPgs(picture, video.height, object, fullestPalette, kFadeEntries);
        // Pixels of one colour there may differ in fainter pictures (a fill
        // over a shadow fades otherwise than a fill alone).
        for (size_t k = 0; k < frames; ++k) {
            if (k == fullest) continue;
            ComposeAssImages(imagesOf(run[k]), video.width, video.height, picture);
            SplitPgsEntriesFor(picture, object, fullestPalette, kFadeSpread);
        }
        // Out of room, pixels of an entry may differ somewhat more (by a few
        // levels either side of its colour) before a picture is shown whole.
        const int spread = fullestPalette.size() > kMostEntries ? kLooserSpread : kFadeSpread;
        bool onScreen = false;  // the run's object
        for (size_t k = 0; k < frames; ++k) {
            if (k == fullest) {
                emit(run[k].moment, object, fullestPalette, onScreen, true);
                onScreen = true;
                continue;
            }
            ComposeAssImages(imagesOf(run[k]), video.width, video.height, picture);
            if (RecolourPgsObject(picture, object, video.height, palette, spread)) {
                emit(run[k].moment, object, palette, onScreen, true);
                onScreen = true;
            } else {
                QuantiseForPgs(picture, video.height, own, ownPalette);
                emit(run[k].moment, own, ownPalette, false, false);
                onScreen = false;
            }
        }
        frames = keptSets = 0;
    };
    const auto keep = [&](const ::ass_image* images) {
        if (kept.size() <= keptSets) kept.emplace_back();
        kept[keptSets++].Keep(images);
    };
    const auto add = [&](const ::ass_image* images) {
        if (run.size() <= frames) run.emplace_back();
        ColoursOf(images, run[frames].colours);
        run[frames].moment = AssMoment{};
        run[frames].images = keptSets > 0 ? keptSets - 1 : 0;
        ++frames;
    };
    // A picture given no stretch of time is dropped.
    const auto dropUnshown = [&] {
        if (frames > 0 && run[frames - 1].moment.endMs <= run[frames - 1].moment.startMs) --frames;
        if (frames == 0) keptSets = 0;
    };
    struct Image {
        const unsigned char* bitmap;
        int w, h, stride, x, y;
        bool operator==(const Image&) const = default;
        bool SamePlace(const Image& o) const { return w == o.w && h == o.h && x == o.x && y == o.y; }
    };
    std::vector<Image> shape, shapeBefore;
    struct StopWalk {};
    try {
        script.WalkImages(
            PgsFramesPerSecond(video.frameRate),
            [&](const ::ass_image* images) {
                if (stop && stop()) throw StopWalk{};
                dropUnshown();
                shape.clear();
                bool inked = false;
                for (const ::ass_image* i = images; i; i = i->next) {
                    shape.push_back({i->bitmap, i->w, i->h, i->stride, i->dst_x, i->dst_y});
                    inked = inked || (i->w > 0 && i->h > 0 && (i->color & 0xFF) != 0xFF);
                }
                bool samePlaces = frames > 0 && inked && shape.size() == shapeBefore.size();
                for (size_t n = 0; samePlaces && n < shape.size(); ++n)
                    samePlaces = shape[n].SamePlace(shapeBefore[n]);
                const bool sameBitmaps = samePlaces && shape == shapeBefore;
                shapeBefore.swap(shape);
                // The same bitmaps are kept once; others only beside kept ones.
                if (sameBitmaps || (samePlaces && keptSets > 0 && keptSets < kMostKeptSets)) {
                    if (keptSets == 0 || !sameBitmaps) keep(images);
                    add(images);
                    return true;
                }
                endRun();
                quantise(images, first, firstPalette);
                if (first.Empty()) return false;
                if (script.Animating()) keep(images);
                add(images);
                return true;
            },
            [&](const AssMoment& moment) { run[frames - 1].moment = moment; });
    } catch (const StopWalk&) {
        if (stopped) *stopped = true;
    }
    dropUnshown();
    endRun();
    flush(-1);
    out.Finish();
    return sets;
}

}  // namespace glyphon
