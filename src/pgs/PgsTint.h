// Text colours of runs in the grey PGS drawing (<font color>, WebVTT class
// colours). The lines are drawn as ever, in pair bytes; each run that has a
// colour of its own tints the columns it takes, and the picture's palette
// then holds an entry for every colour and pair its pixels use.
#pragma once

#include <cstdint>
#include <vector>

#include "pgs/PgsPicture.h"

namespace glyphon {

// Tints the object's pixels in rows [rowTop, rowEnd) (object coordinates)
// under each coloured run of `line`, whose cell starts at column x of the
// object. Nothing for a line without colours.
void TintRuns(TextEngine& engine, const RunLine& line, const FontSpec& font, int em, int x, int rowTop,
              int rowEnd, PgsObject& object);

// The palette of a tinted object: its pixels rewritten to entries of
// (colour, pair) that they use, at most 256 (index 0 the uncovered pixel),
// coarsening the grey levels of coloured pixels until they fit. An object
// without tints keeps its pixels and gets PgsPalette's.
void TintedPalette(PgsObject& object, const PgsColors& colors, int frameHeight,
                   std::vector<PgsColor>& palette);

}  // namespace glyphon
