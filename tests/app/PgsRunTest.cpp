// The generation run with "Also write Blu-ray PGS (.pgs.sup)": one shown and
// one cleared display set per subtitle, in the run's order and timing, the
// box stored with the settings.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/ModelFixture.h"
#include "support/PgsDecoder.h"

namespace glyphon::test {

class PgsRun : public ModelTest {
protected:
    TForm1& Loaded() {
        TForm1& f = Start();
        f.SetNoIfoChecked(true);
        const std::string file = dir.Write("movie.srt",
                                           "1\n00:00:01,000 --> 00:00:02,500\nFirst\n\n"
                                           "2\n00:00:03,000 --> 00:00:04,000\nSecond\nline two\n\n"
                                           "3\n00:00:04,000 --> 00:00:05,250\nThird\n\n");
        ui.dialogAnswers.push_back(file);
        f.ButtonLoadSubClick();
        EXPECT_TRUE(f.SubtitleLoaded);
        f.CheckBoxPgs.checked = true;
        return f;
    }
};

TEST_F(PgsRun, EverySubtitleIsShownAtItsStartAndClearedAtItsEndInTheRolesColours) {
    TForm1& f = Loaded();
    f.Pgs.video = PgsVideo{1280, 720, 0x10};
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    const DecodedPgs got = DecodePgs(dir.File("movie.pgs.sup"));
    ASSERT_EQ(got.subtitles.size(), 6u);
    const int64_t times[] = {1000, 2500, 3000, 4000, 4000, 5250};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(got.subtitles[i].pts, times[i] * 90) << i;
        EXPECT_EQ(got.subtitles[i].rects.size(), i % 2 ? 0u : 1u) << i;
    }
    // The fake engine's solid blocks: fully covered glyph pixels in the text
    // role's colour (the generic palette's white), the outline's in black.
    const DecodedPgsRect& r = got.subtitles[0].rects[0];
    EXPECT_EQ(r.palette[size_t(PgsIndex(kGreyLevels, kGreyLevels))] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(r.palette[size_t(PgsIndex(0, kGreyLevels))] & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(r.palette[0] >> 24, 0u);
    EXPECT_TRUE(std::filesystem::exists(dir.File("movie.sup")));
    const std::string help = TempDir::Read(dir.File("movie.Glyphon_Help.txt"));
    EXPECT_NE(help.find(dir.File("movie.pgs.sup") + "\r\n"), std::string::npos) << help;
}

TEST_F(PgsRun, ChosenColoursReplaceTheRolesAndTheBoxIsOffUnlessTicked) {
    TForm1& f = Loaded();
    f.Pgs.text = Rgba{255, 255, 0, 255};
    f.Pgs.background = Rgba{0, 0, 255, 128};
    f.WriteSup = false;
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    EXPECT_FALSE(std::filesystem::exists(dir.File("movie.sup")));
    const DecodedPgs got = DecodePgs(dir.File("movie.pgs.sup"));
    ASSERT_FALSE(got.subtitles.empty());
    const DecodedPgsRect& r = got.subtitles[0].rects.at(0);
    EXPECT_NEAR(int((r.palette[size_t(PgsIndex(kGreyLevels, kGreyLevels))] >> 8) & 255), 255, 2);  // yellow's green
    EXPECT_NEAR(int(r.palette[size_t(PgsIndex(kGreyLevels, kGreyLevels))] & 255), 0, 2);           // and no blue
    EXPECT_EQ(r.palette[0] >> 24, 128u);

    std::filesystem::remove(dir.File("movie.pgs.sup"));
    f.CheckBoxPgs.checked = false;
    f.WriteSup = true;
    f.ButtonGenerateSupClick();
    EXPECT_FALSE(std::filesystem::exists(dir.File("movie.pgs.sup")));
}

TEST_F(PgsRun, TheBoxIsStoredWithTheSettings) {
    TForm1& f = Start();
    EXPECT_FALSE(f.CheckBoxPgs.checked);
    f.CheckBoxPgs.checked = true;
    f.FormClose();
    EXPECT_NE(TempDir::Read(dir.File("Glyphon_Settings.ini")).find("\nCheckBoxPgs_Checked=-1\n"), std::string::npos);
    EXPECT_TRUE(Start().CheckBoxPgs.checked);
}

}  // namespace glyphon::test
