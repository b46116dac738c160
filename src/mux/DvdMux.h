// The sub-picture units of a run kept for the DVD film they are muxed into
// once every input has been converted (see DvdAuthoring.h), NAME being the
// run's output stem (folder and subtitle file base name).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mux/DvdAuthoring.h"
#include "mux/PaletteFile.h"
#include "mux/ProgramStreamMuxer.h"

namespace glyphon {

std::string MuxedFileName(const std::string& stem);    // stem + ".muxed.mpg"
std::string PaletteFileName(const std::string& stem);  // stem + ".palette.yuv"

// Collects the run's units (their bytes spooled to a file beside the muxed
// film, see UnitSpool; the film itself is only ever streamed) for the
// authoring after the run. It writes no file of its own.
class DvdMuxSink {
public:
    explicit DvdMuxSink(const std::string& stem);

    void Append(int64_t start, const std::vector<uint8_t>& unit);
    void Close() {}

    // The units collected so far (the sink keeps none afterwards).
    UnitSpool TakeUnits() { return std::exchange(units_, UnitSpool()); }

private:
    UnitSpool units_;  // their bytes in a spool file beside the muxed film
};

}  // namespace glyphon
