// A picture that is the one before in other colours or opacity (a fade):
// shown as the object before with a new palette, so that the stream needs
// only a palette update.
#pragma once

#include <cstdint>
#include <vector>

#include "ass/AssScript.h"
#include "pgs/PgsStream.h"

namespace glyphon {

// Gives each entry of `before` the mean colour (in `picture`, composed from
// the same images in new colours) of the pixels using it, as a palette for
// `frameHeight` rows. False when that would not show the picture: ink
// outside the object or where it is transparent, or the pixels of one entry
// more than a few levels apart.
bool RecolourPgsObject(const AssPicture& picture, const PgsObject& before, int frameHeight,
                       std::vector<PgsColor>& palette);

}  // namespace glyphon
