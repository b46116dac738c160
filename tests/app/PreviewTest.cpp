// The preview's flows through the scripted fake Ui, with a recording text
// engine in front of the real one so that the order of drawings shows.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/TForm1.h"
#include "common/Convert.h"
#include "render/Bmp.h"
#include "render/PreviewPictures.h"
#include "render/TextEngine.h"
#include "subtitle/Subtitle.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

class RecordingEngine : public TextEngine {
public:
    std::vector<std::string> measured;
    TextExtent MeasureLine(std::string_view text, const FontSpec& font) override {
        measured.emplace_back(text);
        return real_->MeasureLine(text, font);
    }
    void DrawLineMask(std::string_view text, const FontSpec& font, LineMask& mask) override {
        real_->DrawLineMask(text, font, mask);
    }

private:
    std::unique_ptr<TextEngine> real_ = CreateFreeTypeEngine();
};

class PreviewTest : public ::testing::Test {
protected:
    PreviewTest() : form(ui, engine, AppEnvironment{}) {
        form.ComboBoxFontName.items = {"Arial"};
        form.ComboBoxFontName.itemIndex = 0;
    }
    void LoadTwoSubtitles() {
        form.Subtitles = std::make_unique<TSubtitle>();
        form.Subtitles->Add(TicksOfMs(0), TicksOfMs(1000), "First one", "", "");
        form.Subtitles->Add(TicksOfMs(1000), TicksOfMs(2000), "Second entry", "its line two", "");
        form.ListBox1.items = {"First one", "Second entry"};
        form.ListBox1.itemIndex = 1;
        form.SubtitleLoaded = true;
    }
    const Frame& Background() {
        return BuiltInPicture(form.IsPal() ? "PreviewPal720x576" : "PreviewNtsc720x480");
    }

    test::FakeUi ui;
    RecordingEngine engine;
    TForm1 form;
};

TEST_F(PreviewTest, TooLongLineShowsTheMessageClearsTheFlagAndLeavesTheBareBackground) {
    const std::string wide(80, 'W');
    form.DrawPreview("short", wide, 20, "Arial", 1, 0, 30, -4, Alignment::Center);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "The string \rshort\r" + wide + "\ris too long.");
    EXPECT_FALSE(form.SubtitleFits);
    EXPECT_EQ(form.preview, Background());
}

TEST_F(PreviewTest, WithoutAWindowLinesAreCheckedButNothingIsPainted) {
    ui.showsPreview = false;
    form.preview.Fill(Rgb{1, 2, 3});
    const Frame before = form.preview;
    form.LoadPreviewBackground();
    form.DrawPreview("Rethymno.", "Crete Hellas", 20, "Arial", 1, 0, 30, -4, Alignment::Center);
    EXPECT_TRUE(form.SubtitleFits);
    form.DrawPreview("short", std::string(80, 'W'), 20, "Arial", 1, 0, 30, -4, Alignment::Center);
    EXPECT_FALSE(form.SubtitleFits);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(form.preview, before);
}

TEST_F(PreviewTest, FittingLinesSetTheFlagAndDrawWithoutTouchingTheBand) {
    form.SubtitleFits = false;
    form.BandTop = 12;
    form.BandHeight = 34;
    form.DrawPreview("Rethymno.", "Crete Hellas", 20, "Arial", 1, 0, 30, -4, Alignment::Center);
    EXPECT_TRUE(form.SubtitleFits);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form.preview.Height(), kPalHeight);
    EXPECT_NE(form.preview, Background());
    EXPECT_EQ(form.BandTop, 12);
    EXPECT_EQ(form.BandHeight, 34);
}

TEST_F(PreviewTest, OffsetChangeDrawsTheSampleThenTheSelectedEntry) {
    form.IfoLoaded = true;
    LoadTwoSubtitles();
    form.SetOffsetPosition(40);
    ASSERT_GE(engine.measured.size(), 4u);
    EXPECT_EQ(engine.measured[0], "Rethymno.");
    EXPECT_EQ(engine.measured[1], "Crete Hellas");
    EXPECT_EQ(engine.measured.back(), "its line two");
    EXPECT_EQ(form.LabelOffset.caption, "40");
    // The entry's drawing replaced the sample.
    const Frame shown = form.preview;
    form.DrawPreviewWithSettings("Second entry", "its line two");
    EXPECT_EQ(shown, form.preview);
}

TEST_F(PreviewTest, PaletteWithoutSubtitleDrawsOnlyTheSample) {
    form.IfoLoaded = true;
    form.ComboBoxFontCharsetChange();
    EXPECT_EQ(engine.measured.size(), 4u);  // the two sample lines, measured to fit and to place
    EXPECT_EQ(engine.measured.back(), "Crete Hellas");
}

TEST_F(PreviewTest, WithoutPaletteNothingIsDrawn) {
    LoadTwoSubtitles();
    form.preview.Fill(Rgb{1, 2, 3});
    const Frame before = form.preview;
    form.ListBox1Click();
    form.SetOffsetPosition(50);
    form.ComboBoxFontCharsetChange();
    form.SetOffsetOrPosition(2);
    EXPECT_TRUE(engine.measured.empty());
    EXPECT_EQ(form.preview, before);
    EXPECT_EQ(form.LabelOffset.caption, "50");
    EXPECT_EQ(form.LabelOffset_Or.caption, "2");
}

TEST_F(PreviewTest, OddSpacingSettlesOnTheNextEvenPosition) {
    form.IfoLoaded = true;
    form.SetOffsetOrPosition(-13);
    EXPECT_EQ(form.offset_or.position, -12);
    EXPECT_EQ(form.LabelOffset_Or.caption, "-12");
    form.SetOffsetOrPosition(9);
    EXPECT_EQ(form.offset_or.position, 10);
    EXPECT_EQ(form.LabelOffset_Or.caption, "10");
}

TEST_F(PreviewTest, ListClickNeedsPaletteAndSubtitle) {
    LoadTwoSubtitles();
    form.IfoLoaded = true;
    form.ListBox1Select(0);
    EXPECT_EQ(engine.measured.front(), "First one");
    EXPECT_EQ(engine.measured[1], "");
    EXPECT_TRUE(form.SubtitleFits);
}

TEST_F(PreviewTest, ChangeImageAsksForBothPicturesPalFirstAndUsesThem) {
    test::TempDir dir;
    Frame small(360, 288, Rgb{200, 10, 10});
    const std::string palPath = dir.File("pal.bmp");
    ASSERT_TRUE(WriteBmp24(palPath, small));
    ui.dialogAnswers = {palPath, std::nullopt};
    form.BitBtnChangeImageClick();
    ASSERT_EQ(ui.dialogTitles.size(), 2u);
    EXPECT_EQ(ui.dialogTitles[0], "Load your PAL 720x576 BMP|*.bmp");
    EXPECT_EQ(ui.dialogTitles[1], "Load your NTSC 720x480 BMP|*.bmp");
    EXPECT_EQ(form.LabelImageChangedPAL.caption, palPath);
    EXPECT_EQ(form.LabelImageChangedNTSC.caption, "");
    // Stretched to the whole frame.
    EXPECT_EQ(form.preview, Frame(720, 576, Rgb{200, 10, 10}));
    // A picture that has gone quietly gives way to the built-in one.
    std::filesystem::remove(palPath);
    form.LoadPreviewBackground();
    EXPECT_EQ(form.preview, Background());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PreviewTest, ChosenPictureThatCannotBeUsedIsNamedWithTheReason) {
    test::TempDir dir;
    ASSERT_TRUE(WriteBmp24(dir.File("whole.bmp"), Frame(8, 8)));
    const std::string whole = test::TempDir::Read(dir.File("whole.bmp"));
    const std::string cutPath = dir.Write("cut.bmp", whole.substr(0, whole.size() - 1));
    const std::string emptyPath = dir.Write("empty.bmp", "");
    ui.dialogAnswers = {cutPath, emptyPath};
    form.BitBtnChangeImageClick();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0],
              "The picture\r" + cutPath +
                  "\rcannot be used: the file is cut short.\rThe built-in picture is shown instead.");
    EXPECT_EQ(ui.messages[1],
              "The picture\r" + emptyPath +
                  "\rcannot be used: it is not a BMP picture.\rThe built-in picture is shown instead.");
    EXPECT_EQ(form.preview, Background());
    // Cancelling afterwards keeps the earlier choice without saying it again.
    form.BitBtnChangeImageClick();
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(PreviewTest, NtscUsesItsOwnPictureAndHeight) {
    form.Pal.checked = false;
    form.Ntsc.checked = true;
    form.LoadPreviewBackground();
    EXPECT_EQ(form.preview.Height(), kNtscHeight);
    EXPECT_EQ(form.preview, Background());
}

TEST_F(PreviewTest, RenderSubtitleDrawsOnBlueAndSetsTheBand) {
    form.preview.Fill(Rgb{9, 9, 9});
    form.RenderSubtitle("Rethymno.", "Crete Hellas", 20, "Arial", 1, 0, 30, -4, Alignment::Center);
    // Line height 30: Y1 = 576 - 30 - 40 - 30 = 476.
    EXPECT_EQ(form.BandTop, 476);
    EXPECT_EQ(form.BandHeight, 30 + 30 + 4 + 6);
    EXPECT_EQ(form.preview.At(0, 0), kPureBlue);
    EXPECT_EQ(form.preview.At(719, 575), kPureBlue);
    // Without an outline width there is no number to draw with.
    form.ComboBoxOutlineWidth.itemIndex = -1;
    try {
        form.RenderSubtitle("a", "b", 20, "Arial", 1, 0, 30, -4, Alignment::Center);
        FAIL() << "no conversion error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
}

}  // namespace
}  // namespace glyphon
