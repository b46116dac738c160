// ASS and SSA scripts in the window: opened as a user opens a file, their
// events listed at the times libavformat reads, each previewed where libass
// puts it, and Generate converts the script into outputs FFmpeg decodes.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/FileArgument.h"
#include "subtitle/Subtitle.h"
#include "support/ModelFixture.h"
#include "support/PgsDecoder.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

namespace {

struct Script {
    const char* name;
    const char* head;          // up to the events' format line
    const char* fields;        // a Dialogue line's fields before the times
    const char* top;           // the override putting an event at the top
};

const Script kScripts[] = {
    {"film.ass",
     "[Script Info]\nScriptType: v4.00+\nPlayResX: 720\nPlayResY: 576\n\n[V4+ Styles]\n"
     "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
     "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
     "MarginR, MarginV, Encoding\n"
     "Style: Default,Liberation Sans,40,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,0,2,"
     "10,10,20,1\n\n[Events]\n"
     "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n",
     "Dialogue: 0,", "{\\an8}"},
    {"film.ssa",
     "[Script Info]\nScriptType: v4.00\nPlayResX: 720\nPlayResY: 576\n\n[V4 Styles]\n"
     "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, TertiaryColour, BackColour, Bold, Italic, "
     "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, AlphaLevel, Encoding\n"
     "Style: Default,Liberation Sans,40,16777215,255,0,0,0,0,1,2,0,2,10,10,20,0,1\n\n[Events]\n"
     "Format: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n",
     "Dialogue: Marked=0,", "{\\a6}"},
};

}  // namespace

class StyledWindow : public ModelTest {};

TEST_F(StyledWindow, ScriptsAreListedPreviewedAndConverted) {
    for (const Script& s : kScripts) {
        SCOPED_TRACE(s.name);
        const std::string line = std::string(s.fields);
        const std::string path = dir.Write(
            s.name, std::string(s.head) + line + "0:00:05.00,0:00:06.50,Default,,0,0,0,,{\\fad(300,300)}Bye\n" +
                        line + "0:00:01.00,0:00:02.00,Default,,0,0,0,,Hello\\NWorld\n" + line +
                        "0:00:03.00,0:00:04.00,Default,,0,0,0,," + s.top + "{\\c&H00FFFF&}Sign\n");
        TForm1& f = Start();
        OpenFileInWindow(f, path);  // a drop or a file named at start
        ASSERT_TRUE(f.SubtitleLoaded) << (ui.errors.empty() ? "" : ui.errors.back());
        EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"Hello|World", "Sign", "Bye"}));
        std::vector<std::pair<int64_t, int64_t>> listed;
        for (const Cue& cue : f.Subtitles->Lines) listed.push_back({MsOfTicks(cue.start), MsOfTicks(cue.end)});
        EXPECT_EQ(listed, DemuxTextCueTimes(path));

        // The bottom event's ink below the middle, the sign's above it and yellow.
        f.LoadPreviewBackground();
        const Frame background = f.preview;
        for (const int entry : {0, 1}) {
            f.ListBox1Select(entry);
            int inkTop = f.preview.Height(), inkBottom = -1;
            bool yellow = false;
            for (int y = 0; y < f.preview.Height(); ++y)
                for (int x = 0; x < f.preview.Width(); ++x)
                    if (f.preview.At(x, y) != background.At(x, y)) {
                        inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
                        const Rgb c = f.preview.At(x, y);
                        yellow = yellow || (c.r > 200 && c.g > 200 && c.b < 60);
                    }
            ASSERT_GE(inkBottom, 0) << entry;
            EXPECT_EQ(inkTop > f.preview.Height() / 2, entry == 0) << inkTop;
            EXPECT_EQ(inkBottom < f.preview.Height() / 2, entry == 1) << inkBottom;
            EXPECT_EQ(yellow, entry == 1);
        }

        // Generate: the script itself converted, every event on screen.
        f.CheckBoxVobSub.checked = true;
        f.CheckBoxPgs.checked = true;
        f.CheckBoxPgsClick();
        ui.errors.clear();
        f.ButtonGenerateSupClick();
        ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
        const std::string stem = path.substr(0, path.size() - 4);
        const DemuxedSubtitles vobsub = DemuxSubtitles(stem + ".idx");
        std::vector<int64_t> starts;
        for (const DemuxedPacket& p : vobsub.packets)
            if (p.rgb != std::array<uint32_t, 4>{}) starts.push_back(p.ptsMs);
        ASSERT_FALSE(starts.empty());
        EXPECT_EQ(starts.front(), 1000);
        EXPECT_NE(std::find(starts.begin(), starts.end(), 3000), starts.end());
        // Drawn by libass, in the script's own colours.
        int shown = 0;
        bool yellow = false;
        for (const DecodedPgsSubtitle& sub : DecodePgs(stem + ".pgs.sup").subtitles) {
            shown += !sub.rects.empty();
            for (const DecodedPgsRect& rect : sub.rects)
                for (const uint32_t argb : rect.palette)
                    yellow = yellow || (argb >> 24 > 200 && (argb >> 16 & 255) > 200 && (argb >> 8 & 255) > 200 &&
                                        (argb & 255) < 60);
        }
        EXPECT_GE(shown, 3);
        EXPECT_TRUE(yellow);
    }
}

}  // namespace glyphon::test
