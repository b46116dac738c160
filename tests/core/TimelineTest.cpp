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
        out.emplace_back(s.start, s.end, std::vector<uint32_t>(line.cues.begin() + s.first,
                                                                line.cues.begin() + s.first + s.count));
    return out;
}

}  // namespace

TEST(SplitTimeline, CutsWhereAnyCueStartsOrEnds) {
    const struct {
        std::vector<CueSpan> spans;
        std::vector<Shown> stretches;
        int empty;
    } cases[] = {
        {{{1000, 3000}, {1000, 3000}}, {{1000, 3000, {0, 1}}}, 0},
        {{{0, 4000}, {2000, 6000}}, {{0, 2000, {0}}, {2000, 4000, {0, 1}}, {4000, 6000, {1}}}, 0},
        // Out of time order, nested, a gap, one lasting no time, one ending
        // before it starts.
        {{{5000, 9000}, {1000, 3000}, {6000, 7000}, {3000, 3000}, {3000, 4000}, {8000, 7000}},
         {{1000, 3000, {1}}, {3000, 4000, {4}}, {5000, 6000, {0}}, {6000, 7000, {0, 2}}, {7000, 9000, {0}}},
         2},
    };
    for (const auto& c : cases) {
        const Timeline line = SplitTimeline(c.spans);
        EXPECT_EQ(Stretches(line), c.stretches);
        EXPECT_EQ(line.empty, c.empty);
    }
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
                if (k > s.first) ASSERT_LT(line.cues[k - 1], line.cues[k]);
                shown[line.cues[k]] += s.end - s.start;
            }
        }
        for (size_t i = 0; i < spans.size(); ++i) EXPECT_EQ(shown[i], std::max<int64_t>(spans[i].end - spans[i].start, 0));
    }
}

TEST(SpanPieces, LongSpansComeInPiecesOfTheLongestLength) {
    const std::vector<std::pair<int64_t, int64_t>> twenty = {{0, 745472}, {745472, 1200000}};
    std::vector<std::pair<int64_t, int64_t>> pieces;
    for (const CueSpan& p : SpanPieces(0, 1200000, 745472)) pieces.emplace_back(p.start, p.end);
    EXPECT_EQ(pieces, twenty);
    EXPECT_EQ(SpanPieces(5, 745477, 745472).size(), 1u);
}

}  // namespace glyphon::test
