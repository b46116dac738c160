// The film's own picture for the preview: the frame on screen at a time,
// decoded by libavformat and libavcodec.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/Rgb.h"

namespace glyphon {

// The frame of the film's first video stream shown `ms` milliseconds after
// its first frame (the last one starting at or before then; the film's last
// frame past its end), scaled to width x height and converted from the
// decoder's Y'CbCr (ITU-R BT.601, video range) to RGB. nullopt when the file
// cannot be opened or holds no decodable video.
std::optional<Frame> FilmFrameAt(const std::string& film, int64_t ms, int width, int height);

}  // namespace glyphon
