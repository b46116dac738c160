// The numeric settings of a job that every front end takes, one row each:
// name, default, least and greatest value and step. The window's track bars,
// the named line's options and their help, and the translation into a job
// read them from here.
#pragma once

#include <algorithm>
#include <string>

namespace glyphon {

struct IntSetting {
    const char* name;
    int byDefault;
    int minimum;
    int maximum;
    int step = 1;  // a value between steps moves up to the next one

    bool Holds(int v) const { return v >= minimum && v <= maximum; }
    // The value held to the range, then moved up onto a step (counted from
    // the default), never past the greatest value.
    int Fit(int v) const {
        v = std::clamp(v, minimum, maximum);
        const int off = ((v - byDefault) % step + step) % step;
        return off == 0 ? v : std::min(v + step - off, maximum);
    }
    // "8 to 492"
    std::string RangeText() const { return std::to_string(minimum) + " to " + std::to_string(maximum); }
};

// Rows between the frame's bottom margin and line 1 (the window's offset
// track bar).
inline constexpr IntSetting kOffsetSetting{"offset", 30, 8, 492};
// Added to line 2's distance from line 1, negated (the window's second
// track bar), in even steps.
inline constexpr IntSetting kLineSpacingSetting{"line spacing", -4, -14, 10, 2};
// The sub-picture stream number of a DVD film.
inline constexpr IntSetting kStreamSetting{"stream", 0, 0, 31};

}  // namespace glyphon
