// Where a generation run puts its sub-picture units: the ".sup" file and any
// other output written beside it. The run hands every unit, in list order,
// to each sink it has opened, and closes them all at its end, an aborted or
// failed run included, so that each output ends on its last whole unit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/StyledLines.h"

namespace glyphon {

class UnitSink {
public:
    virtual ~UnitSink() = default;
    // One unit and its subtitle's start in whole milliseconds (the
    // presentation time is startMs * 90, as in the ".sup" record). Throws
    // FileError when writing fails.
    virtual void Append(int64_t startMs, const std::vector<uint8_t>& unit) = 0;
    // The subtitle the next unit is drawn from: its start and end in whole
    // milliseconds, the lines the unit draws (every line with its styled
    // runs, wrapped as drawn; at least two) and whether they sit at the top
    // of the picture. Outputs that draw their own picture take it here; the
    // others ignore it. Throws FileError.
    virtual void Subtitle(int64_t /*startMs*/, int64_t /*endMs*/, const std::vector<RunLine>& /*lines*/,
                          bool /*top*/) {}
    // Finishes the output. Throws FileError; a second call does nothing.
    virtual void Close() = 0;
};

}  // namespace glyphon
