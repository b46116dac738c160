// SubRip <font color> on DVD: VobSub and muxed-film units decoded by
// libavcodec with the palette each output wrote (.idx; NAME.palette.yuv as
// BT.601 video range) show their text (the lightest colour) in the cue's.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(DvdColour, FontColoursShowThroughTheStreamPalette) {
    const std::string kTwo =
        "1\n00:00:01,000 --> 00:00:02,000\n<font color=\"yellow\">Yellow words</font>\n\n"
        "2\n00:00:03,000 --> 00:00:04,000\nPlain white words\n";
    const struct {  // the text colour of each unit
        bool muxed;
        std::string cues;
        std::vector<uint32_t> text;
        bool warned;
    } rows[] = {
        {false, kTwo, {0xFFFF00, 0xFFFFFF}, false},
        {true, kTwo, {0xFFFF00, 0xFFFFFF}, false},
        // One text colour a unit: the most letters' colour, the other lost.
        {false,
         "1\n00:00:01,000 --> 00:00:02,000\nWhite <font color=\"#00FFFF\">cyan cyan cyan</font>\n",
         {0x00FFFF},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.cues);
        TempDir dir;
        ConversionJob job;
        job.subtitle.file = dir.Write("film.srt", row.cues);
        for (size_t i = 0; i < 16; ++i) job.palette.colours[i] = GenericPalette()[i].color;
        job.palette.disc = GenericDiscEntries(),
        job.palette.roles = RoleIndices{kGenericAntialias, kGenericOutline, kGenericText, kGenericBackground};
        job.outputs.Set("vobsub", true);
        if (row.muxed) job.outputs.mux.video = DvdMpeg(true);
        const ConversionReport report = RunConversion(job, *CreateFreeTypeEngine());
        ASSERT_FALSE(report.failure) << report.failure->message;
        EXPECT_EQ(report.warnings.size(), row.warned ? 1u : 0u);
        std::vector<std::vector<uint8_t>> units;
        for (const DemuxedPacket& p : DemuxSubtitles(dir.File("film.idx")).packets) units.push_back(p.data);
        if (row.muxed) {  // the film's own units, and dvdauthor (Debian package dvdauthor) takes the project
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
        ASSERT_EQ(units.size(), row.text.size());
        DvdSubDecoder decoder(PaletteOf(dir, row.muxed));
        for (size_t i = 0; i < units.size(); ++i) {
            const auto shown = decoder.Decode(units[i]);
            ASSERT_TRUE(shown);
            const auto luma = [](uint32_t c) {
                return (c >> 16 & 0xFF) * 299 + (c >> 8 & 0xFF) * 587 + (c & 0xFF) * 114;
            };
            uint32_t lightest = 0;  // of the codes the picture uses
            for (const auto& line : shown->codes)
                for (const uint8_t code : line)
                    if (code != 0 && luma(shown->argb[code]) > luma(lightest))
                        lightest = shown->argb[code] & 0xFFFFFF;
            for (int n = 0; n < 3; ++n)
                EXPECT_NEAR(int(lightest >> 8 * n & 0xFF), int(row.text[i] >> 8 * n & 0xFF), 4) << i;
        }
    }
}

}  // namespace glyphon::test
