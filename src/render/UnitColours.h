// The text colours of the subtitles one DVD unit shows. A unit has one text
// colour (its four colours are background, text, outline and antialias), so
// the colour most of its letters are in becomes the unit's, and the
// subtitles with letters in another colour are told apart to be counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "render/StyledLines.h"

namespace glyphon {

class UnitColours {
public:
    void Clear() {
        letters_.clear();
        cueColours_.clear();
    }

    // The lines of subtitle `cue` as drawn: its letters counted by their
    // run's colour (0: the look's text colour). Spaces do not count.
    void Add(size_t cue, const std::vector<RunLine>& lines);

    // True when a letter of the unit has a colour of its own.
    bool Coloured() const;

    // The colour of the most letters (0 before the others when as many).
    uint32_t Dominant() const;

    // Every subtitle of the unit with letters whose colour `shownAs(colour)`
    // does not show as `shownAs(Dominant())`, once each.
    template <class ShownAs>
    std::vector<size_t> Losing(ShownAs shownAs) const {
        const auto unit = shownAs(Dominant());
        std::vector<size_t> cues;
        for (const auto& [cue, colour] : cueColours_)
            if (shownAs(colour) != unit && (cues.empty() || cues.back() != cue)) cues.push_back(cue);
        return cues;
    }

private:
    std::vector<std::pair<uint32_t, size_t>> letters_;     // colour, letters in it
    std::vector<std::pair<size_t, uint32_t>> cueColours_;  // subtitle, a colour it uses
};

}  // namespace glyphon
