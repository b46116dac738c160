// A WebVTT cue's settings ("line:0 position:20% align:start size:50%") as
// the place the cue is drawn at. Lines are counted in twentieths of the
// picture's height, the line height of WebVTT's default text size.
#pragma once

#include <string>
#include <string_view>

#include "subtitle/Cue.h"

namespace glyphon {

struct VttCueSettings {
    CuePlacement place;
    double size = 100;  // the box's width in percent of the picture's
    // The setting the cue cannot be drawn with ("vertical:rl"); empty when
    // there is none.
    std::string refused;
};

// Unknown settings and values the format does not allow are ignored, as
// players ignore them.
VttCueSettings ReadVttCueSettings(std::string_view settings);

}  // namespace glyphon
