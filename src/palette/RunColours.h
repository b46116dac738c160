// Text colours of a file's runs (<font color>, WebVTT class colours) in a
// DVD stream's 16-entry palette: each colour gets an entry of its own while
// entries are free, else the nearest entry there is. The entries the run's
// roles use are never changed, so a file without colours keeps its palette.
#pragma once

#include <array>
#include <vector>

#include "common/Rgb.h"

namespace glyphon {

// The entry of `palette` nearest to `c` (weighted squared distance, the
// greens counting most); the first of equals.
// How far apart two colours look: squared differences weighted 3, 4, 2 for
// red, green and blue, as the eye weighs them.
inline long ColourDistance(Rgb a, Rgb b) {
    const long dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr * 3 + dg * dg * 4 + db * db * 2;
}

int NearestEntry(const std::array<Rgb, 16>& palette, Rgb c);

// The entry of each of `wanted` (in order). A kept entry (or one written
// for an earlier colour) holding the exact colour serves as it is; with
// `addEntries` another colour is written into a free entry, those repeating
// an earlier entry's colour (a palette's filler) first; the colours left
// over, or all without `addEntries` (a disc's own palette), take their
// nearest entry.
std::vector<int> PlaceRunColours(std::array<Rgb, 16>& palette, const std::array<bool, 16>& kept,
                                 const std::vector<Rgb>& wanted, bool addEntries);

}  // namespace glyphon
