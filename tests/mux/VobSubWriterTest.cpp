#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>

#include "common/FileError.h"
#include "mux/PackWriter.h"
#include "mux/VobSubWriter.h"
#include "subtitle/Cue.h"
#include "sup/SubPictureEncoder.h"
#include "sup/SupWriter.h"
#include "sup/SyntheticBand.h"
#include "support/SubtitleDemuxer.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

using test::DemuxSubtitles;
using test::TempDir;

// Sixteen colours nobody would pick by chance, so the decoder's colours
// can only have come from the index.
std::array<Rgb, 16> TestPalette() {
    std::array<Rgb, 16> p;
    for (int i = 0; i < 16; ++i)
        p[size_t(i)] = Rgb{uint8_t(16 * i + 1), uint8_t(200 - 7 * i), uint8_t(3 * i + 5)};
    return p;
}

std::vector<uint8_t> Unit(int frameHeight, int top, int rows, uint32_t seed, int64_t ms) {
    Frame frame(kFrameWidth, frameHeight);
    test::DrawTextBand(frame, top, rows, seed);
    return EncodeSubPicture(frame, top, rows, RoleIndices{1, 2, 3, 0}, test::kBandColours, ms);
}

// A real unit grown to `size` bytes behind its last control sequence, with
// the size field telling so: the decoder reads it as before.
std::vector<uint8_t> UnitOfSize(size_t size) {
    auto unit = Unit(kPalHeight, 480, 20, 4, 1000);
    EXPECT_LT(unit.size(), size);
    unit.resize(size, 0xFF);
    unit[0] = uint8_t(size >> 8);
    unit[1] = uint8_t(size);
    return unit;
}

struct Written {
    std::vector<int64_t> starts;
    std::vector<std::vector<uint8_t>> units;
};

void Write(const TempDir& dir, int height, const Written& w) {
    VobSubWriter writer;
    writer.Create(dir.File("movie.idx"), dir.File("movie.sub"), VobSubHeader{height, TestPalette(), "de"});
    for (size_t i = 0; i < w.units.size(); ++i) writer.Append(TicksOfMs(w.starts[i]), w.units[i]);
    writer.Close();
    writer.Close();  // a second close does nothing
}

void ExpectSameUnits(const test::DemuxedSubtitles& got, const Written& w) {
    ASSERT_EQ(got.packets.size(), w.units.size());
    const auto palette = TestPalette();
    for (size_t i = 0; i < w.units.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got.packets[i].ptsMs, w.starts[i]);
        EXPECT_EQ(got.packets[i].data, w.units[i]);
        // Text, outline and antialias (codes 1..3) in entries 3, 2 and 1 of the index's palette.
        EXPECT_EQ(got.packets[i].rgb[1], palette[3].Packed());
        EXPECT_EQ(got.packets[i].rgb[2], palette[2].Packed());
        EXPECT_EQ(got.packets[i].rgb[3], palette[1].Packed());
    }
}

TEST(VobSubIndex, HeaderAndTimestampLines) {
    VobSubHeader h{kNtscHeight, {}, "fr"};
    h.palette[0] = Rgb{0x12, 0xAB, 0xFF};
    h.palette[15] = Rgb{255, 255, 255};
    const std::string text = VobSubIndexHeader(h);
    EXPECT_EQ(text.rfind("# VobSub index file, v7 (do not modify this line!)\n", 0), 0u);
    EXPECT_NE(text.find("\nsize: 720x480\n"), std::string::npos);
    EXPECT_NE(text.find("\npalette: 12abff, 000000, 000000, 000000, 000000, 000000, 000000, 000000, 000000, "
                        "000000, 000000, 000000, 000000, 000000, 000000, ffffff\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nlangidx: 0\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 18), "\nid: fr, index: 0\n");
    EXPECT_EQ(VobSubTimestampLine(0, 0), "timestamp: 00:00:00:000, filepos: 000000000\n");
    EXPECT_EQ(VobSubTimestampLine(uint32_t((3723456) * 90), 0xA800),
              "timestamp: 01:02:03:456, filepos: 00000a800\n");
    EXPECT_EQ(VobSubTimestampLine(4294967295u, 0x123456789ull),
              "timestamp: 13:15:21:858, filepos: 123456789\n");
}

TEST(VobSubWriter, LibavformatReadsBackEveryUnitPalAndNtsc) {
    for (const int height : {kPalHeight, kNtscHeight}) {
        SCOPED_TRACE(height);
        TempDir dir;
        Written w;
        w.starts = {1000, 2500, 3'600'000, 3'600'001};
        w.units = {Unit(height, height - 100, 64, 1, 2000), Unit(height, 100, 160, 2, 1500),
                   UnitOfSize(SubPicturePayloadCapacity(true)), Unit(height, 100, 2, 3, 50)};
        ASSERT_GT(SubPicturePackCount(w.units[1].size()), 2u);
        ASSERT_EQ(SubPicturePackCount(w.units[2].size()), 1u);
        Write(dir, height, w);

        // Each unit starts on the pack after the last one of the unit before.
        std::string lines;
        uint64_t position = 0;
        for (size_t i = 0; i < w.units.size(); ++i) {
            lines += VobSubTimestampLine(uint32_t(w.starts[i] * 90), position);
            position += SubPicturePackCount(w.units[i].size()) * kPackSize;
        }
        EXPECT_EQ(std::filesystem::file_size(dir.File("movie.sub")), position);
        EXPECT_EQ(TempDir::Read(dir.File("movie.idx")),
                  VobSubIndexHeader({height, TestPalette(), "de"}) + lines);

        const auto got = DemuxSubtitles(dir.File("movie.idx"));
        EXPECT_EQ(got.format, "vobsub");
        EXPECT_EQ(got.codec, "dvd_subtitle");
        EXPECT_EQ(got.width, 720);
        EXPECT_EQ(got.height, height);
        ExpectSameUnits(got, w);
    }
}

TEST(VobSubWriter, AnEmptyListGivesAnIndexWithoutUnitsAndAnEmptySubFile) {
    TempDir dir;
    Write(dir, kPalHeight, {});
    EXPECT_EQ(std::filesystem::file_size(dir.File("movie.sub")), 0u);
    EXPECT_EQ(TempDir::Read(dir.File("movie.idx")), VobSubIndexHeader({kPalHeight, TestPalette(), "de"}));
    const auto got = DemuxSubtitles(dir.File("movie.idx"));
    EXPECT_EQ(got.format, "vobsub");
    // libavformat makes the subtitle stream at its first timestamp line, so
    // an index without units opens as a file without streams.
    EXPECT_EQ(got.codec, "");
    EXPECT_TRUE(got.packets.empty());
}

TEST(VobSubWriter, MkvmergeMuxesTheIndexIntoMatroskaWithEveryUnit) {
    TempDir dir;
    Written w;
    w.starts = {0, 1000, 61'000};
    w.units = {Unit(kPalHeight, 480, 64, 5, 900), Unit(kPalHeight, 20, 540, 6, 800),
               Unit(kPalHeight, 300, 40, 7, 50)};
    Write(dir, kPalHeight, w);
    const std::string command =
        "mkvmerge -q -o '" + dir.File("out.mkv") + "' '" + dir.File("movie.idx") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto got = DemuxSubtitles(dir.File("out.mkv"));
    EXPECT_EQ(got.format, "matroska,webm");
    EXPECT_EQ(got.width, 720);
    EXPECT_EQ(got.height, kPalHeight);
    ExpectSameUnits(got, w);
}

TEST(VobSubWriter, AFailedWriteLeavesBothFilesEndingOnTheLastWholeUnit) {
    TempDir dir;
    const auto small = Unit(kPalHeight, 480, 64, 1, 2000);
    const auto large = Unit(kPalHeight, 100, 160, 2, 2000);
    ASSERT_GT(SubPicturePackCount(large.size()), 1u);
    VobSubWriter writer;
    writer.Create(dir.File("movie.idx"), dir.File("movie.sub"),
                  VobSubHeader{kPalHeight, TestPalette(), "en"});
    writer.Append(TicksOfMs(1000), small);
    const uint64_t whole = SubPicturePackCount(small.size()) * kPackSize;
    // The .sub may grow by one pack and a bit: the large unit starts and fails.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = whole + kPackSize + 100;
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(writer.Append(TicksOfMs(2000), large), FileError);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    writer.Append(TicksOfMs(3000), small);  // the run may go on after the failure
    writer.Close();

    EXPECT_EQ(std::filesystem::file_size(dir.File("movie.sub")), 2 * whole);
    const auto got = DemuxSubtitles(dir.File("movie.idx"));
    ASSERT_EQ(got.packets.size(), 2u);
    EXPECT_EQ(got.packets[0].ptsMs, 1000);
    EXPECT_EQ(got.packets[1].ptsMs, 3000);
    EXPECT_EQ(got.packets[1].data, small);
}

}  // namespace
}  // namespace glyphon
