// What a viewer sees: a DVD authored by dvdauthor from `glyphon convert
// --mux` on an ffmpeg-made film, read back by libavformat and decoded by
// libavcodec; and FFmpeg's overlay of the muxed film beside spumux's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "cli/CliSupport.h"
#include "render/FontTables.h"
#include "render/Renderer.h"
#include "render/StyledLines.h"
#include "support/DvdMpeg.h"
#include "support/DvdSubDecoder.h"
#include "support/PgsDecoder.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

namespace {

struct Cue {
    int64_t start = 0, end = 0;  // ms
    std::string line1, line2;
};

std::string SrtTime(int64_t ms) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d,%03d", int(ms / 3600000), int(ms / 60000 % 60),
                  int(ms / 1000 % 60), int(ms % 1000));
    return text;
}

// UTF-8 with a byte-order mark.
std::string Srt(const std::vector<Cue>& cues) {
    std::string srt = "\xEF\xBB\xBF";
    for (size_t i = 0; i < cues.size(); ++i) {
        srt += std::to_string(i + 1) + "\r\n" + SrtTime(cues[i].start) + " --> " + SrtTime(cues[i].end) +
               "\r\n" + cues[i].line1 + "\r\n";
        if (!cues[i].line2.empty()) srt += cues[i].line2 + "\r\n";
        srt += "\r\n";
    }
    return srt;
}

// Twelve subtitles with the usual two-frame gaps, accents reaching the top of
// their cells; the fifth runs on into the sixth. Last in the file, a sign at
// the top comes with the third and a second speaker with the eighth.
std::vector<Cue> Cues() {
    const char* const texts[][2] = {
        {"Élodie est à l'école", ""},
        {"Über den Ärger", "sprechen wir später"},
        {"ŽELJKO ČAĆA", ""},
        {"Ça va, Noël ?", "Très bien, Hélène."},
        {"Où est l'hôtel ?", ""},
        {"À demain !", ""},
        {"Ève, Ôtez ça", "Ñandú"},
        {"Ålesund – Østfold", ""},
        {"Ich wünsche Ihnen", "Glück"},
        {"ÉTÉ ÎLE ÂGE", ""},
        {"Dernière ligne", "Fin"},
        {"Ürün", ""},
    };
    std::vector<Cue> cues;
    for (int i = 0; i < 12; ++i) {
        const int64_t start = 2000 + 4000 * i;
        cues.push_back({start, start + 3920, texts[i][0], texts[i][1]});
    }
    cues[4].end = cues[5].start + 600;
    cues.push_back({cues[2].start, cues[2].end, "{\\an8}GARE DE LYON", ""});
    cues.push_back({cues[7].start, cues[7].end, "- Ja, Øystein.", ""});
    return cues;
}

// What is on screen from start to end: lines stacked at the bottom and at the
// top.
struct Picture {
    int64_t start = 0, end = 0;
    std::vector<std::string> bottom, top;
};

// Every cue on screen for its whole time: the fifth alone, with the sixth
// until it ends, the sixth alone; the sign above the third; the two speakers
// one under the other.
std::vector<Picture> Pictures(const std::vector<Cue>& c) {
    std::vector<Picture> p;
    for (size_t i = 0; i < 12; ++i) {
        p.push_back({c[i].start, c[i].end, {c[i].line1}, {}});
        if (!c[i].line2.empty()) p.back().bottom.push_back(c[i].line2);
    }
    p[2].top = {"GARE DE LYON"};
    p[7].bottom.push_back(c[13].line1);
    p[4].end = c[5].start;
    p.insert(p.begin() + 5, Picture{c[5].start, c[4].end, {c[4].line1, c[5].line1}, {}});
    p[6].start = c[4].end;
    return p;
}

int64_t FirstVideoPts(const std::vector<ProgramStreamPacket>& packets) {
    int64_t first = -1;
    for (const ProgramStreamPacket& p : packets)
        if (p.streamId == 0x1E0 && p.pts >= 0 && (first < 0 || p.pts < first)) first = p.pts;
    return first;
}

// The frame rows each line's text (with its outline) covers, from the text
// engine's glyph masks placed where the renderer places its lines.
std::vector<std::set<int>> TextRows(TextEngine& engine, std::vector<std::string> lines, bool top,
                                    int frameHeight) {
    const FontSpec font{"DejaVu Sans", 20, kUtf8Charset, 0};
    constexpr int kOutline = 3;
    if (lines.size() < 2) lines.push_back("");
    std::vector<TextExtent> extents;
    for (const std::string& line : lines) extents.push_back(MeasureRunLine(engine, PlainLine(line), font));
    const StackPlacement p = PlaceLines(extents, 720, frameHeight, 30, -4, Alignment::Center, top);
    std::vector<std::set<int>> rows(lines.size());
    LineMask mask;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        engine.DrawLineMask(lines[i], font, mask);
        for (int r = mask.top - kOutline; r < mask.top + mask.height + kOutline; ++r)
            rows[i].insert(p.y[i] + r);
    }
    return rows;
}

int Shell(const std::string& command, const std::string& log) {
    return std::system(("(" + command + ") >>'" + log + "' 2>&1").c_str());
}

}  // namespace

class Viewer : public ::testing::TestWithParam<bool> {};

// The film's own standard is taken (no --standard); the disc is authored with
// the commands the help file prints; every subtitle is shown from its first
// frame to its last within one frame, together with those on screen with it,
// with nothing drawn outside their text.
TEST_P(Viewer, AuthoredDiscShowsEverySubtitleOnItsFramesAndNothingButItsText) {
    const bool pal = GetParam();
    const int frameHeight = pal ? 576 : 480;
    const int64_t frameTicks = pal ? 3600 : 3003;
    TempDir dir;
    const std::vector<Cue> cues = Cues();
    const std::string subtitle = dir.Write("film.srt", Srt(cues));
    const RunResult r =
        RunNamed({"--mux", DvdMpeg(pal), "--font", "DejaVu Sans", "-o", dir.File("out"), subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;

    const std::string out = dir.File("out/film");
    EXPECT_NE(TempDir::Read(out + ".Glyphon_Help.txt")
                  .find("Generated Files:\r\n" + out + ".muxed.mpg\r\n" + out + ".palette.yuv\r\n" + out +
                        ".dvdauthor.xml\r\n" + out + ".sup\r\n" + out + ".Glyphon_Help.txt"),
              std::string::npos);
    std::istringstream help(TempDir::Read(dir.File("out/film.Glyphon_Help.txt")));
    std::vector<std::string> commands;
    for (std::string line; std::getline(help, line);)
        if (line.rfind("dvdauthor ", 0) == 0) commands.push_back(line.substr(0, line.find('\r')));
    ASSERT_EQ(commands.size(), 1u) << help.str();
    const std::string log = dir.File("dvdauthor.log");
    for (const std::string& command : commands) {
        ASSERT_EQ(Shell(command, log), 0) << command << "\n" << TempDir::Read(log);
    }
    EXPECT_EQ(TempDir::Read(log).find("WARN"), std::string::npos) << TempDir::Read(log);

    const auto vob = DemuxProgramStream(dir.File("out/film.dvd/VIDEO_TS/VTS_01_1.VOB"));
    const int64_t first = FirstVideoPts(vob);
    const auto units = UnitsOfStream(vob, 0x20);
    const std::vector<Picture> pictures = Pictures(cues);
    ASSERT_EQ(units.size(), pictures.size());
    const std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    DvdSubDecoder decoder;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const auto picture = decoder.Decode(units[i].bytes);
        ASSERT_TRUE(picture) << "picture " << i + 1;
        const int64_t shown = units[i].pts - first + picture->startMs * 90;
        const int64_t hidden = units[i].pts - first + picture->endMs * 90;
        EXPECT_NEAR(double(shown), double(pictures[i].start * 90), double(frameTicks)) << "picture " << i + 1;
        EXPECT_NEAR(double(hidden), double(pictures[i].end * 90), double(frameTicks)) << "picture " << i + 1;

        // Ink on every line's rows, and nowhere else.
        std::vector<std::set<int>> lines = TextRows(*engine, pictures[i].bottom, false, frameHeight);
        if (!pictures[i].top.empty())
            for (std::set<int>& rows : TextRows(*engine, pictures[i].top, true, frameHeight))
                lines.push_back(rows);
        std::vector<bool> inked(lines.size(), false);
        for (int y = 0; y < picture->h; ++y) {
            bool drawn = false;
            for (const uint8_t code : picture->codes[size_t(y)]) drawn |= code != 0;
            if (!drawn) continue;
            bool known = false;
            for (size_t l = 0; l < lines.size(); ++l)
                if (lines[l].count(picture->y + y)) known = inked[l] = true;
            EXPECT_TRUE(known) << "picture " << i + 1 << ": row " << picture->y + y;
        }
        for (size_t l = 0; l < lines.size(); ++l)
            EXPECT_TRUE(inked[l] || lines[l].empty()) << "picture " << i + 1 << ": line " << l + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(PalAndNtsc, Viewer, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Pal" : "Ntsc"; });

// NTSC films: a MicroDVD file timed at 23.976 and a SubRip file whose
// times were rounded to whole milliseconds both start every subtitle on the
// film frame they were timed for (frames as libavformat reads them).
TEST(ViewerTiming, NtscSubtitlesStartOnTheirFrames) {
    TempDir dir;
    const struct {
        std::string name, text;
        std::vector<int> frames;  // the 29.97 frames the subtitles start on
    } files[] = {
        {"micro.sub", "{1}{1}23.976\n{12}{40}One\n{96}{110}Two\n{240}{260}Three\n", {15, 120, 300}},
        // Without a rate line or --fps, the film's own rate times the frames.
        {"filmrate.sub", "{15}{40}One\n{120}{130}Two\n", {15, 120}},
        {"rounded.srt",
         "1\n00:00:00,501 --> 00:00:01,000\nOne\n\n2\n00:00:01,034 --> 00:00:02,000\nTwo\n\n"
         "3\n00:00:02,569 --> 00:00:03,000\nThree\n",
         {15, 31, 77}},
    };
    for (const auto& file : files) {
        const RunResult r =
            RunNamed({"--mux", DvdMpeg(false), "-o", dir.File("out"), dir.Write(file.name, file.text)});
        ASSERT_EQ(r.status, 0) << file.name << ": " << r.err;
        const auto film =
            DemuxProgramStream(dir.File("out/" + file.name.substr(0, file.name.find('.')) + ".muxed.mpg"));
        const int64_t first = FirstVideoPts(film);
        const auto units = UnitsOfStream(film, 0x20);
        ASSERT_EQ(units.size(), file.frames.size()) << file.name;
        for (size_t i = 0; i < units.size(); ++i) {
            // Shown from the first frame (every 3003 ticks) at or after the unit's time.
            const int64_t shown = (units[i].pts - first + 3002) / 3003;
            EXPECT_EQ(shown, file.frames[i]) << file.name << ", subtitle " << i + 1;
        }
    }
}

// A title card of twenty minutes, longer than one unit's stop delay holds:
// as libavformat and libavcodec read the VobSub pair, units follow one
// another without a gap until its end; the PGS stream shows it once and
// clears it at its end.
TEST(ViewerLongCue, TwentyMinuteCueStaysToItsEnd) {
    TempDir dir;
    const std::string subtitle = dir.Write("card.srt", Srt({{1000, 1201000, "Twenty minutes", ""}}));
    const RunResult r = RunNamed({"--format", "vobsub,pgs", "--font", "DejaVu Sans", subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    const DemuxedSubtitles vobsub = DemuxSubtitles(dir.File("card.idx"));
    ASSERT_EQ(vobsub.packets.size(), 2u);
    DvdSubDecoder decoder;
    int64_t shownUntil = 1000;
    for (const DemuxedPacket& packet : vobsub.packets) {
        const auto picture = decoder.Decode(packet.data);
        ASSERT_TRUE(picture);
        EXPECT_EQ(packet.ptsMs + picture->startMs, shownUntil);
        shownUntil = packet.ptsMs + picture->endMs;
    }
    EXPECT_NEAR(double(shownUntil), 1201000.0, 12.0);  // the stop delay's step
    const DecodedPgs pgs = DecodePgs(dir.File("card.pgs.sup"));
    ASSERT_EQ(pgs.subtitles.size(), 2u);
    EXPECT_EQ(pgs.subtitles[0].pts, 1000 * 90);
    EXPECT_FALSE(pgs.subtitles[0].rects.empty());
    EXPECT_EQ(pgs.subtitles[1].pts, 1201000 * 90);
    EXPECT_TRUE(pgs.subtitles[1].rects.empty());
}

namespace {

// The frames (from 0) at which FFmpeg's overlay of the film's first
// subtitle stream starts showing something in the lower fifth of the picture.
std::vector<int> OverlayOnsets(const std::string& film, TempDir& dir) {
    const std::string raw = dir.File("overlay.gray");
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -i '" + film +
        "' -filter_complex '[0:v][0:s:0]overlay,crop=720:120:0:456,scale=180:30,format=gray' "
        "-f rawvideo '" +
        raw + "'";
    EXPECT_TRUE(Run(command)) << command;
    const std::string bytes = TempDir::Read(raw);
    constexpr size_t kFrame = 180 * 30;
    std::vector<int> onsets;
    bool before = false;
    for (size_t f = 0; f + 1 <= bytes.size() / kFrame; ++f) {
        int changed = 0;
        for (size_t i = 0; i < kFrame; ++i)
            changed += std::abs(int(uint8_t(bytes[f * kFrame + i])) - int(uint8_t(bytes[i]))) > 60;
        const bool shown = changed >= 6;
        if (shown && !before) onsets.push_back(int(f));
        before = shown;
    }
    return onsets;
}

}  // namespace

// The same cues muxed by spumux (from a white box) and by glyphon: FFmpeg,
// which reads the file in order, shows ours no later than spumux's.
TEST(ViewerTiming, FfmpegOverlayShowsTheMuxedSubtitlesNoLaterThanSpumuxs) {
    const std::string& film = DvdMpeg(true);
    TempDir dir;
    std::vector<Cue> cues;
    std::string xml = "<subpictures>\n<stream>\n";
    for (int i = 0; i < 6; ++i) {
        cues.push_back({3000 + 5000 * i, 5500 + 5000 * i, "Subtitle " + std::to_string(i + 1), ""});
        char times[64];
        std::snprintf(times, sizeof times, "start=\"00:00:%02d.00\" end=\"00:00:%02d.50\"", 3 + 5 * i,
                      5 + 5 * i);
        xml += std::string("<spu ") + times + " image=\"" + dir.File("box.png") +
               "\" transparent=\"000000\" />\n";
    }
    xml += "</stream>\n</subpictures>\n";
    std::ofstream(dir.File("spu.xml")) << xml;
    ASSERT_TRUE(
        test::Run("ffmpeg -nostdin -loglevel error -y -f lavfi -i color=c=black:s=720x576 -vf "
                  "drawbox=x=200:y=500:w=320:h=30:color=white:t=fill -frames:v 1 '" +
                  dir.File("box.png") + "'"));
    const std::string log = dir.File("spumux.log");
    ASSERT_EQ(Shell("VIDEO_FORMAT=PAL spumux -s 0 '" + dir.File("spu.xml") + "' <'" + film + "' >'" +
                        dir.File("spumux.mpg") + "'",
                    log),
              0)
        << TempDir::Read(log) << "\n(spumux is in the Debian package dvdauthor)";

    const RunResult r = RunNamed(
        {"--mux", film, "--font", "DejaVu Sans", "-o", dir.File("out"), dir.Write("film.srt", Srt(cues))});
    ASSERT_EQ(r.status, 0) << r.err;

    const std::vector<int> spumux = OverlayOnsets(dir.File("spumux.mpg"), dir);
    const std::vector<int> ours = OverlayOnsets(dir.File("out/film.muxed.mpg"), dir);
    ASSERT_EQ(spumux.size(), cues.size());
    ASSERT_EQ(ours.size(), cues.size());
    for (size_t i = 0; i < cues.size(); ++i) {
        EXPECT_LE(ours[i], spumux[i]) << "subtitle " << i + 1;
        // On its own frame, or the one after.
        EXPECT_LE(ours[i], int(cues[i].start / 40) + 1) << "subtitle " << i + 1;
    }
}

}  // namespace glyphon::test

namespace glyphon::test {

namespace {

// Every file of a folder with its bytes.
std::map<std::string, std::string> Contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = TempDir::Read(entry.path().string());
    return files;
}

constexpr const char* kTwoLines = "1\r\n00:00:01,000 --> 00:00:03,000\r\nUpper line\r\nLower line\r\n\r\n";

}  // namespace

// A film of the other standard than --standard or the IFO says: a usage
// error naming both, and nothing written.
TEST(ViewerRefusals, FilmOfTheOtherStandard) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", kTwoLines);
    dir.Write("film.sup", "kept");
    const auto before = Contents(dir.path());
    RunResult r = RunNamed({"--standard", "pal", "--mux", DvdMpeg(false), subtitle});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("--standard pal contradicts " + DvdMpeg(false) + ", an NTSC (480 lines) film"),
              std::string::npos)
        << r.err;
    r = RunNamed({"--ifo", GLYPHON_TEST_DATA "/ifo/pal/VTS_01_0.IFO", "--mux", DvdMpeg(false), subtitle});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("VTS_01_0.IFO is for PAL (576 lines) video, but " + DvdMpeg(false) +
                         " is an NTSC (480 lines) film"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Contents(dir.path()), before);
}

// Lines that would reach past the frame's bottom (large size, two lines) or
// its top (large offset): the subtitle is named, with advice.
TEST(ViewerRefusals, SubtitleThatDoesNotFitTheFramesHeight) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", kTwoLines);
    dir.Write("film.sup", "kept");
    const auto before = Contents(dir.path());
    RunResult r = RunNamed({"--size", "50", "--offset", "8", "--line-spacing", "-14", subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("subtitle 1, line 2 would reach row "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("below the bottom of the 576-row frame: \"Lower line\"; try a smaller --size or a "
                         "larger --offset"),
              std::string::npos)
        << r.err;
    r = RunNamed({"--standard", "ntsc", "--size", "40", "--offset", "492", subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("subtitle 1, line 1 would reach row -"), std::string::npos) << r.err;
    EXPECT_NE(
        r.err.find("above the top of the 480-row frame: \"Upper line\"; try a smaller --size or --offset"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(Contents(dir.path()), before);
    // A smaller size fits at the default offset.
    EXPECT_EQ(RunNamed({"--size", "36", "-o", dir.File("out"), subtitle}).status, 0);
    // Four lines grow upward from line 2's place: they fit at the defaults;
    // at 50 points the advice is what helps, a larger offset.
    const std::string four =
        dir.Write("four.srt", "1\n00:00:01,000 --> 00:00:02,000\nOne\nTwo\nThree\nFour\n");
    EXPECT_EQ(RunNamed({"-o", dir.File("out"), four}).status, 0);
    r = RunNamed({"--size", "50", "-o", dir.File("out"), four});
    EXPECT_NE(r.err.find("its 4 lines reach below the frame; try a smaller --size or a larger --offset"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(RunNamed({"--size", "50", "--offset", "100", "-o", dir.File("out"), four}).status, 0);
}

// A MicroDVD file without its frame-rate line needs --fps; with it, the
// first line is a subtitle like the others.
TEST(ViewerRefusals, MicroDvdWithoutFrameRate) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.txt", "{25}{75}First\n{100}{150}Second\n");
    dir.Write("film.sup", "kept");
    const auto before = Contents(dir.path());
    RunResult r = RunNamed({subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Please write at the first line of your *.sub subtitle the fps of this subtitle"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("--fps"), std::string::npos) << r.err;
    EXPECT_EQ(Contents(dir.path()), before);

    r = RunNamed({"--fps", "25", "-o", dir.File("out"), subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto records = SplitSupFile(TempDir::Read(dir.File("out/film.sup")));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].pts, 90000u);
    EXPECT_EQ(records[1].pts, 360000u);
    EXPECT_EQ(RunNamed({"--fps", "0", subtitle}).status, kExitUsage);
}

}  // namespace glyphon::test
