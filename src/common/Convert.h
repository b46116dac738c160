// The runtime's text/number conversions, with the runtime's error texts.
// Users see these messages verbatim in error boxes, so they must not change.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace glyphon {

// A text that should be a number and is not. what() is the runtime's message,
// for example "'12a' is not a valid integer value".
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decimal integer: leading blanks, an optional sign, then digits only.
// Throws ConvertError "'%s' is not a valid integer value" otherwise, and also
// when the value does not fit 32 bits.
int32_t StrToInt(std::string_view text);

// Decimal floating point with "." as the separator (never ","), optional sign
// and exponent, surrounding blanks allowed. Throws ConvertError
// "'%s' is not a valid floating point value".
double StrToFloat(std::string_view text);

// A number (true when not zero) or "True"/"False" in any letter case.
// Throws ConvertError "'%s' is not a valid boolean value".
bool StrToBool(std::string_view text);

// Nearest integer, an exact half going to the even neighbour.
int64_t RoundHalfEven(double value);
int64_t RoundHalfEven(long double value);

std::string IntToStr(int64_t value);

// The message an error box shows: the text with a full stop added when it
// does not already end in one.
std::string WithFullStop(std::string text);

// A text quoted in a message: at most `length` bytes (never half a UTF-8
// character) and "..." when it was longer.
std::string CutForMessage(std::string_view text, size_t length);

}  // namespace glyphon
