// The time line cut where cues start and end: each stretch shows every cue
// on screen then, and no cue is on screen for less than its span.
#include <gtest/gtest.h>

#include <random>

#include "core/Timeline.h"

namespace glyphon::test {

namespace {

using Shown = std::tuple<int64_t, int64_t, std::vector<uint32_t>>;

std::vector<Shown> Stretches(const Timeline& line) {
    std::vector<Shown> out;
    for (const Stretch& s : line.stretches)
        out.emplace_back(
            s.start, s.end,
            std::vector<uint32_t>(line.cues.begin() + s.first, line.cues.begin() + s.first + s.count));
    return out;
}

}  // namespace

// Out of time order, together, nested, a gap, one lasting no time, one
// ending before it starts.
TEST(SplitTimeline, CutsWhereAnyCueStartsOrEnds) {
    const Timeline line =
        SplitTimeline({{5000, 9000}, {1000, 3000}, {6000, 7000}, {3000, 3000}, {1000, 4000}, {8000, 7000}});
    EXPECT_EQ(Stretches(line), (std::vector<Shown>{{1000, 3000, {1, 4}},
                                                   {3000, 4000, {4}},
                                                   {5000, 6000, {0}},
                                                   {6000, 7000, {0, 2}},
                                                   {7000, 9000, {0}}}));
    EXPECT_EQ(line.empty, 2);
}

TEST(SplitTimeline, EveryCueIsOnScreenForExactlyItsSpan) {
    std::mt19937 random(35);
    for (int round = 0; round < 200; ++round) {
        std::vector<CueSpan> spans(random() % 12);
        for (CueSpan& s : spans) {
            s.start = random() % 50;
            s.end = s.start + random() % 20;
        }
        const Timeline line = SplitTimeline(spans);
        std::vector<int64_t> shown(spans.size(), 0);
        int64_t last = INT64_MIN;
        for (const Stretch& s : line.stretches) {
            ASSERT_GT(s.end, s.start);
            ASSERT_GE(s.start, last);
            last = s.end;
            for (uint32_t k = s.first; k < s.first + s.count; ++k) {
                const CueSpan& cue = spans[line.cues[k]];
                ASSERT_TRUE(cue.start <= s.start && s.end <= cue.end);
                if (k > s.first) {
                    ASSERT_LT(line.cues[k - 1], line.cues[k]);
                }
                shown[line.cues[k]] += s.end - s.start;
            }
        }
        for (size_t i = 0; i < spans.size(); ++i)
            EXPECT_EQ(shown[i], std::max<int64_t>(spans[i].end - spans[i].start, 0));
    }
}

}  // namespace glyphon::test
