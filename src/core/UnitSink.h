// Where a run puts what it draws: each output of the run (OutputKinds.h) is
// a sink that gets every picture, in time order, as one drawn-subtitle event
// and writes it in its own encoding. Outputs are written under temporary
// names: a run that succeeds (or is aborted) closes them all, which puts them
// in place; a failed run discards them, and the previous files stay
// untouched.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/StyledLines.h"

namespace glyphon {

// One DVD sub-picture unit coded from a picture, and the time it starts in
// 90 kHz ticks (the presentation time, as in the ".sup" record).
struct DvdUnit {
    int64_t start = 0;
    const std::vector<uint8_t>* bytes = nullptr;
};

// One picture of the run: its start and end in 90 kHz ticks, the lines on
// screen then (every line with its styled runs, wrapped as drawn) stacked at
// the bottom and at the top (either list empty when no line sits there, else
// at least two) and the cues placed by their own settings; and the DVD
// units coded from it when the run has an output that takes them: one, or
// for a picture longer than a unit can show, one after another. A picture
// drawn by another hand (a styled script) comes with its units and no lines.
struct DrawnSubtitle {
    int64_t start = 0, end = 0;
    const std::vector<RunLine>* bottom = nullptr;
    const std::vector<RunLine>* top = nullptr;
    const std::vector<PlacedLines>* placed = nullptr;
    std::vector<DvdUnit> units;
};

class UnitSink {
public:
    virtual ~UnitSink() = default;
    // Writes the picture (what the output takes of it). Throws FileError
    // when writing fails.
    virtual void Write(const DrawnSubtitle& picture) = 0;
    // Writes out everything but leaves the previous output in place until
    // Close, so that a run can learn of a full disk before it replaces
    // anything. Throws FileError.
    virtual void Seal() {}
    // Puts the output in place of the previous one (after Seal, or as the
    // end of an aborted run). Throws FileError; a second call does nothing.
    virtual void Close() = 0;
    // Drops the output: the previous file of that name stays as it was.
    // Never throws.
    virtual void Discard() {}
};

// What a sink that draws a styled script itself did: the script's events,
// the pictures it wrote, and what libass said (one line each).
struct ScriptDrawn {
    int events = 0;
    int pictures = 0;
    std::vector<std::string> warnings;
    bool stopped = false;  // told to stop before the script's end
};

// An output that draws a styled script (ASS/SSA) itself, at its own size,
// instead of taking the run's pictures (the PGS stream of a script; a kind's
// factory makes one when `SinkRequest::script` is set). The styled run
// hands it the script once every other output has its pictures.
class ScriptSink : public UnitSink {
public:
    void Write(const DrawnSubtitle&) override {}
    // Draws and writes every picture of the script, asking `stop` before
    // each. Throws AssError when the script cannot be read, FileError when
    // writing fails.
    virtual ScriptDrawn DrawScript(const std::string& file, const std::string& fontsDir,
                                   const std::function<bool()>& stop) = 0;
};

}  // namespace glyphon
