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

// Video packs back to back at the full mux rate, each with a PTS half a
// second after its SCR.
std::vector<uint8_t> FullRateStream(int packs) {
    std::vector<uint8_t> stream;
    const uint64_t step = PackTicks(kDvdMuxRate);
    for (int k = 0; k < packs; ++k) {
        const auto header = PackHeader(uint64_t(k) * step);
        stream.insert(stream.end(), header.begin(), header.end());
        const size_t length = kPackSize - kPackHeaderSize - 6;
        const uint8_t pes[] = {0, 0, 1, 0xE0, uint8_t(length >> 8), uint8_t(length), 0x81, 0x80, 5};
        stream.insert(stream.end(), pes, pes + sizeof pes);
        const auto pts = PtsField(45000 + uint64_t(k) * step);
        stream.insert(stream.end(), pts.begin(), pts.end());
        stream.resize(size_t(k + 1) * kPackSize, 0);
    }
    return stream;
}

// Without gaps between input packs, units are squeezed in with SCRs one
// tick apart: still rising, still whole 150 ms before their time.
TEST(SubPictureDelivery, AStreamWithoutGapsStillGetsEveryUnitInTime) {
    const std::vector<uint8_t> input = FullRateStream(1300);
    std::vector<TimedUnit> units;
    for (int i = 0; i < 4; ++i) units.push_back({uint32_t(20000 + 40000 * i), NoisyUnit(40, 300)});
    MemorySource scan(input.data(), input.size());
    const ProgramStreamStart start = ScanProgramStreamStart(scan);
    ASSERT_EQ(start.firstVideoPts, 45000);
    MemorySource source(input.data(), input.size());
    MemorySink sink;
    EXPECT_EQ(MuxProgramStream(source, sink, start, 0, units).units, 4);

    const std::vector<uint8_t>& out = sink.Bytes();
    ASSERT_EQ(out.size(), input.size() + 4 * SubPicturePackCount(units[0].bytes.size()) * kPackSize);
    uint64_t previous = 0;
    std::vector<std::pair<int64_t, uint64_t>> lastPackOfUnit;  // PTS, SCR
    size_t copied = 0;
    for (size_t at = 0; at < out.size(); at += kPackSize) {
        MemorySource pack(out.data() + at, kPackSize);
        ProgramStreamReader reader(pack);
        PsItem header, packet;
        ASSERT_TRUE(reader.Next(header) && reader.Next(packet));
        if (at > 0) {
            EXPECT_GT(header.scr, previous) << "at byte " << at;
        }
        previous = header.scr;
        if (packet.streamId == kPrivateStream1) {
            if (packet.pts >= 0) lastPackOfUnit.emplace_back(packet.pts, header.scr);
            lastPackOfUnit.back().second = header.scr;
            continue;
        }
        ASSERT_TRUE(std::equal(out.begin() + long(at), out.begin() + long(at + kPackSize),
                               input.begin() + long(copied)));
        copied += kPackSize;
    }
    ASSERT_EQ(lastPackOfUnit.size(), 4u);
    for (const auto& [unitPts, lastScr] : lastPackOfUnit)
        EXPECT_LE(lastScr + kLeastSubPictureLead, uint64_t(unitPts));
}

}  // namespace
}  // namespace glyphon
