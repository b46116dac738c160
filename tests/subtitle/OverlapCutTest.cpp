#include <gtest/gtest.h>

#include "subtitle/OverlapCut.h"

namespace glyphon {
namespace {

std::vector<std::pair<int64_t, int64_t>> Times(const std::vector<CueTime>& cues) {
    std::vector<std::pair<int64_t, int64_t>> times;
    for (const CueTime& c : cues) times.emplace_back(c.start, c.end);
    return times;
}

// Cut in order of time, whatever the list order; a cue that only touches the
// next one is left alone.
TEST(CutOverlaps, EndsEachCueWhereTheNextInTimeStarts) {
    std::vector<CueTime> cues = {{5000, 9000}, {1000, 3000}, {3000, 5500}, {12000, 13000}};
    EXPECT_EQ(CutOverlaps(cues), 1);
    EXPECT_EQ(Times(cues), (std::vector<std::pair<int64_t, int64_t>>{{5000, 9000}, {1000, 3000}, {3000, 5000},
                                                                      {12000, 13000}}));
}

// Cues starting together: the earlier in the list lasts no time; a cue
// reaching past several later ones ends at the first of them.
TEST(CutOverlaps, EqualStartsAndLongCues) {
    std::vector<CueTime> cues = {{1000, 4000}, {1000, 2000}, {1500, 1800}, {1600, 9000}};
    EXPECT_EQ(CutOverlaps(cues), 3);
    EXPECT_EQ(Times(cues), (std::vector<std::pair<int64_t, int64_t>>{{1000, 1000}, {1000, 1500}, {1500, 1600},
                                                                      {1600, 9000}}));
    std::vector<CueTime> none;
    EXPECT_EQ(CutOverlaps(none), 0);
}

}  // namespace
}  // namespace glyphon
