// A styled script into a presentation graphic stream: one display set per
// change on screen, each picture's colours quantised to at most 255 entries
// plus transparent with its anti-aliasing kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ass/AssScript.h"
#include "pgs/PgsStream.h"

namespace glyphon {

// Frames a second of a composition's frame-rate code (23.976 for an unknown
// one).
double PgsFramesPerSecond(uint8_t code);

// The picture as a PGS object of palette indices (0 transparent) and its
// palette (Y'CbCr for `frameHeight` rows, straight opacity): every colour
// the picture has when there are at most 255, else 255 chosen by median
// cut over its colours, each pixel given the entry of its box (at most
// `mostEntries` of them).
void QuantiseForPgs(const AssPicture& picture, int frameHeight, PgsObject& object,
                    std::vector<PgsColor>& palette, size_t mostEntries = 255);

// Draws the whole script and writes each picture into `writer` (created for
// the stream's size and rate). Returns the number of display sets shown.
// Throws FileError when writing fails. `stop`, asked before each picture,
// ends the drawing there when it says so (the pictures before it are
// written) and sets `*stopped`.
int WriteAssPgs(AssScript& script, PgsWriter& writer, const PgsVideo& video,
                const std::function<bool()>& stop = {}, bool* stopped = nullptr);

}  // namespace glyphon
