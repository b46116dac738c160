// glyphon convert --mux VIDEO [--stream N]: the ".sup" units muxed into the
// film as libavformat reads it back, the palette file dvdauthor needs, and
// the refusals.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliSupport.h"
#include "palette/IfoReader.h"
#include "support/DvdMpeg.h"

namespace glyphon::test {

namespace {

constexpr const char* kThreeEntries =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\n\r\n"
    "2\r\n00:00:04,250 --> 00:00:06,000\r\nTwo\r\nlines\r\n\r\n"
    "3\r\n00:01:30,000 --> 00:01:32,000\r\nAfter the film\r\n\r\n";

// The ".sup" records: presentation time and unit.
std::vector<std::pair<int64_t, std::string>> SupRecords(const std::string& sup) {
    std::vector<std::pair<int64_t, std::string>> records;
    for (size_t at = 0; at + 12 <= sup.size();) {
        const auto b = [&](size_t i) { return int64_t(uint8_t(sup[at + i])); };
        const size_t size = size_t(b(10) << 8 | b(11));
        records.emplace_back(b(2) | b(3) << 8 | b(4) << 16 | b(5) << 24, sup.substr(at + 10, size));
        at += 10 + size;
    }
    return records;
}

int64_t FirstVideoPts(const std::vector<ProgramStreamPacket>& packets) {
    for (const ProgramStreamPacket& p : packets)
        if (p.streamId == 0x1E0 && p.pts >= 0) return p.pts;
    return -1;
}

}  // namespace

TEST(MuxOption, MuxesTheSupUnitsIntoTheFilmAndWritesTheIfoPalette) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", kThreeEntries);
    const std::string ifo = GLYPHON_TEST_DATA "/ifo/pal/VTS_01_0.IFO";
    const RunResult r =
        RunNamed({"--ifo", ifo, "--mux", DvdMpeg(true), "--stream", "5", "-o", dir.File("out"), subtitle});
    EXPECT_EQ(r.status, 0) << r.err;
    // The third subtitle starts after the minute of film: appended, and said.
    EXPECT_NE(
        r.err.find("glyphon: " + subtitle + ": warning: 1 subtitle starts after the end of the video in "),
        std::string::npos)
        << r.err;

    const auto records = SupRecords(TempDir::Read(dir.File("out/film.sup")));
    ASSERT_EQ(records.size(), 3u);
    const auto packets = DemuxProgramStream(dir.File("out/film.muxed.mpg"));
    const int64_t first = FirstVideoPts(packets);
    const auto units = UnitsOfStream(packets, 0x25);
    ASSERT_EQ(units.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(units[i].pts, first + records[i].first) << i;
        EXPECT_EQ(std::string(units[i].bytes.begin(), units[i].bytes.end()), records[i].second) << i;
    }

    std::string expected;
    for (const uint32_t entry : ReadIfoPalette(ifo).entries) {
        char line[8];
        std::snprintf(line, sizeof line, "%06X\n", entry & 0xFFFFFF);
        expected += line;
    }
    EXPECT_EQ(TempDir::Read(dir.File("out/film.palette.yuv")), expected);
}

TEST(MuxOption, RefusesFilmsItCannotMuxInto) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", kThreeEntries);
    // The video is the file the mux would write.
    std::filesystem::copy_file(DvdMpeg(false), dir.File("film.muxed.mpg"));
    RunResult r = RunNamed({"--mux", dir.File("film.muxed.mpg"), subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("would replace the video itself"), std::string::npos) << r.err;
    // A subtitle file is no film.
    r = RunNamed({"--mux", subtitle, "-o", dir.File("out"), subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(subtitle + ": not an MPEG program stream"), std::string::npos) << r.err;
    r = RunNamed({"--mux", dir.File("missing.mpg"), "-o", dir.File("out"), subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir.File("missing.mpg") + ": File not found."), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.sup")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("out")));

    // A stream the film already has is found while muxing, after the ".sup".
    r = RunNamed({"--mux", dir.File("film.muxed.mpg"), "-o", dir.File("out"), subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunNamed({"--mux", dir.File("out/film.muxed.mpg"), "-o", dir.File("again"), subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("glyphon: " + dir.File("out/film.muxed.mpg") +
                         ": the program stream already has sub-picture stream 0 (sub-stream 0x20)"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("again/film.muxed.mpg")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("again/film.palette.yuv")));

    EXPECT_EQ(RunNamed({"--stream", "1", subtitle}).err, "--stream goes with --mux");
    EXPECT_EQ(RunNamed({"--mux", "v.mpg", "--stream", "32", subtitle}).status, kExitUsage);
}

}  // namespace glyphon::test
