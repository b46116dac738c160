// The simple rules of a WebVTT file's STYLE blocks: "::cue { color: yellow }"
// for every cue, "::cue(.loud) { font-weight: bold }" for a class, and
// "::cue(b)", "::cue(v)" ... for a tag. Only the colour, weight, slant and
// decoration of the text are kept; any other selector or property is
// ignored, as a player that cannot apply it ignores it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace glyphon {

struct VttLook {
    int style = 0;        // run style bits (bold, italic, underline, strike-out)
    int unstyle = 0;      // bits a rule turns off ("font-weight: normal")
    uint32_t colour = 0;  // 0: not set; else kRunColoured | 0xRRGGBB
};

struct VttStyleSheet {
    VttLook cue;                             // ::cue
    std::map<std::string, VttLook> classes;  // ::cue(.name)
    std::map<std::string, VttLook> tags;     // ::cue(b), ::cue(v) ...
};

// Adds the rules of one STYLE block's text.
void ReadVttStyleBlock(std::string_view text, VttStyleSheet& sheet);

}  // namespace glyphon
