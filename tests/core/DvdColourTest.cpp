// SubRip <font color> on DVD: .sup, VobSub and muxed-film units decoded by
// libavcodec with the palette each output wrote (.idx, which the .sup's
// stream shares; NAME.palette.yuv as BT.601 video range) show each letter
// in its cue's colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "core/Convert.h"
#include "palette/Palette.h"
#include "render/TextEngine.h"
#include "support/DvdMpeg.h"
#include "support/DvdSubDecoder.h"
#include "support/SubtitleDemuxer.h"
#include "support/TempDir.h"

namespace glyphon::test {

static std::array<uint32_t, 16> PaletteOf(const TempDir& dir, bool muxed) {
    std::array<uint32_t, 16> rgb{};
    const std::string index = TempDir::Read(dir.File("film.idx"));
    std::istringstream listed(index.substr(index.find("palette:") + 8)),
        yuv(TempDir::Read(dir.File("film.palette.yuv")));
    for (uint32_t& entry : rgb) {
        std::string text;
        std::getline(muxed ? yuv : listed, text, muxed ? '\n' : ',');
        const unsigned v = unsigned(std::stoul(text, nullptr, 16));
        if (!muxed) entry = v;
        const double y = 1.164 * (int(v >> 16) - 16), cr = int(v >> 8 & 0xFF) - 128, cb = int(v & 0xFF) - 128;
        for (const double c : {y + 1.596 * cr, y - 0.813 * cr - 0.391 * cb, y + 2.018 * cb})
            if (muxed) entry = entry << 8 | unsigned(std::clamp(c + 0.5, 0.0, 255.0));
    }
    return rgb;
}

// The colours of the letters of each text line of a decoded picture, left
// to right: pixels shown within a few levels of one of `colours`, lines
// apart where a row has none, a colour listed when its columns start.
static std::vector<std::vector<uint32_t>> LetterColours(const DecodedSubPicture& shown,
                                                        const std::vector<uint32_t>& colours) {
    const auto near = [](uint32_t a, uint32_t b) {
        for (int n = 0; n < 24; n += 8)
            if (std::abs(int(a >> n & 0xFF) - int(b >> n & 0xFF)) > 6) return false;
        return true;
    };
    std::vector<std::vector<uint32_t>> lines;
    std::vector<std::pair<int, uint32_t>> line;  // first column, colour
    for (size_t y = 0; y <= shown.codes.size(); ++y) {
        bool letters = false;
        for (size_t x = 0; y < shown.codes.size() && x < shown.codes[y].size(); ++x)
            for (const uint32_t c : colours)
                if (const uint8_t code = shown.codes[y][x]; code != 0 && near(shown.argb[code], c)) {
                    letters = true;
                    auto at = std::find_if(line.begin(), line.end(), [&](auto& e) { return e.second == c; });
                    if (at == line.end()) at = line.insert(at, {int(x), c});
                    at->first = std::min(at->first, int(x));
                }
        if (letters || line.empty()) continue;
        std::sort(line.begin(), line.end());
        lines.emplace_back();
        for (const auto& [column, colour] : line) lines.back().push_back(colour);
        line.clear();
    }
    return lines;
}

TEST(DvdColour, FontColoursShowThroughTheStreamPalette) {
    constexpr uint32_t kWhite = 0xFFFFFF, kYellow = 0xFFFF00, kCyan = 0x00FFFF;
    const std::string kTwo =
        "1\n00:00:01,000 --> 00:00:02,000\n<font color=\"yellow\">Yellow words</font>\n\n"
        "2\n00:00:03,000 --> 00:00:04,000\nPlain white words\n";
    // Two colours in one unit: a dash in white before a yellow word, a white line.
    const std::string kDialogue =
        "1\n00:00:01,000 --> 00:00:02,000\n- <font color=yellow>Hello</font>\n- Hi\n\n"
        "2\n00:00:03,000 --> 00:00:04,000\n<font color=\"#00FFFF\">ANNA:</font> Where?\n";
    enum Output { kSup, kVobSub, kMuxed };
    const struct {
        Output output;
        std::string cues;
        std::vector<std::vector<std::vector<uint32_t>>> units;  // each line's letter colours
        bool warned;
    } rows[] = {
        {kVobSub, kTwo, {{{kYellow}}, {{kWhite}}}, false},
        {kMuxed, kTwo, {{{kYellow}}, {{kWhite}}}, false},
        {kSup, kDialogue, {{{kWhite, kYellow}, {kWhite}}, {{kCyan, kWhite}}}, false},
        {kVobSub, kDialogue, {{{kWhite, kYellow}, {kWhite}}, {{kCyan, kWhite}}}, false},
        {kMuxed, kDialogue, {{{kWhite, kYellow}, {kWhite}}, {{kCyan, kWhite}}}, false},
        // Three colours: the most letters' colour, the others lost.
        {kVobSub,
         "1\n00:00:01,000 --> 00:00:02,000\n<font color=yellow>Ye</font> White <font "
         "color=\"#00FFFF\">cyan cyan cyan</font>\n",
         {{{kCyan}}},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.cues + " into output " + std::to_string(row.output));
        TempDir dir;
        ConversionJob job;
        job.subtitle.file = dir.Write("film.srt", row.cues);
        for (size_t i = 0; i < 16; ++i) job.palette.colours[i] = GenericPalette()[i].color;
        job.palette.disc = GenericDiscEntries(),
        job.palette.roles = RoleIndices{kGenericAntialias, kGenericOutline, kGenericText, kGenericBackground};
        job.outputs.Set("vobsub", true);
        job.outputs.Set("sup", row.output == kSup);
        if (row.output == kMuxed) job.outputs.mux.video = DvdMpeg(true);
        const ConversionReport report = RunConversion(job, *CreateFreeTypeEngine());
        ASSERT_FALSE(report.failure) << report.failure->message;
        EXPECT_EQ(report.warnings.size(), row.warned ? 1u : 0u);
        std::vector<std::vector<uint8_t>> units;
        for (const DemuxedPacket& p : DemuxSubtitles(dir.File("film.idx")).packets) units.push_back(p.data);
        if (row.output == kSup) {
            units.clear();
            for (SupRecord& r : SplitSupFile(TempDir::Read(dir.File("film.sup")))) units.push_back(r.unit);
        }
        if (row.output ==
            kMuxed) {  // the film's own units, and dvdauthor (Debian package dvdauthor) takes the project
            units.clear();
            for (auto& u : UnitsOfStream(DemuxProgramStream(dir.File("film.muxed.mpg")), 0x20))
                units.push_back(u.bytes);
            EXPECT_EQ(
                std::system(
                    ("cd '" + dir.path() + "' && dvdauthor -o DVD -x film.dvdauthor.xml >log 2>&1").c_str()),
                0);
            EXPECT_EQ(TempDir::Read(dir.File("log")).find("WARN"), std::string::npos)
                << TempDir::Read(dir.File("log"));
        }
        ASSERT_EQ(units.size(), row.units.size());
        DvdSubDecoder decoder(PaletteOf(dir, row.output == kMuxed));
        for (size_t i = 0; i < units.size(); ++i) {
            const auto shown = decoder.Decode(units[i]);
            ASSERT_TRUE(shown);
            EXPECT_EQ(LetterColours(*shown, {kWhite, kYellow, kCyan}), row.units[i]) << i;
        }
    }
}

}  // namespace glyphon::test
