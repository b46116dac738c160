// libFuzzer target: arbitrary bytes as one subtitle line drawn by the real
// text engine in a character set picked by the first byte (every code page,
// UTF-8 with any mix of scripts, directional controls and broken sequences).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "FuzzFile.h"
#include "render/FontTables.h"
#include "render/GreyLine.h"
#include "render/TextEngine.h"

using namespace glyphon;

// fontconfig loses a 256-byte block and its child while it loads its
// configuration on the first lookup (see scripts/lsan.supp); without frame
// pointers in the library the report names only the library.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    if (size == 0) return 0;
    const auto& charsets = FontCharsetItems();
    FontSpec font{"Arial", 20, CharsetFromName(charsets[data[0] % charsets.size()]), (data[0] >> 5) & 3};
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const TextExtent extent = engine->MeasureLine(text, font);
    fuzz::Check(extent.width >= 0 && extent.height > 0);
    LineMask mask;
    engine->DrawLineMask(text, font, mask);
    const auto glyphs = engine->LayOutLine(text, font);
    fuzz::Check(text.empty() ? glyphs.empty() : true);
    for (const PlacedGlyph& g : glyphs) fuzz::Check(g.cluster >= 0 && size_t(g.cluster) < text.size());
    // The grey drawing (with an outline, underlined at times), half outside a
    // small canvas: it writes only the canvas's pixels.
    FontSpec grey = font;
    grey.pixelEm = 30;
    if (data[0] & 0x10) grey.style |= kUnderline;
    GreyMask canvas;
    canvas.Reset(0, 0, 200, 40);
    const GreyBox box = engine->GreyLineBox(text, grey, 3 * 64);
    fuzz::Check(text.empty() ? box.Empty() : true);
    engine->DrawLineGrey(text, grey, 3 * 64, -box.left - 50, 5 - box.top, canvas);
    return 0;
}
