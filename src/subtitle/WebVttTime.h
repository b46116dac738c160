// WebVTT timing lines: "00:01.000 --> 00:04.000 line:0 align:start". Hours
// may be left out; as players read them, the fields may have more or fewer
// digits than the format writes ("1:02.5" is 62 s and 5 ms).
#pragma once

#include <cstdint>
#include <string_view>

namespace glyphon {

struct VttTiming {
    int64_t startMs = 0, endMs = 0;
    std::string_view settings;  // what follows the end time, blanks trimmed
};

// One timestamp at `i`, moved past it: [hours:]minutes:seconds.fraction.
bool ReadVttTimestamp(std::string_view s, size_t& i, int64_t& ms);

// The line is a timing line ("-->" between two timestamps).
bool ReadVttTiming(std::string_view line, VttTiming& timing);

}  // namespace glyphon
