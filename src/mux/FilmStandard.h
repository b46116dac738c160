// The video standard of a DVD film, from the picture height in the first
// MPEG video sequence header: 576 lines are PAL, 480 lines NTSC.
#pragma once

#include <optional>
#include <string>

#include "mux/ProgramStreamReader.h"

namespace glyphon {

// The vertical size of the first sequence header in the stream's video
// packets (looked for in the first 256 KB of video), or none.
std::optional<int> ProgramStreamFrameHeight(ByteSource& input);

// PAL (true) or NTSC (false) for a film whose first sequence header says 576
// or 480 lines; none for anything else or a file that cannot be read.
std::optional<bool> FilmIsPal(const std::string& path);

}  // namespace glyphon
