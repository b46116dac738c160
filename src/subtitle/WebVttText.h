// The text of a WebVTT cue: tags (<b> <i> <u> <c.class> <v Name> <lang en>
// <ruby> <rt> and timestamps) removed, their styles and the style sheet's
// kept as runs; character references (&amp; &lt; &gt; &nbsp; &lrm; &rlm;
// &#233; &#xE9; ...) replaced by their characters. Tags stay open from one
// line of a cue to the next.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "subtitle/StyledText.h"
#include "subtitle/WebVttStyle.h"

namespace glyphon {

struct VttText {
    std::vector<std::string> lines;  // UTF-8, without tags
    std::vector<LineRuns> runs;      // one per line; all empty when nothing is styled
};

VttText ReadVttCueText(const std::vector<std::string_view>& lines, const VttStyleSheet& sheet);

}  // namespace glyphon
