// A picture that is the one before in other colours or opacity (a fade):
// shown as the object before with a new palette, so that the stream needs
// only a palette update.
#pragma once

#include <cstdint>
#include <vector>

#include "ass/AssScript.h"
#include "pgs/PgsStream.h"

struct ass_image;

namespace glyphon {

// libass's images of one picture kept past the next frame (libass's own
// are gone then), to be drawn again in the colours of any frame of a fade:
// the same bitmaps in the same places, other colours and opacities.
class AssKeptImages {
public:
    // Copies the images' bitmaps and places.
    void Keep(const ::ass_image* images);
    // The kept images in `colours` (libass's, one an image, in order).
    const ::ass_image* In(const std::vector<uint32_t>& colours);

private:
    std::vector<unsigned char> bitmaps_;
    std::vector<::ass_image> images_;
};

// The colours of libass's images, in order.
void ColoursOf(const ::ass_image* images, std::vector<uint32_t>& colours);

// Gives each entry of `before` the mean colour (in `picture`, composed from
// the same images in new colours) of the pixels using it, as a palette for
// `frameHeight` rows. False when that would not show the picture: ink
// outside the object or where it is transparent, or the pixels of one entry
// more than `mostSpread` levels apart in a channel (premultiplied).
bool RecolourPgsObject(const AssPicture& picture, const PgsObject& before, int frameHeight,
                       std::vector<PgsColor>& palette, int mostSpread = 8);

// Splits the entries of `object` (`palette` its palette) whose pixels in
// `picture` (another picture of the same images) differ by more than
// `mostSpread` levels in a channel, while the palette has room: each part keeps its entry's colour, so
// the object shows what it did, and RecolourPgsObject can show `picture`
// with it.
void SplitPgsEntriesFor(const AssPicture& picture, PgsObject& object, std::vector<PgsColor>& palette,
                        int mostSpread = 8);

}  // namespace glyphon
