#include "palette/ColorConversion.h"

#include <limits>

#include "common/Convert.h"

namespace glyphon {

// The conversion must round exactly as 80-bit x87 arithmetic does: a display
// colour is what the encoder later recognises pixels by, bit for bit.
static_assert(std::numeric_limits<long double>::digits == 64,
              "colour conversion needs 80-bit extended precision (64-bit significand)");

namespace {

// Each constant is the extended value nearest to its decimal.
constexpr long double kCrToRed = 1.402L;
constexpr long double kCbToGreen = 0.34414L;
constexpr long double kCrToGreen = 0.71414L;
constexpr long double kCbToBlue = 1.772L;

// Rounded half to even, then the lowest 8 bits in two's complement.
uint8_t Wrap(long double v) { return uint8_t(uint64_t(RoundHalfEven(v)) & 0xFF); }

}  // namespace

Rgb YCrCbToRGB(uint32_t E) {
    const long double y = (E >> 16) & 0xFF;
    const long double cr = int((E >> 8) & 0xFF) - 128;
    const long double cb = int(E & 0xFF) - 128;
    // Every multiplication, addition and subtraction rounds to the 64-bit
    // significand on its own: x87 arithmetic has no fused multiply-add.
    const long double red = (cr * kCrToRed) + y;
    const long double green = (y - cb * kCbToGreen) - cr * kCrToGreen;
    const long double blue = (cb * kCbToBlue) + y;
    return Rgb{Wrap(red), Wrap(green), Wrap(blue)};
}

int32_t HexToInt(std::string_view text) {
    if (text.empty()) return 0;
    // A "$" is put in front unless the text starts with one; what follows it
    // must be hexadecimal digits.
    const std::string_view digits = text.front() == '$' ? text.substr(1) : text;
    if (digits.empty()) throw ConvertError("Error");
    uint32_t value = 0;
    for (const char c : digits) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = uint32_t(c - '0');
        else if (c >= 'A' && c <= 'F')
            d = uint32_t(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            d = uint32_t(c - 'a' + 10);
        else
            throw ConvertError("Error");
        if (value > 0x0FFFFFFFu) throw ConvertError("Error");  // more than 32 bits
        value = value << 4 | d;
    }
    return int32_t(value);
}

}  // namespace glyphon
