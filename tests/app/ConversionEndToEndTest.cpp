// Whole conversions with the real font engine, checked by FFmpeg's DVD
// subtitle decoder: what a player would show.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/TForm1.h"
#include "palette/IfoReader.h"
#include "render/TextEngine.h"
#include "sup/SubPictureEncoder.h"
#include "support/DvdSubDecoder.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

struct Expected {
    uint32_t pts;
    int durationMs;
};

// A palette of 16 colours that differ, so the decoder's colours lead back to entries.
std::array<uint32_t, 16> TraceablePalette() {
    std::array<uint32_t, 16> p{};
    for (uint32_t i = 0; i < 16; ++i) p[i] = (i * 16) << 16 | (255 - i * 16) << 8 | i;
    return p;
}

}  // namespace

class ConversionEndToEnd : public ::testing::Test {
protected:
    TempDir dir;
    FakeUi ui;
    std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    std::unique_ptr<TForm1> form;

    TForm1& Start() {
        AppEnvironment env;
        env.programDir = dir.path() + "/";
        env.settingsPath = dir.File("Glyphon_Settings.ini");
        env.args = {"glyphon"};
        form = std::make_unique<TForm1>(ui, *text, env);
        form->FormCreate();
        form->FormShow();
        form->FormActivate();
        return *form;
    }

    std::string CopyRealSubtitle() {
        const std::string path = dir.File("vim example.srt");
        std::filesystem::copy_file(GLYPHON_TEST_DATA "/subtitle/vim-subtitles/subtitle.srt", path);
        return path;
    }

    // Decodes every record and checks times, palette entries and that each
    // unit shows text pixels in its band.
    void CheckStream(const std::string& supPath, const std::vector<Expected>& expected,
                     const RoleIndices& roles) {
        ASSERT_TRUE(DvdSubDecoderAvailable()) << "built without libavcodec";
        const auto records = SplitSupFile(TempDir::Read(supPath));
        ASSERT_EQ(records.size(), expected.size());
        DvdSubDecoder decoder(TraceablePalette());
        for (size_t i = 0; i < records.size(); ++i) {
            SCOPED_TRACE("record " + std::to_string(i + 1));
            EXPECT_EQ(records[i].pts, expected[i].pts);
            const auto picture = decoder.Decode(records[i].unit);
            ASSERT_TRUE(picture.has_value());
            // Hidden at the subtitle's end or less than one 1024/90 ms unit before it.
            EXPECT_EQ(picture->startMs, 0);
            EXPECT_LE(picture->endMs, expected[i].durationMs);
            EXPECT_GE(picture->endMs, expected[i].durationMs - 12);
            EXPECT_EQ(picture->paletteEntry[0], roles.background);
            EXPECT_EQ(picture->paletteEntry[1], roles.text);
            EXPECT_EQ(picture->paletteEntry[2], roles.outline);
            EXPECT_EQ(picture->paletteEntry[3], roles.antialias);
            // The decoder trims the transparent border: what stays lies inside the frame.
            EXPECT_GE(picture->x, 0);
            EXPECT_LE(picture->x + picture->w, 720);
            EXPECT_LE(picture->y + picture->h, 576);
            int textPixels = 0, outlinePixels = 0;
            for (const auto& row : picture->codes)
                for (uint8_t c : row) {
                    textPixels += c == 1;
                    outlinePixels += c == 2;
                }
            EXPECT_GT(textPixels, 50);
            EXPECT_GT(outlinePixels, textPixels);
        }
    }
};

const std::vector<Expected> kVimExample = {{135000, 7500},  {855000, 3500},  {1224000, 3800},
                                           {1674000, 3000}, {2034000, 3800}, {2412000, 1200},
                                           {2574000, 5000}, {3060000, 4000}};

TEST_F(ConversionEndToEnd, RealSubRipFileWithTheGenericPaletteDecodesAsWritten) {
    TForm1& f = Start();
    f.SetNoIfoChecked(true);
    ui.dialogAnswers.push_back(CopyRealSubtitle());
    f.ButtonLoadSubClick();
    ASSERT_TRUE(f.SubtitleLoaded) << (ui.messages.empty() ? "" : ui.messages.back());
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    CheckStream(dir.File("vim example.sup"), kVimExample, RoleIndices{1, 0, 3, 0});
    EXPECT_TRUE(std::filesystem::exists(dir.File("vim example.Glyphon_Help.txt")));
}

TEST_F(ConversionEndToEnd, IfoAuthoredByDvdauthorGivesItsRolesToEveryUnit) {
    TForm1& f = Start();
    ui.dialogAnswers.push_back(GLYPHON_TEST_DATA "/ifo/pal/VTS_01_0.IFO");
    f.ButtonLoadIfoClick();
    ASSERT_TRUE(f.IfoLoaded);
    ASSERT_FALSE(f.MonochromeIfo);
    f.UserPick(f.ComboBoxFontStyle, 1);  // bold
    f.UserPick(f.ComboBoxOutlineWidth, 2);
    ui.dialogAnswers.push_back(CopyRealSubtitle());
    f.ButtonLoadSubClick();
    ASSERT_TRUE(f.SubtitleLoaded);
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    const RoleIndices roles{f.ComboBoxAntialias.itemIndex, f.ComboBoxOutline.itemIndex,
                            f.ComboBoxText.itemIndex, f.ComboBoxBg.itemIndex};
    CheckStream(dir.File("vim example.sup"), kVimExample, roles);
    const std::string help = TempDir::Read(dir.File("vim example.Glyphon_Help.txt"));
    EXPECT_EQ(help.rfind("All Done !!! (Case : With Ifo)", 0), 0u);
}

}  // namespace glyphon::test
