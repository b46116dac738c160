// The generation run with "Also write Blu-ray PGS (.pgs.sup)": one shown and
// one cleared display set per subtitle, in the run's order and timing, the
// box stored with the settings.
#include <gtest/gtest.h>

#include <filesystem>

#include "pgs/PgsPicture.h"
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
    f.OutputCheckBox("sup").checked = false;
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    EXPECT_FALSE(std::filesystem::exists(dir.File("movie.sup")));
    const DecodedPgs got = DecodePgs(dir.File("movie.pgs.sup"));
    ASSERT_FALSE(got.subtitles.empty());
    const DecodedPgsRect& r = got.subtitles[0].rects.at(0);
    EXPECT_NEAR(int((r.palette[size_t(PgsIndex(kGreyLevels, kGreyLevels))] >> 8) & 255), 255,
                2);                                                                       // yellow's green
    EXPECT_NEAR(int(r.palette[size_t(PgsIndex(kGreyLevels, kGreyLevels))] & 255), 0, 2);  // and no blue
    EXPECT_EQ(r.palette[0] >> 24, 128u);

    std::filesystem::remove(dir.File("movie.pgs.sup"));
    f.CheckBoxPgs.checked = false;
    f.OutputCheckBox("sup").checked = true;
    f.ButtonGenerateSupClick();
    EXPECT_FALSE(std::filesystem::exists(dir.File("movie.pgs.sup")));
}

TEST_F(PgsRun, TheBoxIsStoredWithTheSettings) {
    TForm1& f = Start();
    EXPECT_FALSE(f.CheckBoxPgs.checked);
    f.CheckBoxPgs.checked = true;
    f.FormClose();
    EXPECT_NE(TempDir::Read(dir.File("Glyphon_Settings.ini")).find("\nCheckBoxPgs_Checked=-1\n"),
              std::string::npos);
    EXPECT_TRUE(Start().CheckBoxPgs.checked);
}

}  // namespace glyphon::test

namespace glyphon::test {

// The lines the DVD unit is drawn from, placed by its rules scaled to the
// stream: every line of a three-line subtitle (the fake engine's 27-row
// blocks, 1.25 times the DVD distances at 720 rows) and a subtitle the tags
// place at the top.
TEST_F(PgsRun, EveryLineAndThePlacementAtTheTopAreTheDvdPathsScaled) {
    TForm1& f = Start();
    text.advance = 10;
    f.SetNoIfoChecked(true);
    ui.dialogAnswers.push_back(
        dir.Write("movie.srt",
                  "1\n00:00:01,000 --> 00:00:02,000\nFirst line\n<i>Second</i> line\nThird line\n\n"
                  "2\n00:00:03,000 --> 00:00:04,000\n{\\an8}At the top\n\n"));
    f.ButtonLoadSubClick();
    ASSERT_TRUE(f.SubtitleLoaded);
    f.CheckBoxPgs.checked = true;
    f.Pgs.video = PgsVideo{1280, 720, 0x10};
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    const DecodedPgs got = DecodePgs(dir.File("movie.pgs.sup"));
    ASSERT_EQ(got.subtitles.size(), 4u);
    // The last line's cell ends 88 rows (70 DVD rows) above the bottom, each
    // line's cell starts 27 + 5 rows above the next; the outline reaches 5
    // rows further.
    const DecodedPgsRect& three = got.subtitles[0].rects.at(0);
    EXPECT_EQ(three.y, 720 - 88 - 27 - 2 * 32 - 5);
    EXPECT_EQ(three.height, 2 * 32 + 27 + 2 * 5);
    // Rows holding text: three bands of 27 rows, 5 rows apart.
    std::vector<int> textRows;
    for (int y = 0; y < three.height; ++y)
        for (int x = 0; x < three.width; ++x)
            if (three.indices[size_t(y) * size_t(three.width) + size_t(x)] ==
                PgsIndex(kGreyLevels, kGreyLevels)) {
                textRows.push_back(y);
                break;
            }
    ASSERT_EQ(textRows.size(), 3u * 27u);
    EXPECT_EQ(textRows[0], 5);
    EXPECT_EQ(textRows[27], 5 + 32);
    EXPECT_EQ(textRows[54], 5 + 64);
    // The styled line's runs side by side: "Second line" is 11 blocks wide,
    // the widest line, centred.
    EXPECT_EQ(three.x, 640 - 55 - 5);
    EXPECT_EQ(three.width, 110 + 2 * 5);
    // {\an8}: line 1's cell starts 88 rows below the top.
    const DecodedPgsRect& top = got.subtitles[2].rects.at(0);
    EXPECT_EQ(top.y, 88 - 5);
    EXPECT_EQ(top.height, 27 + 2 * 5);
}

}  // namespace glyphon::test

namespace glyphon::test {

namespace {

int PositionOf(const TComboBox& list, const std::string& item) {
    const auto found = std::find(list.items.begin(), list.items.end(), item);
    return found == list.items.end() ? -1 : int(found - list.items.begin());
}

}  // namespace

// The window's lists choose the stream's size and colours, and are stored
// by their texts after every other key.
TEST_F(PgsRun, TheWindowsSizeAndColoursChooseTheStreamAndAreStoredLast) {
    TForm1& f = Loaded();
    EXPECT_EQ(f.ComboBoxPgsResolution.items,
              (std::vector<std::string>{"1920x1080", "1280x720", "720x480", "720x576"}));
    EXPECT_EQ(f.ComboBoxPgsText.Text(), "role");
    f.UserPick(f.ComboBoxPgsResolution, PositionOf(f.ComboBoxPgsResolution, "720x576"));
    f.UserPick(f.ComboBoxPgsText, PositionOf(f.ComboBoxPgsText, "yellow"));
    f.UserPick(f.ComboBoxPgsOutline, PositionOf(f.ComboBoxPgsOutline, "navy"));
    EXPECT_EQ(f.Pgs.video.frameRate, 0x30);  // 25 frames a second at 576 rows
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    const std::string bytes = TempDir::Read(dir.File("movie.pgs.sup"));
    ASSERT_GT(bytes.size(), 18u);
    EXPECT_EQ(bytes.substr(13, 5), std::string("\x02\xD0\x02\x40\x30", 5));  // 720 x 576, 25
    const DecodedPgs decoded = DecodePgs(dir.File("movie.pgs.sup"));
    const DecodedPgsRect& r = decoded.subtitles.at(0).rects.at(0);
    const uint32_t text = r.palette[size_t(PgsIndex(kGreyLevels, kGreyLevels))];
    const uint32_t outline = r.palette[size_t(PgsIndex(0, kGreyLevels))];
    EXPECT_NEAR(int(text >> 16 & 255), 255, 3);  // yellow
    EXPECT_NEAR(int(text & 255), 0, 3);
    EXPECT_NEAR(int(outline >> 16 & 255), 0, 3);  // navy
    EXPECT_NEAR(int(outline & 255), 128, 3);

    f.FormClose();
    const std::string ini = TempDir::Read(dir.File("Glyphon_Settings.ini"));
    const size_t wrap = ini.find("CheckBoxWrap_Checked="),
                 size = ini.find("ComboBoxPgsResolution_Text=720x576\n");
    ASSERT_NE(size, std::string::npos) << ini;
    EXPECT_LT(wrap, size);
    EXPECT_NE(ini.find("ComboBoxPgsText_Text=yellow\nComboBoxPgsOutline_Text=navy\n"), std::string::npos)
        << ini;
    TForm1& again = Start();
    EXPECT_EQ(again.ComboBoxPgsOutline.Text(), "navy");
    EXPECT_EQ(again.Pgs.video.height, 576);
    EXPECT_EQ(again.Pgs.text, (Rgba{255, 255, 0, 255}));
}

}  // namespace glyphon::test
