#include "subtitle/OverlapCut.h"

#include <algorithm>
#include <numeric>

namespace glyphon {

int CutOverlaps(std::vector<CueTime>& cues) {
    std::vector<size_t> order(cues.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return cues[a].start < cues[b].start; });
    int cut = 0;
    for (size_t k = 0; k + 1 < order.size(); ++k) {
        CueTime& cue = cues[order[k]];
        const int64_t nextStart = cues[order[k + 1]].start;
        if (cue.end > nextStart) {
            cue.end = std::max(nextStart, cue.start);
            ++cut;
        }
    }
    return cut;
}

}  // namespace glyphon
