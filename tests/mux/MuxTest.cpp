// Muxing sub-picture units into DVD MPEGs made by ffmpeg, checked with
// libavformat's program-stream demuxer and with dvdauthor.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "common/Rgb.h"
#include "mux/PackWriter.h"
#include "mux/PaletteFile.h"
#include "mux/ProgramStreamMuxer.h"
#include "mux/SubPictureDelivery.h"
#include "palette/IfoReader.h"
#include "sup/SubPictureEncoder.h"
#include "sup/SyntheticBand.h"
#include "support/DvdMpeg.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

using test::DvdMpeg;
using test::ProgramStreamPacket;
using test::TempDir;

// Real units: text bands of different heights, so some fit one pack and
// some need three or four.
std::vector<TimedUnit> MakeUnits(const std::vector<int64_t>& startsMs, int frameHeight) {
    std::vector<TimedUnit> units;
    SubPictureEncoder encoder(RoleIndices{1, 0, 3, 0}, test::kBandColours);
    for (size_t i = 0; i < startsMs.size(); ++i) {
        Frame frame(720, frameHeight);
        const int height = 10 + int(i % 5) * 20;
        const int top = frameHeight - 40 - height - (height % 2);
        test::DrawTextBand(frame, top, height, uint32_t(i + 1));
        units.push_back({uint32_t(startsMs[i] * 90), encoder.Encode(frame, top, height, 1500)});
    }
    return units;
}

int64_t FirstVideoPts(const std::vector<ProgramStreamPacket>& packets) {
    for (const ProgramStreamPacket& p : packets)
        if (p.streamId == 0x1E0 && p.pts >= 0) return p.pts;
    return -1;
}

// Per stream, the packets' times and checksums in order.
std::map<int, std::vector<std::tuple<int64_t, int64_t, uLong>>> Fingerprints(
    const std::vector<ProgramStreamPacket>& packets) {
    std::map<int, std::vector<std::tuple<int64_t, int64_t, uLong>>> result;
    for (const ProgramStreamPacket& p : packets)
        if (p.streamId < 0x20 || p.streamId > 0x3F)
            result[p.streamId].emplace_back(p.pts, p.dts, crc32(0, p.data.data(), uInt(p.data.size())));
    return result;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class MuxStandard : public ::testing::TestWithParam<bool> {};

// Subtitles every 2.5 s over the minute, two of them out of list order.
const std::vector<int64_t> kStarts = {0,     2500,  7500,  5000,  10000, 12500, 15000, 17500,
                                      20000, 22500, 25000, 27500, 30000, 32500, 35000, 37500,
                                      40000, 42500, 45000, 47500, 50000, 52500, 55000, 57500};

TEST_P(MuxStandard, LibavformatReadsEveryUnitBackWithItsBytesAndTimeAndTheFilmUnchanged) {
    const bool pal = GetParam();
    const std::string& video = DvdMpeg(pal);
    TempDir dir;
    const auto units = MakeUnits(kStarts, pal ? 576 : 480);
    const MuxReport report = MuxSubPicturesIntoFile(video, dir.File("out.mpg"), 0, units);
    EXPECT_EQ(report.units, int(units.size()));
    EXPECT_EQ(report.pastEnd, 0);

    const auto before = test::DemuxProgramStream(video);
    const auto after = test::DemuxProgramStream(dir.File("out.mpg"));
    const int64_t first = FirstVideoPts(before);
    ASSERT_GT(first, 0);
    EXPECT_EQ(report.firstVideoPts, first);

    // In order of time, each at first video PTS + start.
    auto expected = units;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const TimedUnit& a, const TimedUnit& b) { return a.pts < b.pts; });
    const auto got = test::UnitsOfStream(after, 0x20);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        // Its time, or the start of the film frame less than 1 ms before it.
        const int64_t at = first + int64_t(expected[i].pts);
        EXPECT_TRUE(got[i].pts <= at && at - got[i].pts < 90)
            << "unit " << i << ": " << got[i].pts << ", not " << at;
        EXPECT_EQ(got[i].bytes, expected[i].bytes) << "unit " << i;
    }
    // Video, audio and navigation packets: the same, in the same order.
    EXPECT_EQ(Fingerprints(after), Fingerprints(before));
    EXPECT_EQ(Fingerprints(before).count(0x1E0), 1u);  // video
    EXPECT_EQ(Fingerprints(before).count(0x80), 1u);   // AC-3 audio
}

// The stream's own structure: whole 2048-byte packs, SCRs that keep
// increasing, the input's bytes in order; each unit whole well before its
// PTS, and never more units held than the player's sub-picture buffer takes.
TEST_P(MuxStandard, InsertedPacksAreWholeAheadOfTimeAndLeaveTheInputBytesInOrder) {
    const bool pal = GetParam();
    const std::string& video = DvdMpeg(pal);
    TempDir dir;
    const auto units = MakeUnits(kStarts, pal ? 576 : 480);
    MuxSubPicturesIntoFile(video, dir.File("out.mpg"), 3, units);

    const auto input = ReadAll(video);
    const auto output = ReadAll(dir.File("out.mpg"));
    ASSERT_EQ(input.size() % 2048, 0u);
    ASSERT_EQ(output.size() % 2048, 0u);
    uint64_t previousScr = 0;
    size_t copied = 0;  // input bytes matched so far
    // Per unit of the stream: its PTS, the SCRs of its first and last packs,
    // its size.
    struct Delivered {
        int64_t pts = -1;
        uint64_t firstScr = 0, lastScr = 0;
        size_t size = 0;
    };
    std::vector<Delivered> delivered;
    uint32_t muxRate = 0;
    for (size_t at = 0; at < output.size(); at += 2048) {
        MemorySource source(output.data() + at, 2048);
        ProgramStreamReader reader(source);
        PsItem header, packet;
        ASSERT_TRUE(reader.Next(header) && header.kind == PsItemKind::PackHeader) << "at byte " << at;
        if (at > 0) {
            EXPECT_GT(header.scr, previousScr) << "at byte " << at;
        }
        previousScr = header.scr;
        muxRate = header.muxRate;
        if (reader.Next(packet) && packet.streamId == 0xBD && packet.subStreamId == 0x23) {
            if (packet.pts >= 0) delivered.push_back({packet.pts, header.scr, header.scr, 0});
            delivered.back().lastScr = header.scr;
            continue;
        }
        ASSERT_LE(copied + 2048, input.size());
        ASSERT_TRUE(std::equal(output.begin() + at, output.begin() + at + 2048, input.begin() + copied))
            << "input byte " << copied;
        copied += 2048;
    }
    EXPECT_EQ(copied, input.size());
    ASSERT_EQ(delivered.size(), units.size());

    auto sorted = units;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TimedUnit& a, const TimedUnit& b) { return a.pts < b.pts; });
    const uint64_t packTicks = 2048 * 90000 / (uint64_t(muxRate) * 50) + 1;
    for (size_t i = 0; i < delivered.size(); ++i) {
        const Delivered& d = delivered[i];
        EXPECT_LE(d.firstScr + kLeastSubPictureLead, uint64_t(d.pts)) << "unit " << i;
        EXPECT_LE(d.lastScr + packTicks, uint64_t(d.pts)) << "unit " << i;
        // Held from its first pack until its stop-display command.
        size_t held = 0;
        for (size_t k = 0; k <= i; ++k) {
            const uint64_t leave =
                uint64_t(delivered[k].pts) + UnitShownTicks(sorted[k].bytes.data(), sorted[k].bytes.size());
            if (leave > d.firstScr) held += sorted[k].bytes.size();
        }
        EXPECT_LE(held, kSubPictureBufferSize) << "unit " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(PalAndNtsc, MuxStandard, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Pal" : "Ntsc"; });

// The whole path: dvdauthor takes the muxed film with the palette file and
// writes a title set whose VOB holds every unit and whose IFO holds the
// palette.
TEST(MuxDvdauthor, BuildsADiscWithEveryUnitAndThePaletteFile) {
    const std::string& video = DvdMpeg(true);
    TempDir dir;
    const auto units = MakeUnits(kStarts, 576);
    MuxSubPicturesIntoFile(video, dir.File("film.muxed.mpg"), 0, units);
    DiscPalette palette = GenericDiscPalette();
    palette[7] = 0x51F05A;  // one coloured entry, to see it arrive
    WritePaletteFile(dir.File("film.palette.yuv"), palette);
    std::ofstream(dir.File("dvd.xml")) << "<dvdauthor dest=\"" << dir.File("dvd") << "\">\n"
                                       << "  <vmgm />\n  <titleset>\n    <titles>\n"
                                       << "      <subpicture lang=\"en\" />\n"
                                       << "      <pgc palette=\"" << dir.File("film.palette.yuv") << "\">\n"
                                       << "        <vob file=\"" << dir.File("film.muxed.mpg") << "\" />\n"
                                       << "      </pgc>\n    </titles>\n  </titleset>\n</dvdauthor>\n";
    const int status = std::system(("VIDEO_FORMAT=PAL dvdauthor -x '" + dir.File("dvd.xml") + "' >'" +
                                    dir.File("dvdauthor.log") + "' 2>&1")
                                       .c_str());
    const std::string log = TempDir::Read(dir.File("dvdauthor.log"));
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(log.find("WARN"), std::string::npos) << log;

    const auto vob = test::DemuxProgramStream(dir.File("dvd/VIDEO_TS/VTS_01_1.VOB"));
    const auto got = test::UnitsOfStream(vob, 0x20);
    EXPECT_EQ(got.size(), units.size());
    const IfoPalette ifo = ReadIfoPalette(dir.File("dvd/VIDEO_TS/VTS_01_0.IFO"));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(ifo.entries[i], palette[i]) << "entry " << i;
}

TEST(Mux, UnitsPastTheVideosEndAreAppendedAndCounted) {
    const std::string& video = DvdMpeg(true);
    TempDir dir;
    const auto units = MakeUnits({1000, 59000, 61000, 75000, 3600000}, 576);
    const MuxReport report = MuxSubPicturesIntoFile(video, dir.File("out.mpg"), 0, units);
    EXPECT_EQ(report.units, 5);
    EXPECT_EQ(report.pastEnd, 3);
    const auto got = test::UnitsOfStream(test::DemuxProgramStream(dir.File("out.mpg")), 0x20);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[4].pts, report.firstVideoPts + 3600000 * 90);
    EXPECT_EQ(got[4].bytes, units[4].bytes);
    // The last three units come after every input pack.
    const auto input = ReadAll(video);
    const auto output = ReadAll(dir.File("out.mpg"));
    size_t tail = 0;
    for (size_t i = 2; i < 5; ++i) tail += SubPicturePackCount(units[i].bytes.size()) * 2048;
    ASSERT_GT(output.size(), tail + 2048);
    EXPECT_TRUE(std::equal(input.end() - 2048, input.end(), output.end() - tail - 2048));
}

TEST(Mux, ASecondStreamNumberGoesBesideTheFirstAndAnExistingOneIsRefused) {
    const std::string& video = DvdMpeg(false);
    TempDir dir;
    const auto first = MakeUnits({1000, 2000}, 480);
    const auto second = MakeUnits({1500, 2500, 3500}, 480);
    MuxSubPicturesIntoFile(video, dir.File("one.mpg"), 0, first);
    MuxSubPicturesIntoFile(dir.File("one.mpg"), dir.File("two.mpg"), 1, second);
    const auto packets = test::DemuxProgramStream(dir.File("two.mpg"));
    EXPECT_EQ(test::UnitsOfStream(packets, 0x20).size(), 2u);
    ASSERT_EQ(test::UnitsOfStream(packets, 0x21).size(), 3u);
    EXPECT_EQ(test::UnitsOfStream(packets, 0x21)[2].bytes, second[2].bytes);

    try {
        MuxSubPicturesIntoFile(dir.File("two.mpg"), dir.File("three.mpg"), 1, second);
        FAIL() << "stream 1 muxed twice";
    } catch (const ProgramStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("already has sub-picture stream 1 (sub-stream 0x21)"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("three.mpg")));
}

// Inputs that are refused leave nothing behind: no output, no temporary file.
TEST(Mux, RefusesWhatIsNotAWholeMpeg2ProgramStream) {
    TempDir dir;
    const auto units = MakeUnits({1000}, 576);
    const auto dvd = ReadAll(DvdMpeg(true));
    std::string random(100000, '\0');
    uint32_t state = 12345;
    for (char& c : random) c = char((state = state * 1664525u + 1013904223u) >> 24);
    dir.Write("random.mpg", random);
    dir.Write("truncated.mpg", std::string(dvd.begin(), dvd.begin() + 1000000 + 777));
    ASSERT_TRUE(
        test::Run("ffmpeg -nostdin -y -f lavfi -i smptebars=size=720x576:duration=0.2 -c:v mpeg2video "
                  "-f mpeg2video '" +
                  dir.File("elementary.m2v") + "'"));
    ASSERT_TRUE(
        test::Run("ffmpeg -nostdin -y -f lavfi -i smptebars=size=352x288:duration=0.2 -c:v mpeg1video "
                  "-f mpeg '" +
                  dir.File("mpeg1.mpg") + "'"));
    dir.Write("empty.mpg", "");

    const std::map<std::string, std::string> expected = {
        {"random.mpg", "not an MPEG program stream"},     {"truncated.mpg", "truncated"},
        {"elementary.m2v", "not an MPEG program stream"}, {"mpeg1.mpg", "MPEG-1"},
        {"empty.mpg", "not an MPEG program stream"},
    };
    for (const auto& [name, words] : expected) {
        try {
            MuxSubPicturesIntoFile(dir.File(name), dir.File("out.mpg"), 0, units);
            ADD_FAILURE() << name << " was muxed";
        } catch (const ProgramStreamError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(dir.File(name) + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(words), std::string::npos) << message;
        }
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"elementary.m2v", "empty.mpg", "mpeg1.mpg", "random.mpg",
                                              "truncated.mpg"}));
}

TEST(Mux, RefusesToWriteOverTheVideoItself) {
    TempDir dir;
    std::filesystem::copy_file(DvdMpeg(true), dir.File("film.mpg"));
    const auto size = std::filesystem::file_size(dir.File("film.mpg"));
    EXPECT_THROW(MuxSubPicturesIntoFile(dir.File("film.mpg"), dir.File("./film.mpg"), 0, MakeUnits({0}, 576)),
                 ProgramStreamError);
    EXPECT_EQ(std::filesystem::file_size(dir.File("film.mpg")), size);
}

TEST(PaletteFile, GenericPaletteIsTheFourGreysThenTwelveBlacksInVideoRange) {
    EXPECT_EQ(PaletteFileText(GenericDiscPalette()),
              "108080\n558080\nAA8080\nEB8080\n108080\n108080\n108080\n108080\n"
              "108080\n108080\n108080\n108080\n108080\n108080\n108080\n108080\n");
    DiscPalette ifo{};
    ifo[0] = 0x01EB8080;  // the reserved byte is not part of the line
    EXPECT_EQ(PaletteFileText(ifo).substr(0, 14), "EB8080\n000000\n");
}

}  // namespace
}  // namespace glyphon
