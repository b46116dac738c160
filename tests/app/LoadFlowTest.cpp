#include <gtest/gtest.h>

#include "common/Convert.h"
#include "subtitle/Subtitle.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

namespace {

const char* const kPleaseLoadIfo = "Please load an Ifo file first and then an Srt/Sub/Txt file.";
const char* const kSuccess = "Subtitle Style Modified/Loaded Successfully";

std::string Srt(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string s;
    int n = 1;
    for (const auto& [l1, l2] : entries) {
        s += std::to_string(n) + "\r\n00:00:0" + std::to_string(n) + ",000 --> 00:00:0" +
             std::to_string(n + 1) + ",500\r\n" + l1 + "\r\n";
        if (!l2.empty()) s += l2 + "\r\n";
        s += "\r\n";
        ++n;
    }
    return s;
}

}  // namespace

class LoadFlow : public ModelTest {
protected:
    // A window with the generic palette ready.
    TForm1& Ready() {
        TForm1& f = Start();
        f.SetNoIfoChecked(true);
        ui.messages.clear();
        return f;
    }
    // Loads `name` through the dialog.
    void Load(TForm1& f, const std::string& path) {
        ui.dialogAnswers.push_back(path);
        f.ButtonLoadSubClick();
    }
};

TEST_F(LoadFlow, NoPaletteSourceRefusesAfterTheDialogAndKeepsTheList) {
    TForm1& f = Start();
    f.ListBox1.items = {"kept"};
    Load(f, dir.Write("a.srt", Srt({{"Hello", ""}})));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kPleaseLoadIfo}));
    EXPECT_EQ(ui.dialogTitles.size(), 1u);  // the dialog came first
    EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"kept"}));
    EXPECT_EQ(f.Subtitles, nullptr);
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(f.SubtitleFits);
    EXPECT_EQ(f.EditLoadSrt.text, "Load SRT");
}

TEST_F(LoadFlow, CancelBeforeAnyChoiceAsksForTheIfoAndAfterALoadReloadsTheSameFile) {
    TForm1& f = Ready();
    f.ButtonLoadSubClick();  // cancelled, never chosen
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kPleaseLoadIfo}));
    const std::string path = dir.Write("a.srt", Srt({{"One", ""}}));
    Load(f, path);
    ui.messages.clear();
    dir.Write("a.srt", Srt({{"One", ""}, {"Two", ""}}));
    f.ButtonLoadSubClick();  // cancelled: the last confirmed name loads again
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kSuccess}));
    EXPECT_EQ(f.ListBox1.items.size(), 2u);
    EXPECT_EQ(f.EditLoadSrt.text, path);
}

TEST_F(LoadFlow, AllLinesFitListsEntriesSelectsTheFirstAndMarksLoaded) {
    TForm1& f = Ready();
    const std::string path = dir.Write("movie.srt", Srt({{"A", "B"}, {"Alone", ""}}));
    Load(f, path);
    EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"A|B", "Alone"}));
    EXPECT_EQ(f.ListBox1.itemIndex, 0);
    ASSERT_NE(f.Subtitles, nullptr);
    EXPECT_EQ(f.Subtitles->Count(), 2);
    EXPECT_TRUE(f.SubtitleLoaded);
    EXPECT_TRUE(f.SubtitleFits);
    EXPECT_EQ(f.EditLoadSrt.text, path);
    EXPECT_EQ(f.Caption, "Glyphon By Morvane");
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kSuccess}));
    EXPECT_EQ(ui.processMessagesCalls, 1);
}

TEST_F(LoadFlow, UnsupportedFileLeavesANewEmptyList) {
    TForm1& f = Ready();
    f.ListBox1.items = {"old"};
    Load(f, dir.Write("notes.doc", "hello"));
    // The classic refusal, then (a second line) what the file is instead.
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("Unsupported Subtitle Format !\r", 0), 0u) << ui.messages[0];
    EXPECT_TRUE(f.ListBox1.items.empty());
    ASSERT_NE(f.Subtitles, nullptr);
    EXPECT_EQ(f.Subtitles->Count(), 0);
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(f.SubtitleFits);
    EXPECT_EQ(f.EditLoadSrt.text, "Load SRT");
}

TEST_F(LoadFlow, FileWithoutEntriesIsNeverMarkedLoaded) {
    TForm1& f = Ready();
    // Recognised as SubRip (arrow in columns 14 to 16 of line 2) but no full timing line.
    Load(f, dir.Write("empty.srt", "1\r\n00:00:01,000 -->\r\n"));
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{std::string(kLeftOutHeading) + "\rline 2: 00:00:01,000 -->"});
    EXPECT_TRUE(f.Subtitles->Loaded);
    EXPECT_TRUE(f.ListBox1.items.empty());
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(f.SubtitleFits);
}

TEST_F(LoadFlow, LineOf680PixelsStopsTheFirstLoadButOf679Fits) {
    TForm1& f = Ready();
    Load(f, dir.Write("ok.srt", Srt({{std::string(679, 'x'), std::string(679, 'y')}})));
    EXPECT_TRUE(f.SubtitleLoaded);

    ui.messages.clear();
    const std::string wide(680, 'w');
    Load(f, dir.Write("wide.srt", Srt({{"short", ""}, {"first", wide}, {std::string(700, 'z'), ""}})));
    ASSERT_EQ(ui.messages.size(), 1u);  // one message names every wide line
    EXPECT_EQ(ui.messages[0],
              "These subtitles do not fit the frame:\rsubtitle 2, line 2: " + wide +
                  "\rsubtitle 3, line 1: " + std::string(700, 'z') +
                  "\rPlease correct the srt and reload it. You can just use a smaler font size.");
    EXPECT_TRUE(f.ListBox1.items.empty());
    EXPECT_EQ(f.Subtitles->Count(), 3);
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(f.SubtitleFits);
    EXPECT_EQ(f.EditLoadSrt.text, "Load SRT");
}

TEST_F(LoadFlow, ThirdLineIsMeasuredLikeTheOthers) {
    TForm1& f = Ready();
    Load(f,
         dir.Write("three.srt", "1\n00:00:01,000 --> 00:00:02,000\nA\nB\n" + std::string(900, 'c') + "\n\n"));
    EXPECT_FALSE(f.SubtitleLoaded);
    ASSERT_EQ(f.TooWide.size(), 1u);
    EXPECT_EQ(f.TooWide[0].line, 3);
}

TEST_F(LoadFlow, BadTimingLineIsLeftOutWithAMessageAndTheRestLoads) {
    TForm1& f = Ready();
    Load(f, dir.Write("bad.srt", Srt({{"Good", ""}}) + "2\r\n00:0x:01,000 --> 00:00:02,000\r\nBad\r\n"));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{
                  std::string(kLeftOutHeading) + "\rline 6: 00:0x:01,000 --> 00:00:02,000", kSuccess}));
    EXPECT_EQ(f.ListBox1.items, std::vector<std::string>{"Good"});
    EXPECT_TRUE(f.SubtitleLoaded);
    EXPECT_EQ(f.Caption, "Glyphon By Morvane");
}

TEST_F(LoadFlow, MicroDvdFrameRateLineIsNotListed) {
    TForm1& f = Ready();
    Load(f, dir.Write("m.sub", "{1}{1}25.000\n{100}{200}Hello|World\n{300}{400}|B\n"));
    EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"Hello|World", "|B"}));
    EXPECT_TRUE(f.SubtitleLoaded);
}

TEST_F(LoadFlow, FontChangeRechecksEveryEntryAndReportsSuccessAgain) {
    TForm1& f = Ready();
    Load(f, dir.Write("a.srt", Srt({{"Hello", ""}, {"World", ""}})));
    ui.messages.clear();
    f.UserPick(f.ComboBoxFontSize, 20);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kSuccess}));
    EXPECT_TRUE(f.SubtitleLoaded);

    ui.messages.clear();
    f.UserPick(f.ComboBoxFontCharset, 0);  // the character set alone re-checks nothing
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LoadFlow, FailedRecheckKeepsTheSubtitleLoadedButUnfit) {
    TForm1& f = Ready();
    Load(f, dir.Write("a.srt", Srt({{"Hello", ""}, {std::string(100, 'x'), ""}})));
    ui.messages.clear();
    text.advance = 7;  // a wider font: 700 pixels for the second entry
    f.UserPick(f.ComboBoxFontStyle, 1);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back(),
              "The string \r" + std::string(100, 'x') + "\r\ris too long. Please use a smaler font size.");
    EXPECT_TRUE(f.SubtitleLoaded);
    EXPECT_FALSE(f.SubtitleFits);
    EXPECT_EQ(f.ListBox1.items.size(), 2u);
    EXPECT_EQ(f.EditLoadSrt.text, dir.File("a.srt"));
    EXPECT_EQ(f.Caption, "Glyphon By Morvane");

    // Selecting an entry that fits makes the preview's test pass again.
    f.ListBox1Select(0);
    EXPECT_TRUE(f.SubtitleFits);
}

TEST_F(LoadFlow, FontSizeWithoutSelectionReportsTheConversionError) {
    TForm1& f = Ready();
    f.ComboBoxFontSize.SetItemIndex(99);
    EXPECT_THROW(
        {
            ui.dialogAnswers.push_back(dir.Write("a.srt", Srt({{"Hello", ""}})));
            f.ButtonLoadSubClick();
        },
        ConvertError);
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_EQ(f.Caption, "Glyphon By Morvane");
}

TEST_F(LoadFlow, AFileGivenAtStartIsLoadedWithTheGenericPaletteAndNoDialog) {
    TForm1& f = Start({"glyphon", "movie.srt"});
    EXPECT_FALSE(f.CommandLineMode);
    const std::string path = dir.Write("movie.srt", Srt({{"Hello", "World"}}));
    f.OpenSubtitleFile(path);
    EXPECT_TRUE(ui.dialogTitles.empty());
    EXPECT_TRUE(f.i_dont_have_ifo.checked);
    EXPECT_TRUE(f.SubtitleLoaded);
    EXPECT_EQ(f.EditLoadSrt.text, path);
    EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"Hello|World"}));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kSuccess}));
}

}  // namespace glyphon::test
