#include "core/Timeline.h"

#include <algorithm>
#include <numeric>

namespace glyphon {

Timeline SplitTimeline(const std::vector<CueSpan>& spans) {
    Timeline line;
    // The cues that last some time, by start and by end.
    std::vector<uint32_t> byStart, byEnd;
    for (uint32_t i = 0; i < spans.size(); ++i) {
        if (spans[i].end > spans[i].start)
            byStart.push_back(i);
        else
            ++line.empty;
    }
    byEnd = byStart;
    std::stable_sort(byStart.begin(), byStart.end(),
                     [&](uint32_t a, uint32_t b) { return spans[a].start < spans[b].start; });
    std::stable_sort(byEnd.begin(), byEnd.end(),
                     [&](uint32_t a, uint32_t b) { return spans[a].end < spans[b].end; });
    line.stretches.reserve(byStart.size());
    line.cues.reserve(byStart.size());

    // Sweeps the cuts in time order; `on` holds the cues on screen, in list
    // order (seldom more than a few).
    std::vector<uint32_t> on;
    size_t s = 0, e = 0;
    while (e < byEnd.size()) {
        const int64_t at =
            s < byStart.size() ? std::min(spans[byStart[s]].start, spans[byEnd[e]].end) : spans[byEnd[e]].end;
        for (; e < byEnd.size() && spans[byEnd[e]].end == at; ++e)
            on.erase(std::find(on.begin(), on.end(), byEnd[e]));
        for (; s < byStart.size() && spans[byStart[s]].start == at; ++s)
            on.insert(std::upper_bound(on.begin(), on.end(), byStart[s]), byStart[s]);
        if (on.empty()) continue;
        const int64_t next =
            s < byStart.size() ? std::min(spans[byStart[s]].start, spans[byEnd[e]].end) : spans[byEnd[e]].end;
        line.stretches.push_back({at, next, uint32_t(line.cues.size()), uint32_t(on.size())});
        line.cues.insert(line.cues.end(), on.begin(), on.end());
    }
    return line;
}

std::vector<CueSpan> SpanPieces(int64_t start, int64_t end, int64_t longest) {
    std::vector<CueSpan> pieces;
    if (longest <= 0) return {{start, end}};
    for (int64_t at = start; at < end || pieces.empty(); at += longest)
        pieces.push_back({at, std::min(end, at + longest)});
    return pieces;
}

}  // namespace glyphon
