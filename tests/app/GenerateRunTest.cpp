#include <gtest/gtest.h>

#include <filesystem>

#include "subtitle/Subtitle.h"
#include "support/DvdSubDecoder.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

namespace {

std::string Srt(int count) {
    std::string s;
    for (int i = 1; i <= count; ++i)
        s += std::to_string(i) + "\n00:00:" + (i < 10 ? "0" : "") + std::to_string(i) +
             ",000 --> 00:00:" + (i < 10 ? "0" : "") + std::to_string(i) + ",500\nLine " + std::to_string(i) +
             "\n\n";
    return s;
}

size_t RecordCount(const std::string& sup) { return SplitSupFile(sup).size(); }

}  // namespace

class GenerateRun : public ModelTest {
protected:
    std::string srt;

    // Generic palette, `count` subtitles loaded and checked.
    TForm1& Loaded(int count) {
        TForm1& f = Start();
        f.SetNoIfoChecked(true);
        srt = dir.Write("movie.srt", Srt(count));
        ui.dialogAnswers.push_back(srt);
        f.ButtonLoadSubClick();
        EXPECT_TRUE(f.SubtitleLoaded);
        ui.messages.clear();
        return f;
    }
    std::string Sup() const { return TempDir::Read(dir.File("movie.sup")); }
    std::string Help() const { return TempDir::Read(dir.File("movie.Glyphon_Help.txt")); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.File(name)); }

    void ExpectIdle(const TForm1& f) {
        EXPECT_TRUE(f.GenerationStopped);
        EXPECT_EQ(f.ButtonGenerateSup.caption, "Generate Sup");
        EXPECT_TRUE(f.GroupBoxInput.enabled);
        EXPECT_TRUE(f.ListBox1.enabled);
        EXPECT_TRUE(f.ButtonBatch.enabled);
    }
};

TEST_F(GenerateRun, RefusalsTouchNoFileAndReturnToIdle) {
    TForm1& f = Start();
    f.ButtonGenerateSupClick();
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Please load an Srt/Sub/Txt subtitle."}));
    ExpectIdle(f);

    TForm1& g = Loaded(2);
    g.SubtitleFits = false;
    g.ButtonGenerateSupClick();
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Please use smaller font."}));
    ExpectIdle(g);

    // The no-IFO box unticked after the load: no palette to draw with.
    ui.messages.clear();
    g.SubtitleFits = true;
    g.SetNoIfoChecked(false);
    g.ButtonGenerateSupClick();
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{"Please load an Ifo file first and then an Srt/Sub/Txt file."}));
    ExpectIdle(g);
    EXPECT_FALSE(Exists("movie.sup"));
    EXPECT_FALSE(Exists("movie.Glyphon_Help.txt"));
}

TEST_F(GenerateRun, WritesOneRecordPerSubtitleThenTheHelpFileAndShowsIt) {
    TForm1& f = Loaded(3);
    f.ButtonGenerateSupClick();
    const auto records = SplitSupFile(Sup());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].pts, 90000u);
    EXPECT_EQ(records[2].pts, 270000u);
    size_t total = 0;
    for (const auto& r : records) total += 10 + r.unit.size();
    EXPECT_EQ(total, Sup().size());

    const std::string help = Help();
    EXPECT_EQ(help.rfind("All Done !!! (Case : No Ifo)\r\n", 0), 0u);
    EXPECT_NE(help.find("Then find the Color 1 Y Cr CB ,doubleclick it, and put the value: 55 80 80\r\n"),
              std::string::npos);
    const std::string tail =
        "Generated Files:\r\n" + dir.File("movie.sup") + "\r\n" + dir.File("movie.Glyphon_Help.txt");
    ASSERT_GE(help.size(), tail.size());
    EXPECT_EQ(help.substr(help.size() - tail.size()), tail);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{help}));
    EXPECT_EQ(f.ProgressBar1.max, 2);
    EXPECT_EQ(f.ProgressBar1.position, 3);
    EXPECT_EQ(ui.processMessagesCalls, 1 + 3);  // one in the load, one per subtitle
    ExpectIdle(f);
}

TEST_F(GenerateRun, AbortDuringEntryKLeavesExactlyKRecordsAndNoHelp) {
    TForm1& f = Loaded(5);
    ui.onProcessMessages = [&](int call) {
        if (call == 1 + 2) f.ButtonGenerateSupClick();  // the click arrives while entry 2 is pending
    };
    f.ButtonGenerateSupClick();
    EXPECT_EQ(RecordCount(Sup()), 2u);
    EXPECT_FALSE(Exists("movie.Glyphon_Help.txt"));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Operation Aborted"}));
    ExpectIdle(f);
}

TEST_F(GenerateRun, EmptyListGivesAnEmptyFileAndTheHelpFile) {
    TForm1& f = Loaded(1);
    f.Subtitles = std::make_unique<TSubtitle>();
    f.ButtonGenerateSupClick();
    EXPECT_TRUE(Exists("movie.sup"));
    EXPECT_EQ(Sup().size(), 0u);
    EXPECT_TRUE(Exists("movie.Glyphon_Help.txt"));
}

TEST_F(GenerateRun, SecondRunOverwritesBothFiles) {
    TForm1& f = Loaded(4);
    f.ButtonGenerateSupClick();
    dir.Write("movie.Glyphon_Help.txt", "stale and much longer than anything the program writes ...........");
    f.Subtitles->Lines.resize(1);
    f.ButtonGenerateSupClick();
    EXPECT_EQ(RecordCount(Sup()), 1u);
    EXPECT_EQ(Help().find("stale"), std::string::npos);
}

TEST_F(GenerateRun, FileErrorReportsAndReturnsToIdleSoTheNextClickRunsAgain) {
    TForm1& f = Loaded(2);
    std::filesystem::create_directory(dir.File("movie.sup"));  // cannot be created as a file
    f.ButtonGenerateSupClick();
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "File access denied.");  // not the system's number 21
    ExpectIdle(f);

    std::filesystem::remove(dir.File("movie.sup"));
    ui.messages.clear();
    f.ButtonGenerateSupClick();  // a new run, not an abort
    EXPECT_EQ(RecordCount(Sup()), 2u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0], "Operation Aborted");
}

TEST_F(GenerateRun, ErrorInsideTheRunLeavesThePreviousOutputs) {
    TForm1& f = Loaded(3);
    dir.Write("movie.sup", "previous");
    f.ComboBoxOutlineWidth.itemIndex = -1;  // a width list without a selection
    f.ButtonGenerateSupClick();
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(Sup(), "previous");
    EXPECT_FALSE(Exists("movie.Glyphon_Help.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
              2);  // and the subtitle file
    ExpectIdle(f);
}

TEST_F(GenerateRun, CommandLineModeEndsTheProgramInsteadOfShowingTheHelp) {
    TForm1& f = Loaded(2);
    f.CommandLineMode = true;
    f.ButtonGenerateSupClick();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.terminated, 0);
    EXPECT_TRUE(Exists("movie.Glyphon_Help.txt"));
}

TEST_F(GenerateRun, BandsOutsideTheFrameAreClippedNeverRead) {
    TForm1& f = Loaded(2);
    // NTSC with the largest offset puts the band above the frame's first row.
    f.SetNoIfoChecked(false);
    f.SetNoIfoChecked(true);
    f.SelectStandard(false);
    f.SetOffsetPosition(492);
    text.lineHeight = 60;
    f.ButtonGenerateSupClick();
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(RecordCount(Sup()), 2u);
    // A small offset with tall lines runs below the last row instead.
    f.SetOffsetPosition(8);
    text.lineHeight = 250;
    f.ButtonGenerateSupClick();
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(RecordCount(Sup()), 2u);
}

TEST_F(GenerateRun, HelpTextFollowsThePaletteSource) {
    TForm1& f = Loaded(1);
    EXPECT_EQ(f.ComposeHelpText("/films/movie.srt").rfind("All Done !!! (Case : No Ifo)\r\n", 0), 0u);
    f.MonochromeIfo = true;  // wins over the no-IFO text while the box is ticked
    EXPECT_EQ(f.ComposeHelpText("/films/movie.srt").rfind("All Done !!! (Case : Monocromatic Ifo)\r\n", 0),
              0u);
    f.SetNoIfoChecked(false);
    const std::string with = f.ComposeHelpText("/films/movie.srt");
    EXPECT_EQ(with.rfind("All Done !!! (Case : With Ifo)\r\n", 0), 0u);
    const std::string end = "\r\n\r\nGenerated Files:\r\n/films/movie.sup\r\n/films/movie.Glyphon_Help.txt";
    EXPECT_EQ(with.substr(with.size() - end.size()), end);
    EXPECT_EQ(ReplaceExtension("/films/movie.srt", ".sup"), "/films/movie.sup");
    EXPECT_EQ(ReplaceExtension("abc", ".sup"), "abc.sup");
}

}  // namespace glyphon::test
