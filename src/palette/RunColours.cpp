#include "palette/RunColours.h"

#include <algorithm>

namespace glyphon {

namespace {

// The entry a new colour goes in: the first free one repeating an earlier
// entry's colour (the filler after a palette's own colours), else the first
// free one; -1 when none is free.
int FreeEntry(const std::array<Rgb, 16>& palette, const std::array<bool, 16>& taken) {
    int first = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        if (taken[i]) continue;
        if (std::find(palette.begin(), palette.begin() + long(i), palette[i]) != palette.begin() + long(i))
            return int(i);
        if (first < 0) first = int(i);
    }
    return first;
}

}  // namespace

int NearestEntry(const std::array<Rgb, 16>& palette, Rgb c) {
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long d = ColourDistance(palette[i], c);
        if (bestDistance < 0 || d < bestDistance) bestDistance = d, best = int(i);
    }
    return best;
}

std::vector<int> PlaceRunColours(std::array<Rgb, 16>& palette, const std::array<bool, 16>& kept,
                                 const std::vector<Rgb>& wanted, bool addEntries) {
    std::array<bool, 16> taken = kept;
    std::vector<int> entries;
    entries.reserve(wanted.size());
    for (const Rgb c : wanted) {
        // A kept or already added entry of exactly the colour serves as it is.
        int entry = -1;
        for (size_t i = 0; i < palette.size() && entry < 0; ++i)
            if (taken[i] && palette[i] == c) entry = int(i);
        if (entry < 0 && addEntries) entry = FreeEntry(palette, taken);
        if (entry >= 0) {
            palette[size_t(entry)] = c;
            taken[size_t(entry)] = true;
        }
        entries.push_back(entry >= 0 ? entry : NearestEntry(palette, c));
    }
    return entries;
}

}  // namespace glyphon
