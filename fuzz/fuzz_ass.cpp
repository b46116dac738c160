// Styled scripts read and drawn by libass: any bytes, drawn at a small size
// at every change, must neither crash nor hang us.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ass/AssPgs.h"
#include "ass/AssPgsLayers.h"
#include "ass/AssRecolour.h"
#include "ass/AssScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    try {
        glyphon::AssScript script("fuzz.ass", std::string_view(reinterpret_cast<const char*>(data), size),
                                  320, 180);
        script.LimitFrames(300);
        glyphon::PgsObject object, before;
        std::vector<glyphon::PgsColor> palette;
        glyphon::AssPgsLayers layers;
        glyphon::AssPicture picture;
        int moments = 0;
        // Each picture by both PGS paths, and recoloured from the one before.
        script.WalkImages(
            25,
            [&](const ass_image* images) {
                if (++moments > 200) return false;
                glyphon::ComposeAssImages(images, 320, 180, picture);
                glyphon::QuantiseForPgs(picture, 180, object, palette);
                if (!picture.Empty()) glyphon::RecolourPgsObject(picture, before, 180, palette);
                before = object;
                layers.Quantise(images, 320, 180, 180, object, palette);
                return !picture.Empty();
            },
            [](const glyphon::AssMoment&) {});
        script.Colours();
    } catch (const glyphon::AssError&) {
    }
    return 0;
}
