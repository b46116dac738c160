// Where a generation run puts its sub-picture units: the ".sup" file and any
// other output written beside it. The run hands every unit, in time order,
// to each sink it has opened. Outputs are written under temporary names: a
// run that succeeds (or is aborted) closes them all, which puts them in place;
// a failed run discards them, and the previous files stay untouched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/StyledLines.h"

namespace glyphon {

// Lines that a cue's own settings place (BoxPlace), apart from the run's
// bottom and top stacks: at least two lines, as a stack has.
struct PlacedLines {
    BoxPlace place;
    bool top = false;  // stacked from the top before being placed
    std::vector<RunLine> lines;
};

class UnitSink {
public:
    virtual ~UnitSink() = default;
    // One unit and its subtitle's start in 90 kHz ticks (the presentation
    // time, as in the ".sup" record). Throws FileError when writing fails.
    virtual void Append(int64_t start, const std::vector<uint8_t>& unit) = 0;
    // The picture the next units are drawn from: its start and end in 90 kHz
    // ticks and the lines on screen then (every line with its styled runs,
    // wrapped as drawn): those stacked at the bottom and those at the top of
    // the picture, either list empty when no line sits there (else at least
    // two), and the cues placed by their own settings. Outputs that draw
    // their own picture take it here; the others ignore it. Throws FileError.
    virtual void Subtitle(int64_t /*start*/, int64_t /*end*/, const std::vector<RunLine>& /*bottom*/,
                          const std::vector<RunLine>& /*top*/, const std::vector<PlacedLines>& /*placed*/ = {}) {}
    // Finishes the output and puts it in place of the previous one. Throws
    // FileError; a second call does nothing.
    virtual void Close() = 0;
    // Writes out everything but leaves the previous output in place until
    // Close, so that a run can learn of a full disk before it replaces
    // anything. Throws FileError.
    virtual void Seal() {}
    // Drops the output: the previous file of that name stays as it was.
    // Never throws.
    virtual void Discard() {}
};

}  // namespace glyphon
