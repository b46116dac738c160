// A DVD shows one sub-picture of a stream at a time: a subtitle that is
// still up when the next one starts is cut to end there, for every output.
#pragma once

#include <cstdint>
#include <vector>

namespace glyphon {

struct CueTime {
    int64_t start = 0;  // 90 kHz ticks
    int64_t end = 0;
};

// Ends every cue no later than the start of the cue that follows it in time
// (cues starting together follow each other in list order, and the earlier
// of them then lasts no time at all). Cues keep their order in the list.
// Returns how many were cut.
int CutOverlaps(std::vector<CueTime>& cues);

}  // namespace glyphon
