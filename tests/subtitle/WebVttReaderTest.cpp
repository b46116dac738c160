// WebVTT files: cue times as FFmpeg's webvtt demuxer reads them, the cue
// text without its tags and references, styles from tags and STYLE rules,
// settings as places, and cues that cannot be drawn named.
#include <gtest/gtest.h>

#include "subtitle/SubtitleFiles.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

namespace {

class WebVtt : public SubtitleFiles {};

const std::string kStyled = TempDir::Read(GLYPHON_SOURCE_DIR "/tests/data/subtitle/webvtt/styled.vtt");

}  // namespace

TEST_F(WebVtt, CueTimesAsFfmpegReadsThem) {
    const std::string other =
        "\xEF\xBB\xBFWEBVTT\r\nKind: captions\r\n\r\nNOTE x --> y is no cue\r\n\r\n"
        "00:00.250 --> 00:01.000\r\nA\r\n\r\nid-2\r\n00:00:59.999 --> 00:01:00.001 align:end\r\nB\r\n\r\n"
        "10:00:00.000 --> 10:00:01.500\r\nC\r\nC2\r\n";
    // FFmpeg's demuxer gives up on a file with STYLE or REGION blocks: it
    // reads the styled file without them.
    std::string unstyled;
    for (size_t at = 0; at < kStyled.size();) {
        const size_t end = std::min(kStyled.find("\n\n", at), kStyled.size());
        const std::string block = kStyled.substr(at, end - at);
        if (block.rfind("STYLE", 0) != 0 && block.rfind("REGION", 0) != 0) unstyled += block + "\n\n";
        at = end + 2;
    }
    for (const auto& [name, bytes] : {std::pair{"styled.vtt", kStyled}, std::pair{"other.vtt", other}}) {
        Load(name, bytes);
        const auto ffmpeg = DemuxTextCueTimes(
            name == std::string("other.vtt") ? dir.File(name) : dir.Write("unstyled.vtt", unstyled));
        ASSERT_TRUE(subs.Loaded) << name;
        ASSERT_EQ(size_t(subs.Count()), ffmpeg.size()) << name;
        for (int i = 1; i <= subs.Count(); ++i) {
            EXPECT_EQ(subs.GetLine(i).start, TicksOfMs(ffmpeg[size_t(i - 1)].first)) << name << " cue " << i;
            EXPECT_EQ(subs.GetLine(i).end, TicksOfMs(ffmpeg[size_t(i - 1)].second)) << name << " cue " << i;
        }
        EXPECT_TRUE(subs.Unreadable.empty()) << name;
        EXPECT_TRUE(subs.Utf8) << name;
    }
}

TEST_F(WebVtt, TextWithoutTagsStyledByTagsAndRules) {
    Load("styled.vtt", kStyled);
    ASSERT_EQ(subs.Count(), 5);
    struct Expect {
        int cue;
        size_t line;
        std::string text;
        LineRuns runs;
    };
    const uint32_t white = kRunColoured | 0xFFFFFF, yellow = kRunColoured | 0xFFFF00,
                   red = kRunColoured | 0xFF0000;
    const Expect expected[] = {
        {1, 0, "Hello there", {{6, 0, white}, {5, kRunBold, white}}},
        {2, 0, "At the top & here", {{7, 0, white}, {3, kRunItalic, white}, {7, 0, white}}},
        {3, 0, "Left of <centre>", {{4, 0, yellow}, {12, 0, white}}},
        {3, 1, "second line", {{11, kRunBold, red}}},
        {4,
         0,
         "Middle right \xC3\xA9\xE2\x98\xBA \xC3\x89\xC3\xAE\xC3\x9F\xE2\x82\xAC\xE2\x80\x99",
         {{31, 0, white}}},
    };
    for (const Expect& e : expected) {
        const Cue& cue = subs.Lines[size_t(e.cue - 1)];
        EXPECT_EQ(TextLinesOf(cue)[e.line], e.text) << "cue " << e.cue;
        EXPECT_EQ(RunsOf(cue, e.line), e.runs) << "cue " << e.cue << " line " << e.line;
    }
    EXPECT_EQ(subs.Lines[4].Line1, "An hour later");
}

TEST_F(WebVtt, SettingsPlaceTheCue) {
    using A = CuePlacement::Anchor;
    struct Case {
        std::string settings;
        A anchor;
        bool across;
        double x, boxX, y, boxY;
    };
    const Case cases[] = {
        {"", A::Bottom, false, 0.5, 0.5, 1, 1},
        {"line:0", A::Top, false, 0.5, 0.5, 1, 1},
        {"line:-1 align:start", A::Bottom, true, 0, 0, 1, 1},
        {"position:20% align:start", A::Bottom, true, 0.2, 0, 1, 1},
        {"line:50%,center position:75%,line-right", A::Point, true, 0.75, 1, 0.5, 0.5},
        {"line:2 align:end", A::Point, true, 1, 1, 0.1, 0},
        {"line:-3", A::Point, false, 0.5, 0.5, 0.9, 1},
        {"line:abc position:200% align:middle", A::Bottom, false, 0.5, 0.5, 1, 1},
    };
    for (const Case& c : cases) {
        Load("place.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000 " + c.settings + "\nText\n");
        ASSERT_EQ(subs.Count(), 1) << c.settings;
        const CuePlacement& p = subs.Lines[0].place();
        EXPECT_EQ(p.anchor, c.anchor) << c.settings;
        EXPECT_EQ(p.across, c.across) << c.settings;
        if (c.across) {
            EXPECT_DOUBLE_EQ(p.x, c.x) << c.settings;
        }
        if (c.across) {
            EXPECT_DOUBLE_EQ(p.boxX, c.boxX) << c.settings;
        }
        if (c.anchor == A::Point) {
            EXPECT_NEAR(p.y, c.y, 1e-9) << c.settings;
        }
        if (c.anchor == A::Point) {
            EXPECT_DOUBLE_EQ(p.boxY, c.boxY) << c.settings;
        }
    }
}

TEST_F(WebVtt, VerticalCuesAreLeftOutAndNamedOthersRead) {
    Load("vertical.vtt",
         "WEBVTT\n\n00:01.000 --> 00:02.000\nOne\n\n00:03.000 --> 00:04.000 vertical:rl\n\xE7\xB8\xA6\n\n"
         "stray text\n\n00:05.000 --> 00:06.000\nTwo\n");
    EXPECT_EQ(subs.Count(), 2);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_NE(sink.shown[0].find(dir.File("vertical.vtt")), std::string::npos) << sink.shown[0];
    EXPECT_NE(sink.shown[0].find("line 6"), std::string::npos) << sink.shown[0];
    ASSERT_EQ(subs.Unreadable.size(), 1u);
    EXPECT_EQ(subs.Unreadable[0].line, 9);

    sink.shown.clear();
    Load("plain.vtt", "00:01.000 --> 00:02.000\nNo header\n");
    EXPECT_FALSE(subs.Loaded);
    EXPECT_EQ(sink.shown, std::vector<std::string>{kUnsupported});
}

}  // namespace glyphon::test
