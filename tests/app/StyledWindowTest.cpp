// ASS and SSA scripts opened as a user opens a file: events listed at the
// times libavformat reads, previewed where libass puts them, and converted by
// Generate into outputs FFmpeg decodes in the script's colours.
#include <gtest/gtest.h>

#include <functional>

#include "app/FileArgument.h"
#include "subtitle/Subtitle.h"
#include "support/ModelFixture.h"
#include "support/PgsDecoder.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

class StyledWindow : public ModelTest {};

TEST_F(StyledWindow, ScriptsAreListedPreviewedAndConverted) {
    // Name, script head, a Dialogue line's fields before the times, the top placement.
    const char* const scripts[][4] = {
        {"film.ass", "ScriptType: v4.00+\n[Events]\nFormat: Layer, Start, End, Style, Text\n", "0,",
         "{\\an8}"},
        {"film.ssa", "ScriptType: v4.00\n[Events]\nFormat: Marked, Start, End, Style, Text\n", "Marked=0,",
         "{\\a6}"},
    };
    for (const auto& [name, head, fields, top] : scripts) {
        SCOPED_TRACE(name);
        const std::string d = std::string("Dialogue: ") + fields;
        const std::string path =
            dir.Write(name, std::string("[Script Info]\nPlayResX: 720\nPlayResY: 576\n") + head + d +
                                "0:00:05.00,0:00:06.50,Default,{\\fad(300,300)}Bye\n" + d +
                                "0:00:01.00,0:00:02.00,Default,Hello\\NWorld\n" + d +
                                "0:00:03.00,0:00:04.00,Default," + top + "{\\c&H00FFFF&}Sign\n");
        TForm1& f = Start();
        OpenFileInWindow(f, path);  // a drop or a file named at start
        ASSERT_TRUE(f.SubtitleLoaded) << (ui.errors.empty() ? "" : ui.errors.back());
        EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"Hello|World", "Sign", "Bye"}));
        std::vector<std::pair<int64_t, int64_t>> listed;
        for (const Cue& cue : f.Subtitles->Lines)
            listed.push_back({MsOfTicks(cue.start), MsOfTicks(cue.end)});
        EXPECT_EQ(listed, DemuxTextCueTimes(path));

        // The first event's ink below the middle; the sign's above it, in yellow.
        f.LoadPreviewBackground();
        const Frame background = f.preview;
        for (const int entry : {0, 1}) {
            f.ListBox1Select(entry);
            int inkTop = f.preview.Height(), inkBottom = -1, yellow = 0;
            for (int y = 0; y < f.preview.Height(); ++y)
                for (int x = 0; x < f.preview.Width(); ++x)
                    if (const Rgb c = f.preview.At(x, y); c != background.At(x, y)) {
                        inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
                        yellow += c.r > 200 && c.g > 200 && c.b < 60;
                    }
            EXPECT_EQ(inkTop > f.preview.Height() / 2, entry == 0) << inkTop;
            EXPECT_EQ(inkBottom < f.preview.Height() / 2 && inkBottom >= 0, entry == 1) << inkBottom;
            EXPECT_EQ(yellow > 0, entry == 1);
        }

        f.CheckBoxVobSub.checked = f.CheckBoxPgs.checked = true;
        f.ButtonGenerateSupClick();
        ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
        const std::string stem = path.substr(0, path.size() - 4);
        std::vector<int64_t> starts;
        for (const DemuxedPacket& p : DemuxSubtitles(stem + ".idx").packets)
            if (p.rgb != std::array<uint32_t, 4>{}) starts.push_back(p.ptsMs);
        EXPECT_EQ(std::vector<int64_t>(starts.begin(), starts.begin() + std::min<size_t>(starts.size(), 2)),
                  (std::vector<int64_t>{1000, 3000}));
        int shown = 0, yellow = 0;
        for (const DecodedPgsSubtitle& sub : DecodePgs(stem + ".pgs.sup").subtitles)
            for (const DecodedPgsRect& rect : sub.rects) {
                shown += &rect == &sub.rects.front();
                for (const uint32_t c : rect.palette)
                    yellow +=
                        c >> 24 > 200 && (c >> 16 & 255) > 200 && (c >> 8 & 255) > 200 && (c & 255) < 60;
            }
        EXPECT_GE(shown, 3);
        EXPECT_GT(yellow, 0);  // drawn by libass in the script's colours, not the roles'
    }
}

// A WebVTT cue with its own place is previewed where the run draws it: its
// start at 20 % of the width.
TEST_F(StyledWindow, PlacedWebVttCuesArePreviewedWhereTheRunDrawsThem) {
    TForm1& f = Start();
    OpenFileInWindow(
        f, dir.Write("film.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000 position:20% align:start\nHi there\n"));
    f.LoadPreviewBackground();
    const Frame background = f.preview;
    const auto leftInk = [&](const std::function<bool(int, int)>& ink) {
        for (int x = 0; x < f.preview.Width(); ++x)
            for (int y = 0; y < f.preview.Height(); ++y)
                if (ink(x, y)) return x;
        return -1;
    };
    f.ListBox1Select(0);
    const int previewed = leftInk([&](int x, int y) { return f.preview.At(x, y) != background.At(x, y); });
    f.ButtonGenerateSupClick();  // the run draws on the preview, on the blue frame
    EXPECT_EQ(previewed, leftInk([&](int x, int y) { return f.preview.At(x, y) != kPureBlue; }));
    EXPECT_NEAR(previewed, 720 / 5, 6);
}

}  // namespace glyphon::test
