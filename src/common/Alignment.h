// How the lines of a subtitle line up across the frame.
#pragma once

#include <string_view>

namespace glyphon {

enum class Alignment { Center, Left, Right };

// The alignment list's text of an alignment ("center", "left", "right").
const char* AlignmentText(Alignment a);
// The alignment of the list's text: any text but "center" and "left" (also a
// list without a selection) puts the lines at the right.
Alignment AlignmentOf(std::string_view text);

}  // namespace glyphon
