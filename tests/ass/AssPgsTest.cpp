// Styled scripts into PGS, judged against FFmpeg's `subtitles` filter
// (libass) on the same script, and its `ass` filter: our stream decoded by libavcodec and laid
// over the same picture by FFmpeg's overlay, at the same moments.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ass/AssPgs.h"
#include "common/FileError.h"
#include "support/PgsDecoder.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

constexpr int kWidth = 1280, kHeight = 720;

// A script at 640 x 360 (drawn at twice that), DejaVu Sans, white on a
// black outline, a shadow; and a boxed style.
std::string Script(const std::string& events) {
    return "[Script Info]\nScriptType: v4.00+\nPlayResX: 640\nPlayResY: 360\nWrapStyle: 0\n\n"
           "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
           "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, "
           "Outline, "
           "Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
           "Style: Default,DejaVu "
           "Sans,28,&H00FFFFFF,&H000000FF,&H00000000,&H80000000,0,0,0,0,100,100,0,0,1,2,1,2,"
           "20,20,20,1\n"
           "Style: Box,DejaVu "
           "Sans,24,&H00FFFFFF,&H000000FF,&H40202020,&H80000000,0,0,0,0,100,100,0,0,3,3,0,2,"
           "20,20,20,1\n\n"
           "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n" +
           events;
}

std::string Dialogue(const std::string& text, const std::string& style = "Default") {
    return "Dialogue: 0,0:00:00.20,0:00:01.80," + style + ",,0,0,0,," + text + "\n";
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// The frames numbered `frames` (25 a second) of a grey-blue picture, as rgb24
// bytes one after another, through `filter` (input 0 the picture).
std::string Frames(const TempDir& dir, const std::string& inputs, const std::string& filter,
                   const std::vector<int>& frames, const std::string& name) {
    std::string select;
    for (const int n : frames)
        select += (select.empty() ? "" : "+") + std::string("eq(n\\,") + std::to_string(n) + ")";
    const std::string raw = dir.File(name + ".rgb");
    const std::string command =
        "ffmpeg -v error -y -copyts -f lavfi -i color=c=0x306090:s=" + std::to_string(kWidth) + "x" +
        std::to_string(kHeight) + ":r=25:d=2,format=rgb24 " + inputs + " -filter_complex '" + filter +
        ",select=" + select + "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 '" + raw + "'";
    if (!Run(command)) return {};
    return TempDir::Read(raw);
}

struct Agreement {
    double ink = 0;     // of the pixels inked in either picture, those with ink within a pixel in the other
    double colour = 0;  // of the pixels inked in both, those within 6 levels in every channel
    int inked = 0;
};

// Ink: a pixel more than 8 levels from the background in any channel.
Agreement Compare(const uint8_t* a, const uint8_t* b) {
    const auto inked = [](const uint8_t* p, int x, int y) {
        const uint8_t* q = p + (size_t(y) * kWidth + size_t(x)) * 3;
        return std::abs(q[0] - 0x30) > 8 || std::abs(q[1] - 0x60) > 8 || std::abs(q[2] - 0x90) > 8;
    };
    const auto near = [&](const uint8_t* p, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int u = x + dx, v = y + dy;
                if (u >= 0 && v >= 0 && u < kWidth && v < kHeight && inked(p, u, v)) return true;
            }
        return false;
    };
    long either = 0, agreed = 0, both = 0, close = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool ia = inked(a, x, y), ib = inked(b, x, y);
            if (!ia && !ib) continue;
            ++either;
            if ((!ia || near(b, x, y)) && (!ib || near(a, x, y))) ++agreed;
            if (ia && ib) {
                ++both;
                const uint8_t* p = a + (size_t(y) * kWidth + size_t(x)) * 3;
                const uint8_t* q = b + (size_t(y) * kWidth + size_t(x)) * 3;
                if (std::abs(p[0] - q[0]) <= 6 && std::abs(p[1] - q[1]) <= 6 && std::abs(p[2] - q[2]) <= 6)
                    ++close;
            }
        }
    Agreement r;
    r.inked = int(either);
    r.ink = either ? double(agreed) / double(either) : 1;
    r.colour = both ? double(close) / double(both) : 1;
    return r;
}

struct Case {
    const char* name;
    std::string events;
    std::vector<int> frames;  // 25 a second; the events run from frame 5 to frame 45
};

}  // namespace

TEST(AssAgainstLibassFilter, OurStreamOverlaidMatchesTheSubtitlesFilter) {
    const std::vector<Case> cases = {
        {"static", Dialogue("A line of dialogue, static"), {25}},
        {"positioned", Dialogue("{\\an7\\pos(40,60)}Placed at the top left"), {25}},
        {"top and bottom", Dialogue("{\\an8}A sign at the top") + Dialogue("Dialogue below it"), {25}},
        {"coloured", Dialogue("{\\c&H00FFFF&\\3c&H800000&}Yellow on navy, {\\c&H4040FF&}red"), {25}},
        {"boxed", Dialogue("In an opaque box", "Box"), {25}},
        {"rotated", Dialogue("{\\frz20}Turned by twenty degrees"), {25}},
        {"mid-fade", Dialogue("{\\fad(600,0)}Fading in"), {7, 9, 12, 15}},
        {"mid-fade out", Dialogue("{\\fad(0,600)}Fading out"), {32, 38, 43}},
        {"faint at both ends",
         Dialogue("{\\fade(255,32,224,0,500,1000,1600)}Faint at both ends"),
         {9, 20, 37, 44}},
        {"two fades",
         Dialogue("{\\fad(600,600)}In and out") + Dialogue("{\\an8\\fade(255,0,255,0,700,900,1600)}A sign"),
         {12, 20, 26, 40}},
        {"moving", Dialogue("{\\move(80,300,560,80)}Moving along"), {10, 25, 40}},
        {"karaoke", Dialogue("{\\k40}Ka{\\k40}ra{\\k40}o{\\k40}ke {\\k40}time"), {12, 22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string ass = dir.Write("script.ass", Script(c.events));
        AssScript script(ass, kWidth, kHeight);
        PgsVideo video{kWidth, kHeight, 0x30};  // 25 frames a second
        PgsWriter writer;
        const std::string sup = dir.File("script.pgs.sup");
        writer.Create(sup, video);
        ASSERT_GT(WriteAssPgs(script, writer, video), 0);
        writer.Close();
        const std::string ours =
            Frames(dir, "-i '" + sup + "'", "[0:v][1:s]overlay=format=rgb", c.frames, "ours");
        // FFmpeg's `subtitles` filter sets libass's simple shaper (it has no
        // shaping option), so kerned glyphs land a fraction of a pixel away
        // from the complex shaping players use: its ink is compared; the
        // `ass` filter (libass on the file, complex shaping, as here) is
        // compared in colour too.
        const std::string theirs = Frames(dir, "", "[0:v]subtitles='" + ass + "'", c.frames, "theirs");
        const std::string file = Frames(dir, "", "[0:v]ass='" + ass + "'", c.frames, "file");
        const size_t frameSize = size_t(kWidth) * kHeight * 3;
        ASSERT_EQ(ours.size(), frameSize * c.frames.size()) << "ffmpeg (Debian package ffmpeg)";
        ASSERT_EQ(theirs.size(), ours.size());
        ASSERT_EQ(file.size(), ours.size());
        for (size_t i = 0; i < c.frames.size(); ++i) {
            const auto* a = reinterpret_cast<const uint8_t*>(ours.data()) + frameSize * i;
            const auto* b = reinterpret_cast<const uint8_t*>(theirs.data()) + frameSize * i;
            const auto* f = reinterpret_cast<const uint8_t*>(file.data()) + frameSize * i;
            const Agreement filter = Compare(a, b), read = Compare(a, f);
            EXPECT_GT(filter.inked, 200) << "frame " << c.frames[i];
            EXPECT_GE(filter.ink, 0.95) << "frame " << c.frames[i];
            EXPECT_GE(read.ink, 0.95) << "frame " << c.frames[i];
            EXPECT_GE(read.colour, 0.95) << "frame " << c.frames[i];
        }
    }
}

// A fade changes only how opaque the picture is: one object, drawn from its
// most opaque picture, and a palette-only update of it for every other frame,
// which libavcodec decodes as the same pixels; the pictures themselves are
// compared with libass's above.
TEST(AssPgs, FadesArePaletteUpdatesOfTheObjectShown) {
    const std::vector<std::string> fades = {"{\\fad(0,600)}Fading out", "{\\fad(600,0)}Fading in",
                                            "{\\fade(255,32,224,0,500,1000,1600)}Faint at both ends",
                                            "{\\fad(300,300)\\c&H00FFFF&\\3c&H800000&}In and out"};
    for (const std::string& fade : fades) {
        SCOPED_TRACE(fade);
        TempDir dir;
        const std::string ass = dir.Write("fade.ass", Script(Dialogue(fade)));
        AssScript script(ass, kWidth, kHeight);
        PgsVideo video{kWidth, kHeight, 0x30};
        PgsWriter writer;
        const std::string sup = dir.File("fade.pgs.sup");
        writer.Create(sup, video);
        const int sets = WriteAssPgs(script, writer, video);
        writer.Close();
        // Segments: "PG", two times, the type, the size; count object definitions.
        const std::string bytes = TempDir::Read(sup);
        int objects = 0;
        for (size_t at = 0; at + 13 <= bytes.size();
             at += 13 + (uint8_t(bytes[at + 11]) << 8 | uint8_t(bytes[at + 12])))
            objects += bytes[at + 10] == 0x15;
        EXPECT_GE(sets, 15);  // each frame of the fade (25 a second)
        EXPECT_EQ(objects, 1);
        const DecodedPgs decoded = DecodePgs(sup);
        int same = 0;
        const DecodedPgsRect* previous = nullptr;
        for (const DecodedPgsSubtitle& s : decoded.subtitles) {
            if (s.rects.empty()) continue;
            if (previous && s.rects[0].indices == previous->indices) ++same;
            previous = &s.rects[0];
        }
        EXPECT_EQ(same, sets - objects);
    }
}

// The sets are written in a thread of their own: a write failing part way
// ends the run with the error (no hang while the drawing waits for room), and
// the next run writes the whole stream again.
TEST(AssPgs, WriteFailureEndsTheRunAndTheNextRunWritesAll) {
    TempDir dir;
    std::string events;
    for (int i = 0; i < 120; ++i) {
        char line[96];
        std::snprintf(line, sizeof line,
                      "Dialogue: 0,0:%02d:%02d.00,0:%02d:%02d.50,Default,,0,0,0,,Line %d\n", i / 60, i % 60,
                      i / 60, i % 60, i);
        events += line;
    }
    const std::string ass = dir.Write("many.ass", Script(events));
    const PgsVideo video{kWidth, kHeight, 0x30};
    const auto write = [&](const std::string& name) {
        AssScript script(ass, kWidth, kHeight);
        PgsWriter writer;
        writer.Create(dir.File(name), video);
        const int sets = WriteAssPgs(script, writer, video);
        writer.Close();
        return sets;
    };
    const int sets = write("whole.sup");
    const std::string whole = TempDir::Read(dir.File("whole.sup"));
    ASSERT_EQ(sets, 120);
    for (const size_t limit : {size_t(1), whole.size() / 3, whole.size() * 2 / 3}) {
        SCOPED_TRACE(limit);
        AssScript script(ass, kWidth, kHeight);
        PgsWriter writer;
        writer.Create(dir.File("cut.sup"), video);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto handler = signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &small);
        EXPECT_THROW(WriteAssPgs(script, writer, video), FileError);
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, handler);
        writer.Discard();
        EXPECT_EQ(write("again.sup"), sets);
        EXPECT_EQ(TempDir::Read(dir.File("again.sup")), whole);
    }
}

}  // namespace glyphon::test
