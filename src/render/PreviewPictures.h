// The program's own preview backgrounds, painted in code: a harbour at
// midday (sky, sun, mountains, a town on a hill, a breakwater with its
// lighthouse, boats, sea). Deterministic, so every build shows the same
// picture, and free of any outside artwork.
#pragma once

#include <string>

#include "common/Rgb.h"

namespace glyphon {

// "PreviewPal720x576" (720 x 576) or "PreviewNtsc720x480" (720 x 480). Painted
// on first use and kept. Any other name gives the PAL picture.
const Frame& BuiltInPicture(const std::string& name);

// The harbour scene at any size (the built-in pictures are two of these).
Frame PaintHarbour(int width, int height);

}  // namespace glyphon
