// The lines a subtitle is drawn with: every text line of the entry with its
// styled runs, broken where lines may break (WrapLines) where too wide when
// wrapping is asked for.
#pragma once

#include <string>
#include <vector>

#include "render/StyledLines.h"

namespace glyphon {

struct Cue;
using SubtitleLine = Cue;

// A line fits the frame when it is narrower than this many pixels.
inline constexpr int kFitLimit = 680;

// The width of text drawn for a 16:9 picture, in percent of its height
// (FontSpec::widthPercent): the player widens the picture by a third.
inline constexpr int kWidescreenPercent = 75;
inline constexpr int WidthPercent(bool widescreen) { return widescreen ? kWidescreenPercent : 100; }

// The lines `entry` is drawn with in `font`; at least two (a one-line
// subtitle has an empty second line). The runs are views of the entry's
// texts, which must outlive them.
std::vector<RunLine> LinesToDraw(const SubtitleLine& entry, TextEngine& text, const FontSpec& font,
                                 bool wrap);

struct CuePlacement;
// Where a cue's own settings put its lines (nothing for a cue stacked at the
// bottom or top).
BoxPlace BoxPlaceOf(const CuePlacement& place);

// A drawn line's text (the runs one after another).
std::string LineText(const RunLine& line);

}  // namespace glyphon
