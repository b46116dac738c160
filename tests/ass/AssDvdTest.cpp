// A styled script into the DVD outputs: the VobSub pair read back by
// libavformat and libavcodec's dvdsub decoder, each unit in four colours of
// the stream palette and placed where libass draws the text; the muxed film
// authored by dvdauthor.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "ass/AssDvd.h"
#include "ass/AssScript.h"
#include "core/Convert.h"
#include "render/TextEngine.h"
#include "support/DvdMpeg.h"
#include "support/DvdSubDecoder.h"
#include "support/SubtitleDemuxer.h"
#include "support/TempDir.h"

namespace glyphon::test {

TEST(AssDvd, UnitsShowFourColoursOfTheScriptsPaletteWhereLibassDrawsThem) {
    TempDir dir;
    const std::string script = dir.Write(
        "film.ass",
        "[Script Info]\nScriptType: v4.00+\nPlayResX: 720\nPlayResY: 576\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, OutlineColour, BorderStyle, Outline, Alignment\n"
        "Style: Default,DejaVu Sans,36,&H00FFFFFF,&H00000000,1,2,2\n\n[Events]\n"
        "Format: Layer, Start, End, Style, Text\n"
        "Dialogue: 0,0:00:01.00,0:00:02.00,Default,Dialogue at the bottom\n"
        "Dialogue: 0,0:00:03.00,0:00:04.00,Default,{\\an8\\c&H00FFFF&}A yellow sign at the top\n"
        "Dialogue: 0,0:00:05.00,0:00:05.20,Default,{\\move(100,300,600,300)}Moving\n");
    ConversionJob job;
    job.subtitle.file = script;
    job.outputs.Set("sup", false);
    job.outputs.Set("vobsub", true);
    auto engine = CreateFreeTypeEngine();
    const ConversionReport report = RunConversion(job, *engine);
    ASSERT_FALSE(report.failure) << report.failure->message;
    const std::string index = TempDir::Read(dir.File("film.idx"));
    EXPECT_NE(index.find("palette: ffffff, 000000, ffff00"), std::string::npos) << index;

    const DemuxedSubtitles read = DemuxSubtitles(dir.File("film.idx"));
    // Two still events and one change per frame of the move (25 a second).
    ASSERT_EQ(read.packets.size(), 2u + 5u);
    AssScript drawn(script, 720, 576);
    drawn.SetPixelAspect(DvdPixelAspect(576, false));
    for (const DemuxedPacket& packet : read.packets) {
        SCOPED_TRACE(packet.ptsMs);
        DvdSubDecoder decoder;
        const std::optional<DecodedSubPicture> shown = decoder.Decode(packet.data);
        ASSERT_TRUE(shown);
        AssPicture picture;
        drawn.Draw(packet.ptsMs, picture);
        // The ink that is at least a quarter opaque, within two pixels.
        EXPECT_NEAR(shown->x, picture.x, 2);
        EXPECT_NEAR(shown->y, picture.y, 2);
        EXPECT_NEAR(shown->x + shown->w, picture.x + picture.width, 2);
        EXPECT_NEAR(shown->y + shown->h, picture.y + picture.height, 2);
    }
    // The sign's text in the script's yellow, its outline black.
    EXPECT_EQ(read.packets[1].rgb[1], 0xFFFF00u);
    EXPECT_EQ(read.packets[1].rgb[2], 0x000000u);
}

// DVD pixels are not square: a circle drawn in a script made for the film's
// shape, and a round letter, show as wide as tall once the player stretches
// the frame's 720 columns to 4:3 or 16:9 of its rows.
TEST(AssDvd, CirclesShowRoundAtTheDisplayAspect) {
    const std::string circle =
        "{\\an7\\pos(200,60)\\p1}m 120 0 b 186 0 240 54 240 120 b 240 186 186 240 120 240 "
        "b 54 240 0 186 0 120 b 0 54 54 0 120 0";
    for (const bool wide : {false, true})
        for (const VideoStandard standard : {VideoStandard::Pal, VideoStandard::Ntsc})
            for (const std::string& text : {circle, std::string("{\\an5\\pos(320,180)\\fs150}\u25CF")}) {
                const int rows = standard == VideoStandard::Pal ? 576 : 480;
                SCOPED_TRACE(std::to_string(rows) + (wide ? " 16:9 " : " 4:3 ") + text);
                TempDir dir;
                const std::string script = dir.Write(
                    "round.ass",
                    std::string("[Script Info]\nPlayResX: 640\nPlayResY: ") + (wide ? "360" : "480") +
                        "\n\n[V4+ Styles]\nFormat: Name, Fontname, Outline, Shadow\nStyle: Default,"
                        "DejaVu Sans,0,0\n\n[Events]\nFormat: Start, End, Style, Text\n"
                        "Dialogue: 0:00:01.00,0:00:02.00,Default," +
                        text + "\n");
                ConversionJob job;
                job.subtitle.file = script;
                job.palette.standard = standard;
                job.look.widescreen = wide;
                job.outputs.Set("sup", false);
                job.outputs.Set("vobsub", true);
                auto engine = CreateFreeTypeEngine();
                ASSERT_FALSE(RunConversion(job, *engine).failure);
                const DemuxedSubtitles read = DemuxSubtitles(dir.File("round.idx"));
                ASSERT_EQ(read.packets.size(), 1u);
                const std::optional<DecodedSubPicture> shown = DvdSubDecoder().Decode(read.packets[0].data);
                ASSERT_TRUE(shown);
                EXPECT_GT(shown->h, rows / 5);
                const double shownWidth = shown->w * ((wide ? 16.0 / 9 : 4.0 / 3) * rows / 720.0);
                EXPECT_NEAR(shownWidth / shown->h, 1.0, 0.03) << shown->w << " x " << shown->h;
            }
}

// A large animated sign changes every frame: the units a player's 53,220-byte
// sub-picture buffer could not take (each arrives 150 ms ahead and stays
// until its picture is gone) are left out and counted, and the pictures
// kept follow each other without a gap.
TEST(AssDvd, AnimationCappedWhereThePlayersBufferCouldNotKeepUp) {
    TempDir dir;
    std::string noise;
    for (int i = 0; i < 60; ++i) noise += char('A' + (i * 7) % 26), noise += i % 12 == 11 ? "\\N" : " ";
    const std::string script = dir.Write(
        "sign.ass",
        "[Script Info]\nScriptType: v4.00+\nPlayResX: 720\nPlayResY: 576\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, OutlineColour, BorderStyle, Outline, Alignment\n"
        "Style: Default,DejaVu Sans,40,&H00FFFFFF,&H00000000,1,3,5\n\n[Events]\n"
        "Format: Layer, Start, End, Style, Text\n"
        "Dialogue: 0,0:00:01.00,0:00:03.00,Default,{\\move(300,200,420,380)\\frz10\\t(\\frz-10)}" +
            noise + "\n");
    ConversionJob job;
    job.subtitle.file = script;
    job.outputs.Set("sup", false);
    job.outputs.Set("vobsub", true);
    auto engine = CreateFreeTypeEngine();
    const ConversionReport report = RunConversion(job, *engine);
    ASSERT_FALSE(report.failure) << report.failure->message;
    ASSERT_EQ(report.warnings.size(), 1u);
    const int leftOut = std::stoi(report.warnings[0]);
    const DemuxedSubtitles read = DemuxSubtitles(dir.File("sign.idx"));
    EXPECT_GT(leftOut, 0);
    EXPECT_EQ(read.packets.size() + size_t(leftOut), 50u);  // 2 s at 25 frames a second
    DvdSubDecoder decoder;
    for (size_t i = 0; i < read.packets.size(); ++i) {
        const auto shown = decoder.Decode(read.packets[i].data);
        ASSERT_TRUE(shown);
        const int64_t start = read.packets[i].ptsMs, end = start + shown->endMs;
        if (i + 1 < read.packets.size()) {
            EXPECT_NEAR(end, read.packets[i + 1].ptsMs, 12);
        }
        size_t held = 0;
        for (size_t k = 0; k <= i; ++k)
            if (k == i || read.packets[k + 1].ptsMs > start - 150) held += read.packets[k].data.size();
        EXPECT_LE(held, 53220u) << "unit at " << start;
    }
}

// The same kind of script muxed into a film: dvdauthor authors the project
// without a warning, every unit in the film is one the VobSub index has, and
// the palette file dvdauthor reads holds the index's colours (Y'CrCb by
// BT.601 in video range).
TEST(AssDvdDisc, MuxedFilmAuthoredWithTheScriptsPalette) {
    TempDir dir;
    const std::string script = dir.Write(
        "film.ass",
        "[Script Info]\nScriptType: v4.00+\nPlayResX: 720\nPlayResY: 576\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, OutlineColour, BorderStyle, Outline, Alignment\n"
        "Style: Default,DejaVu Sans,36,&H00FFFFFF,&H00000000,1,2,2\n\n[Events]\n"
        "Format: Layer, Start, End, Style, Text\n"
        "Dialogue: 0,0:00:01.00,0:00:02.00,Default,{\\c&H4040FF&}Red dialogue at the bottom\n"
        "Dialogue: 0,0:00:03.00,0:00:04.00,Default,{\\an8\\c&H00FFFF&\\3c&H800000&}A yellow sign on navy\n");
    ConversionJob job;
    job.subtitle.file = script;
    job.outputs.Set("sup", false);
    job.outputs.Set("vobsub", true);
    job.outputs.mux.video = DvdMpeg(true);
    auto engine = CreateFreeTypeEngine();
    const ConversionReport report = RunConversion(job, *engine);
    ASSERT_FALSE(report.failure) << report.failure->message;
    EXPECT_TRUE(report.warnings.empty()) << report.warnings[0];

    const DemuxedSubtitles indexed = DemuxSubtitles(dir.File("film.idx"));
    const auto muxed = UnitsOfStream(DemuxProgramStream(dir.File("film.muxed.mpg")), 0x20);
    ASSERT_EQ(muxed.size(), indexed.packets.size());
    for (size_t i = 0; i < muxed.size(); ++i) EXPECT_EQ(muxed[i].bytes, indexed.packets[i].data);

    const std::string index = TempDir::Read(dir.File("film.idx"));
    std::istringstream listed(index.substr(index.find("palette:") + 8));
    std::istringstream yuv(TempDir::Read(dir.File("film.palette.yuv")));
    std::string line;
    for (size_t i = 0; i < 16; ++i) {
        std::string entry;
        ASSERT_TRUE(std::getline(yuv, line) && std::getline(listed, entry, ',')) << "entry " << i;
        const unsigned want = unsigned(std::stoul(entry, nullptr, 16));
        const unsigned v = unsigned(std::stoul(line, nullptr, 16));
        const double y = 1.164 * (int(v >> 16) - 16), cr = int(v >> 8 & 0xFF) - 128, cb = int(v & 0xFF) - 128;
        const double rgb[3] = {y + 1.596 * cr, y - 0.813 * cr - 0.391 * cb, y + 2.018 * cb};
        for (int n = 0; n < 3; ++n)
            EXPECT_NEAR(std::clamp(rgb[n], 0.0, 255.0), double(want >> (16 - 8 * n) & 0xFF), 4)
                << "entry " << i << " " << line;
    }

    std::filesystem::create_directories(dir.File("elsewhere"));
    const std::string log = dir.File("dvdauthor.log");
    const int status = std::system(("cd '" + dir.File("elsewhere") + "' && dvdauthor -o DVD -x '" +
                                    dir.File("film.dvdauthor.xml") + "' >'" + log + "' 2>&1")
                                       .c_str());
    const std::string said = TempDir::Read(log);
    EXPECT_EQ(status, 0) << "dvdauthor (Debian package dvdauthor):\n" << said;
    EXPECT_EQ(said.find("WARN"), std::string::npos) << said;
    EXPECT_EQ(said.find("ERR"), std::string::npos) << said;
    EXPECT_EQ(UnitsOfStream(DemuxProgramStream(dir.File("elsewhere/DVD/VIDEO_TS/VTS_01_1.VOB")), 0x20).size(),
              muxed.size());
}

}  // namespace glyphon::test
