// A styled script into DVD sub-pictures: four colours per unit out of a
// 16-colour stream palette made from the script's colours.
#pragma once

#include <array>
#include <vector>

#include "ass/AssScript.h"
#include "common/CodeFrame.h"
#include "common/Rgb.h"
#include "sup/SubPictureEncoder.h"

namespace glyphon {

// The stream's 16 entries: the script's colours, the most used first, then
// black, white and greys for the entries left.
std::array<Rgb, 16> StreamPaletteOf(const std::vector<Rgb>& scriptColours);

// How many times as wide as tall a pixel of the 720-column frame of
// `frameHeight` rows is shown at 4:3, or 16:9 when `widescreen`.
double DvdPixelAspect(int frameHeight, bool widescreen);

// Where a picture went in the code frame: the rows to code and the palette
// entries of codes 1 to 3.
struct DvdPicture {
    int top = 0, height = 0;
    RoleIndices roles;
};

// Writes the picture (drawn at 720 columns) into `codes` (reset to
// background first): every pixel at least a quarter opaque becomes the
// nearest of the three entries of `palette` its pixels use most (text the
// lightest, outline the darkest, antialias the one between), every other
// pixel background (transparent). Rows outside the frame are cut off.
DvdPicture CodeDvdPicture(const AssPicture& picture, const std::array<Rgb, 16>& palette, CodeFrame& codes,
                          int frameHeight);

}  // namespace glyphon
