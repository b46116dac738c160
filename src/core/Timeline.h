// The run's time line: cut wherever a cue starts or ends, so that each
// stretch between two cuts has one picture holding every cue on screen then.
// Works on bare spans, in whatever unit the run times cues in.
#pragma once

#include <cstdint>
#include <vector>

namespace glyphon {

// A cue's time on screen: from start up to (not including) end.
struct CueSpan {
    int64_t start = 0, end = 0;
};

// A stretch of the time line and the cues on screen all through it.
struct Stretch {
    int64_t start = 0, end = 0;
    uint32_t first = 0, count = 0;  // its cues: Timeline::cues[first .. first + count)
};

struct Timeline {
    std::vector<Stretch> stretches;  // in time order, each lasting some time
    std::vector<uint32_t> cues;      // indices into the spans, in list order per stretch
    // Cues that last no time (an end at or before the start): on no stretch.
    int empty = 0;
};

// Cuts the time line at every start and end of a cue that lasts some time.
// Every stretch lasts some time and shows at least one cue; a cue is on every
// stretch between its start and end, so it is on screen exactly as long as
// its span says. Stretches never overlap; a gap where no cue is on screen
// has none.
Timeline SplitTimeline(const std::vector<CueSpan>& spans);

// [start, end) in pieces of `longest` (the last one what remains), for
// outputs that cannot show a picture longer than that at once. One piece
// when the span is no longer than `longest`.
std::vector<CueSpan> SpanPieces(int64_t start, int64_t end, int64_t longest);

}  // namespace glyphon
