// Uncompressed 24-bit Windows bitmaps (".bmp"), the format of the own preview
// pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/Rgb.h"

namespace glyphon {

// Decodes a BI_RGB 24-bit bitmap, bottom-up or top-down. Anything else, and
// any file whose sizes do not add up, gives nullopt and, when `problem` is
// given, says why in a few words ("the file is cut short", "the picture has
// no pixels (0 x 480)", ...); nothing is read outside the given bytes.
std::optional<Frame> DecodeBmp24(const uint8_t* data, size_t size, std::string* problem = nullptr);
std::optional<Frame> ReadBmp24(const std::string& path, std::string* problem = nullptr);

// Writes a frame as a bottom-up 24-bit bitmap; false when the file cannot be
// written.
bool WriteBmp24(const std::string& path, const Frame& frame);

// The picture stretched (or shrunk) to width x height, nearest neighbour.
Frame ScaleNearest(const Frame& picture, int width, int height);

}  // namespace glyphon
