// Most still pictures libass draws are a few layers of one colour each (a
// shadow, an outline, a fill); those become a PGS object without composing
// colours pixel by pixel: each layer's coverage is kept in a plane of its
// own, a pixel's key is its layers' coverages, and colours and palette
// entries are worked out once for each key found.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "pgs/PgsStream.h"

struct ass_image;

namespace glyphon {

class AssPgsLayers {
public:
    AssPgsLayers();
    // The images (in a `width` x `height` frame) as an object cropped to its
    // ink and its palette (Y'CbCr for `frameHeight` rows): false when they
    // do not fall into at most three layers (each image of one layer's
    // colour, none overlapping an image of a layer after its own that it
    // comes after), have more than 255 colours, or show nothing. One layer keeps
    // every coverage, two keep 128 levels each, three 32, 32 and 64 (the
    // last, the fill).
    bool Quantise(const ::ass_image* images, int width, int height, int frameHeight, PgsObject& object,
                  std::vector<PgsColor>& palette);

private:
    std::vector<uint8_t> rows_, index_;
    std::vector<uint16_t> keys_, entry_, given_;  // entry_: each key's palette entry while mapped
    struct Signature {
        uint32_t colours[3] = {0, 0, 0};
        int layers = 0, frameHeight = 0;
        friend bool operator==(const Signature&, const Signature&) = default;
    };
    Signature signature_;
    // Each key's colour, the first key of that colour and (for first keys)
    // its palette colour, valid where the key's stamp is stamp_, for the
    // layer colours, layer count and frame height of signature_; one place
    // a key, so that a key met is one memory line read.
    struct KeyColour {
        uint32_t stamp = 0, colour = 0;
        uint16_t first = 0;
        PgsColor pgs;
    };
    std::vector<KeyColour> keyColours_;
    std::unordered_map<uint32_t, uint16_t> firstOf_;  // colour's first key
    uint32_t stamp_ = 0;
};

}  // namespace glyphon
