// "Also mux into a DVD film (.mpg)" in the window: the film chosen in a
// dialog, its aspect read, and the run muxing through the same authoring
// step as the command line, with every output in the closing message.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/DvdMpeg.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

class MuxWindow : public ModelTest {
protected:
    TForm1& Loaded() {
        TForm1& f = Start();
        f.SetNoIfoChecked(true);
        ui.dialogAnswers.push_back(dir.Write("movie.srt",
                                             "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n"
                                             "2\n00:00:03,000 --> 00:00:04,000\nAgain\n\n"));
        f.ButtonLoadSubClick();
        EXPECT_TRUE(f.SubtitleLoaded);
        return f;
    }
};

TEST_F(MuxWindow, TickingChoosesTheFilmAndTheRunListsEveryOutput) {
    TForm1& f = Loaded();
    ui.dialogAnswers.push_back(WideDvdMpeg());
    f.CheckBoxMux.checked = true;
    f.CheckBoxMuxClick();
    EXPECT_EQ(ui.dialogTitles.back(), f.OpenDialogMux.filter);
    EXPECT_EQ(f.Mux.video, WideDvdMpeg());
    EXPECT_TRUE(f.Widescreen);  // the film is 16:9

    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
    const std::string stem = dir.File("movie");
    const std::string& done = ui.messages.back();
    EXPECT_NE(done.find("Generated Files:\r\n" + stem + ".muxed.mpg\r\n" + stem + ".palette.yuv\r\n" + stem +
                        ".dvdauthor.xml\r\n" + stem + ".sup\r\n" + stem + ".Glyphon_Help.txt"),
              std::string::npos)
        << done;
    EXPECT_EQ(UnitsOfStream(DemuxProgramStream(stem + ".muxed.mpg"), 0x20).size(), 2u);
    EXPECT_NE(TempDir::Read(stem + ".dvdauthor.xml").find("aspect=\"16:9\""), std::string::npos);

    // Unticked: no film, normal text again.
    f.CheckBoxMux.checked = false;
    f.CheckBoxMuxClick();
    EXPECT_TRUE(f.Mux.video.empty());
    EXPECT_FALSE(f.Widescreen);
}

TEST_F(MuxWindow, ACancelledDialogOrAFileThatIsNoFilmUnticksTheBox) {
    TForm1& f = Loaded();
    f.CheckBoxMux.checked = true;
    f.CheckBoxMuxClick();  // cancelled
    EXPECT_FALSE(f.CheckBoxMux.checked);
    ui.dialogAnswers.push_back(dir.File("movie.srt"));
    f.CheckBoxMux.checked = true;
    f.CheckBoxMuxClick();
    EXPECT_FALSE(f.CheckBoxMux.checked);
    EXPECT_TRUE(f.Mux.video.empty());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages.back().find("not an MPEG program stream"), std::string::npos) << ui.messages.back();
}

}  // namespace glyphon::test
