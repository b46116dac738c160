// Text colours of runs (<font color>, WebVTT class colours) on DVD. The
// stream palette gets an entry for each colour of a file's runs, and each
// unit shows its letters through its four codes (UnitColours::Slots). The
// run codes its units through it and the window's preview paints through
// it, so the preview shows what a player shows.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/ConversionJob.h"
#include "render/Renderer.h"
#include "render/UnitColours.h"
#include "subtitle/Cue.h"

namespace glyphon {

// The colour a role is drawn in for a named colour: itself, except that pure
// blue is the frame's background and would not be seen as drawn.
inline Rgb DrawnColour(Rgb c) { return c == kPureBlue ? Rgb{0, 0, 254} : c; }

class DvdColours {
public:
    // The stream palette `palette` with the run colours of `entries` in it
    // (in order of first use): the roles' entries stay as they are; with a
    // disc's own palette the colours take its nearest entries.
    DvdColours(const PaletteChoice& palette, const RoleIndices& roles, const std::vector<Cue>& entries);

    // True when some run of the entries has a colour of its own.
    bool Any() const { return entries_.size() > 1; }
    const PaletteChoice& Palette() const { return palette_; }
    // The entry a run colour shows in (0: the look's text colour, the text role's).
    int EntryOf(uint32_t colour) const;

    UnitSlots SlotsOf(const UnitColours& unit) const;

    // The run's drawing of a unit, whose pixels the coder classifies by the
    // roles' colours: each layer and the second text colour painted (and
    // coded) as the slot it takes; a unit of one text colour in the roles'
    // colours, coded as the coder classifies them.
    void ForCoder(const UnitSlots& slots, SubtitleLook& look, LayerCodes& codes) const;

    // The drawing of a unit as a player shows it: each layer in the colour
    // of its slot's entry.
    void AsShown(const UnitSlots& slots, SubtitleLook& look) const;

private:
    PaletteChoice palette_;
    RoleIndices roles_;
    std::vector<std::pair<uint32_t, int>> entries_;  // colour, entry
    bool twoColours_ = false;
};

}  // namespace glyphon
