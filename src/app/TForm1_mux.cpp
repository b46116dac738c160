#include <string>

#include "app/TForm1.h"
#include "palette/Palette.h"

namespace glyphon {

DiscPalette TForm1::AuthoringPalette() const {
    // The swatches of an IFO palette carry each entry as its eight stored
    // hexadecimal digits; the generic palette's swatches do not, and it goes
    // on the disc as the greys the help text names.
    if (i_dont_have_ifo.checked || Swatches.size() != size_t(kPaletteSize)) return GenericDiscPalette();
    DiscPalette palette{};
    for (int i = 0; i < kPaletteSize; ++i)
        palette[size_t(i)] = uint32_t(std::stoul(Swatches[size_t(i)].entryText, nullptr, 16)) & 0xFFFFFF;
    return palette;
}

}  // namespace glyphon
