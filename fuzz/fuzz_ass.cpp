// Styled scripts read and drawn by libass: any bytes, drawn at a small size
// at every change, must neither crash nor hang us.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ass/AssPgs.h"
#include "ass/AssScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    try {
        glyphon::AssScript script("fuzz.ass", std::string_view(reinterpret_cast<const char*>(data), size), 320, 180);
        script.LimitFrames(300);
        glyphon::PgsObject object;
        std::vector<glyphon::PgsColor> palette;
        int moments = 0;
        script.Walk(25, [&](const glyphon::AssMoment&, const glyphon::AssPicture& picture) {
            if (++moments > 200) return;
            glyphon::QuantiseForPgs(picture, 180, object, palette);
        });
        script.Colours();
    } catch (const glyphon::AssError&) {
    }
    return 0;
}
