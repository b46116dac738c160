// Films whose clock wraps past 2^33 or starts again (two films joined): the
// units go where a player showing the film reaches their time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mux/FilmTimeline.h"
#include "mux/ProgramStreamMuxer.h"
#include "sup/SubPictureEncoder.h"
#include "sup/SyntheticBand.h"
#include "support/DvdMpeg.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

using test::DvdMpeg;
using test::ProgramStreamPacket;
using test::TempDir;

constexpr int64_t kWrap = int64_t(1) << 33;

TEST(FilmTimeline, CountsWrapsAndStandsStillAcrossDiscontinuities) {
    FilmTimeline t;
    EXPECT_EQ(t.OnPack(kWrap - 1000), kWrap - 1000);
    EXPECT_EQ(t.OnPack(500), kWrap + 500);            // wrapped: 1500 ticks on
    EXPECT_EQ(t.FilmTime(kWrap - 200), kWrap - 200);  // a stamp from just before the wrap
    EXPECT_EQ(t.Clock(kWrap + 9000), 9000u);
    EXPECT_EQ(t.OnPack(100), kWrap + 500);  // back in time: a new stretch
    EXPECT_EQ(t.FilmTime(3700), kWrap + 4100);
    EXPECT_EQ(t.OnPack(100 + 3600 * 90000), kWrap + 500);  // an hour ahead: another one
    EXPECT_EQ(t.OnPack(100 + 3600 * 90000 + 3600), kWrap + 4100);
}

std::vector<TimedUnit> Units(const std::vector<int64_t>& startsMs) {
    std::vector<TimedUnit> units;
    SubPictureEncoder encoder(RoleIndices{1, 0, 3, 0}, test::kBandColours);
    for (size_t i = 0; i < startsMs.size(); ++i) {
        Frame frame(720, 576);
        test::DrawTextBand(frame, 500, 20, uint32_t(i + 1));
        units.push_back({uint32_t(startsMs[i] * 90), encoder.Encode(frame, 500, 20, 1500)});
    }
    return units;
}

// Where each unit of stream 0x20 lies among the packets, and the video
// timestamps around it.
struct Placed {
    int64_t pts = -1;
    int64_t videoBefore = -1;  // PTS of the last video packet before it
    size_t index = 0;
};
std::vector<Placed> PlaceUnits(const std::vector<ProgramStreamPacket>& packets) {
    std::vector<Placed> placed;
    int64_t video = -1;
    for (size_t i = 0; i < packets.size(); ++i) {
        const ProgramStreamPacket& p = packets[i];
        if (p.streamId == 0x1E0 && p.pts >= 0) video = p.pts;
        if (p.streamId == 0x20 && p.pts >= 0) placed.push_back({p.pts, video, i});
    }
    return placed;
}

int64_t Mod(int64_t v) { return ((v % kWrap) + kWrap) % kWrap; }
// A difference of two clock values, taken as the shorter way round.
int64_t Signed(int64_t v) { return Mod(v) >= kWrap / 2 ? Mod(v) - kWrap : Mod(v); }

TEST(FilmTimeline, AFilmWhoseClockWrapsGetsItsUnitsInPlace) {
    TempDir dir;
    // The minute of film with its clock set 30 s before the wrap.
    const std::string film = dir.File("wrap.mpg");
    ASSERT_TRUE(test::Run("ffmpeg -nostdin -loglevel error -y -i '" + DvdMpeg(true) +
                          "' -c copy -output_ts_offset 95413 -f dvd '" + film + "'"))
        << "ffmpeg (Debian package ffmpeg) could not remux the film";
    const auto units = Units({10000, 45000});
    MuxSubPicturesIntoFile(film, dir.File("out.mpg"), 0, units);
    const auto packets = test::DemuxProgramStream(dir.File("out.mpg"));
    const auto placed = PlaceUnits(packets);
    ASSERT_EQ(placed.size(), 2u);
    int64_t first = -1;
    for (const ProgramStreamPacket& p : packets)
        if (p.streamId == 0x1E0 && p.pts >= 0) {
            first = p.pts;
            break;
        }
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(Mod(placed[k].pts), Mod(first + units[k].pts)) << k;
        // Among the film's packs, shortly before the frames of its time.
        EXPECT_LT(placed[k].index, packets.size() * 9 / 10) << k;
        EXPECT_LT(std::abs(Signed(placed[k].pts - placed[k].videoBefore)), 2 * 90000) << k;
    }
}

TEST(FilmTimeline, TwoFilmsJoinedWithCatAreOneTimeline) {
    TempDir dir;
    const std::string film = dir.File("joined.mpg");
    const std::string minute = TempDir::Read(DvdMpeg(true));
    std::ofstream(film, std::ios::binary) << minute << minute;
    // 10 s into the first minute, 30 s into the second.
    const auto units = Units({10000, 90000});
    const MuxReport report = MuxSubPicturesIntoFile(film, dir.File("out.mpg"), 0, units);
    EXPECT_EQ(report.pastEnd, 0);
    // The last frame is two minutes of film time after the first, as the
    // per-file count of subtitles past the end compares it.
    EXPECT_NEAR(double(report.lastVideoPts - report.firstVideoPts), 120.0 * 90000, 1.0 * 90000);
    const auto packets = test::DemuxProgramStream(dir.File("out.mpg"));
    const auto placed = PlaceUnits(packets);
    ASSERT_EQ(placed.size(), 2u);
    // The second unit lies in the second film, timed in its clock: 30 s
    // after its start, give or take the half second its frames run ahead
    // of its packs.
    EXPECT_GT(placed[1].index, packets.size() / 2);
    EXPECT_LT(placed[1].index, packets.size() * 9 / 10);
    EXPECT_NEAR(double(placed[1].pts - placed[0].pts), 20.0 * 90000, 1.0 * 90000);
    EXPECT_LT(std::abs(Signed(placed[1].pts - placed[1].videoBefore)), 2 * 90000);
}

}  // namespace
}  // namespace glyphon
