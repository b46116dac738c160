// libFuzzer target: one subtitle line measured and drawn by the FreeType
// engine, as the fit check and the renderer see it. The first byte picks the
// size and how often the rest is repeated (up to 2^26 times), so that small
// inputs reach lines far wider than 2^31 pixels: widths must stay
// non-negative and drawing within a bounded mask.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzFile.h"
#include "render/TextEngine.h"

using namespace glyphon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    const int repeatBits = data[0] & 31;
    const int points = 8 + (data[0] >> 5) * 6;  // 8 to 50
    const std::string piece(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t repeats =
        std::min<size_t>(size_t(1) << std::min(repeatBits, 26), (size_t(64) << 20) / piece.size());
    // Doubled up rather than appended piece by piece: tens of megabytes in a
    // few copies.
    std::string line = piece;
    line.reserve(piece.size() * repeats);
    while (line.size() * 2 <= piece.size() * repeats) line += line;
    line.append(line.data(), piece.size() * repeats - line.size());

    const FontSpec font{"Liberation Sans", points, 0, 0};
    const TextExtent small = engine->MeasureLine(piece, font);
    const TextExtent whole = engine->MeasureLine(line, font);
    fuzz::Check(small.width >= 0 && whole.width >= 0);
    LineMask mask;
    engine->DrawLineMask(line, font, mask);
    fuzz::Check(mask.width >= 0 && mask.width <= (1 << 24));
    return 0;
}
