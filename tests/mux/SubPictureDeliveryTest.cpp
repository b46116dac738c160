// The delivery model the muxer schedules sub-picture units by: how long a
// unit is shown, the player's buffer, and big units that must wait for room.
#include <gtest/gtest.h>

#include <algorithm>

#include "mux/PackWriter.h"
#include "mux/ProgramStreamMuxer.h"
#include "mux/SubPictureDelivery.h"
#include "sup/SubPictureEncoder.h"
#include "sup/SyntheticBand.h"
#include "support/DvdMpeg.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

// A unit of a band whose every pixel differs from the next: about 360
// bytes a row.
std::vector<uint8_t> NoisyUnit(int rows, int64_t durationMs) {
    Frame frame(720, 576);
    for (int y = 400; y < 400 + rows; ++y)
        for (int x = 1; x < 719; ++x) frame.Set(x, y, (x + y) % 2 ? test::kBandText : test::kBandOutline);
    return EncodeSubPicture(frame, 400, rows, RoleIndices{1, 0, 3, 0}, test::kBandColours, durationMs);
}

TEST(SubPictureDelivery, ShownTicksAreTheStopDelayIn1024ths) {
    const auto unit = NoisyUnit(2, 3000);
    EXPECT_EQ(UnitShownTicks(unit.data(), unit.size()), 263u * 1024);
    const auto none = NoisyUnit(2, 0);
    EXPECT_EQ(UnitShownTicks(none.data(), none.size()), 0u);
    EXPECT_EQ(UnitShownTicks(unit.data(), 3), 0u);  // cut short: nothing to follow
}

TEST(SubPictureDelivery, BufferTakesUnitsUntilTheyLeave) {
    SubPictureBufferModel buffer;
    EXPECT_TRUE(buffer.Fits(0, 60000));  // an empty buffer takes anything
    buffer.Enter(100, 30000, 1000);
    EXPECT_TRUE(buffer.Fits(200, 23220));
    EXPECT_FALSE(buffer.Fits(200, 23221));
    EXPECT_TRUE(buffer.Fits(1000, 53220));  // the first has left
    EXPECT_EQ(buffer.HeldAt(999), 30000u);
    EXPECT_EQ(buffer.HeldAt(1000), 0u);
    EXPECT_EQ(SubPictureLead(0), kLeastSubPictureLead);
    EXPECT_EQ(SubPictureLead(60000), 69000u);
    EXPECT_EQ(SubPictureLead(1'000'000), kMostSubPictureLead);
}

// Units of about 29 KB half a second apart: sent as early as the lead asks,
// two would be held at once. Each waits until the one before has left.
TEST(SubPictureDelivery, BigUnitsWaitForRoomInThePlayersBuffer) {
    test::TempDir dir;
    std::vector<TimedUnit> units;
    for (int i = 0; i < 8; ++i) units.push_back({uint32_t((5000 + 500 * i) * 90), NoisyUnit(80, 400)});
    ASSERT_GT(units[0].bytes.size() * 2, kSubPictureBufferSize);
    MuxSubPicturesIntoFile(test::DvdMpeg(true), dir.File("out.mpg"), 0, units);

    const std::string out = test::TempDir::Read(dir.File("out.mpg"));
    struct Arrival {
        uint64_t scr;
        int64_t pts;
    };
    std::vector<Arrival> arrivals;
    for (size_t at = 0; at + 2048 <= out.size(); at += 2048) {
        MemorySource source(reinterpret_cast<const uint8_t*>(out.data()) + at, 2048);
        ProgramStreamReader reader(source);
        PsItem header, packet;
        if (reader.Next(header) && reader.Next(packet) && packet.streamId == kPrivateStream1 &&
            packet.subStreamId == 0x20 && packet.pts >= 0)
            arrivals.push_back({header.scr, packet.pts});
    }
    ASSERT_EQ(arrivals.size(), units.size());
    const uint64_t shown = UnitShownTicks(units[0].bytes.data(), units[0].bytes.size());
    for (size_t i = 1; i < arrivals.size(); ++i) {
        EXPECT_GE(arrivals[i].scr, uint64_t(arrivals[i - 1].pts) + shown) << "unit " << i;
        EXPECT_LT(arrivals[i].scr, uint64_t(arrivals[i].pts)) << "unit " << i;
    }
}

}  // namespace
}  // namespace glyphon
