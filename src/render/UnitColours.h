// The text colours of the subtitles one DVD unit shows. A unit has four
// colours (background, text, outline and antialias). Letters in two colours
// take the text and antialias slots, the antialias pixels the nearest slot
// left; with more, the colour most of its letters are in becomes the unit's,
// and the subtitles with letters in another are told apart to be counted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "common/Rgb.h"
#include "render/StyledLines.h"

namespace glyphon {

// How one unit shows its letters: the palette entry of each of its codes
// (SET_COLOR, by the roles' names: text code 1, outline 2, antialias 3,
// background 0) and how its drawing is coded.
struct UnitSlots {
    RoleIndices entries;
    // Letters of runs in these colours take code 3, the antialias slot: the
    // unit's second text colour. Empty: one text colour.
    std::vector<uint32_t> second;
    // The code of the antialias layer: 3, or beside a second text colour
    // the code of the slot whose colour is nearest to the antialias entry's.
    unsigned antialiasCode = 3;
};

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

    // The unit's slots in a stream of `palette` and `roles`, each colour
    // shown in `entryOf(colour)`: letters shown in two entries keep both
    // when `twoColours` (the drawing's role colours code apart), else every
    // letter takes the entry of Dominant().
    UnitSlots Slots(const RoleIndices& roles, const std::array<Rgb, 16>& palette, bool twoColours,
                    const std::function<int(uint32_t)>& entryOf) const;

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
