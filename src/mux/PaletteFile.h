// The palette file dvdauthor reads (<pgc palette="NAME.palette.yuv">): 16
// lines, each six hexadecimal digits Y Cr Cb, entry 0 first.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/Rgb.h"

namespace glyphon {

// The generic palette as it must go on the disc: its greys Y 00, 55, AA, FF
// with no colour difference (80 80), each Y kept within video range 16 to
// 235 (10, 55, AA, EB), then twelve entries 10 80 80.
DiscPalette GenericDiscPalette();

// Sixteen lines of YYCrCb in upper-case hexadecimal, each ended by a line
// feed: "008080", "558080", ...
std::string PaletteFileText(const DiscPalette& palette);

// Creates or replaces the file. Throws FileError.
void WritePaletteFile(const std::string& path, const DiscPalette& palette);

}  // namespace glyphon
