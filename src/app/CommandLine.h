// The command line of an unattended conversion: 16 positional arguments,
// each with a name that a complete command line must not repeat literally.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace glyphon {

inline constexpr int kCommandLineArgCount = 16;

// The names of positions 1 to 16, in order.
const std::array<const char*, kCommandLineArgCount>& CommandLineArgNames();

// The 16 argument texts when `args` (argv, the program at index 0) holds a
// complete command line; nothing when the program should run interactively:
// fewer than 16 arguments, or an argument that is empty or equal to its
// position's name. Arguments beyond the 16th are ignored.
std::optional<std::vector<std::string>> RecognizeCommandLine(const std::vector<std::string>& args);

// Positions in the stored argument list (0-based: position 1 is index 0).
enum CommandLineArg : int {
    kArgHaveIfo = 0,
    kArgFileNameIfo,
    kArgFileNameSub,
    kArgPal,
    kArgColorAntialias,
    kArgColorOutline,
    kArgColorText,
    kArgColorBg,
    kArgFontName,
    kArgFontCharset,
    kArgFontStyle,
    kArgFontSize,
    kArgAlign,
    kArgOffset,
    kArgOffsetOr,
    kArgOutline,
};

}  // namespace glyphon
