// Where underline and strike-out go in a text cell, as the Windows text API
// draws them: a filled band below (underline) or across (strike-out) the
// glyphs, from the pen's start over the line's width.
//
// A font gives each rule a position (pixels from the baseline to the rule's
// centre, up positive: otmsUnderscorePosition, otmsStrikeoutPosition) and a
// size in rows (otmsUnderscoreSize, otmsStrikeoutSize). The band's top row is
// the baseline row less the position less half the size (halves dropped), and
// it is `size` rows high, at least one. The baseline row is the first row
// below the ascent, so the band's top row in cell coordinates is
// ascent - position - size div 2: Arial at 20 points (ascent 24, underline
// -1 / 2 rows) puts its underline on rows 24 and 25.
#pragma once

#include <algorithm>

namespace glyphon {

struct RuleRows {
    int top = 0;    // first row, from the top of the text cell
    int count = 1;  // rows, at least one
    friend bool operator==(const RuleRows&, const RuleRows&) = default;
};

inline RuleRows PlaceRule(int ascent, int position, int size) {
    return {ascent - position - size / 2, std::max(1, size)};
}

}  // namespace glyphon
