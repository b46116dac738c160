// The one colour conversion of the program (DVD palette entry to RGB) and the
// hexadecimal parser the palette reader uses on an entry's luminance digits.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/Rgb.h"

namespace glyphon {

// Palette entry E (reserved, Y, Cr, Cb from the high byte down) to the RGB
// colour it is shown and drawn in. Full-range JFIF formulas in 80-bit
// extended arithmetic; each component is rounded half to even and then taken
// modulo 256 (never clamped: 433 becomes 177, -3 becomes 253). The reserved
// byte is ignored.
Rgb YCrCbToRGB(uint32_t E);

// "EB", "$EB" -> 235; "" -> 0. A "$" is put in front unless the text already
// starts with one; then the text must be "$" and hexadecimal digits (either
// case) whose value fits 32 bits, taken as a signed 32-bit number. Anything
// else throws ConvertError("Error").
int32_t HexToInt(std::string_view text);

}  // namespace glyphon
