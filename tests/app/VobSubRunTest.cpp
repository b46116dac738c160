// The generation run with "Also write VobSub (.idx/.sub)": the pair beside
// the ".sup", read back by libavformat, and the box kept in the settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "subtitle/Subtitle.h"
#include "support/DvdSubDecoder.h"
#include "support/ModelFixture.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

namespace {

std::string Srt(int count) {
    std::string s;
    for (int i = 1; i <= count; ++i)
        s += std::to_string(i) + "\n00:01:0" + std::to_string(i) + ",250 --> 00:01:0" + std::to_string(i) +
             ",900\nLine number " + std::to_string(i) + "\n\n";
    return s;
}

}  // namespace

class VobSubRun : public ModelTest {
protected:
    TForm1& Loaded(int count, bool pal = true, const std::string& name = "movie.srt",
                   const std::string& content = {}) {
        TForm1& f = Start();
        f.SetNoIfoChecked(true);
        f.SelectStandard(pal);
        const std::string file = dir.Write(name, content.empty() ? Srt(count) : content);
        ui.dialogAnswers.push_back(file);
        f.ButtonLoadSubClick();
        EXPECT_TRUE(f.SubtitleLoaded);
        f.CheckBoxVobSub.checked = true;
        return f;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.File(name)); }
};

TEST_F(VobSubRun, ThePairHoldsTheSupsUnitsAtTheSameTimesWithTheSwatchColours) {
    for (const bool pal : {true, false}) {
        SCOPED_TRACE(pal);
        TForm1& f = Loaded(3, pal);
        f.ButtonGenerateSupClick();
        ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
        const auto records = SplitSupFile(TempDir::Read(dir.File("movie.sup")));
        const auto got = DemuxSubtitles(dir.File("movie.idx"));
        EXPECT_EQ(got.height, pal ? 576 : 480);
        EXPECT_EQ(got.width, 720);
        ASSERT_EQ(got.packets.size(), records.size());
        ASSERT_EQ(records.size(), 3u);
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(got.packets[i].ptsMs * 90, records[i].pts);
            EXPECT_EQ(got.packets[i].data, records[i].unit);
            // The generic palette's text (3) and outline (0) greys, as the swatches show them.
            EXPECT_EQ(got.packets[i].rgb[1], f.Swatches[3].color.Packed());
            EXPECT_EQ(got.packets[i].rgb[2], f.Swatches[0].color.Packed());
        }
        // Entries beyond the four greys are black in the index.
        EXPECT_NE(TempDir::Read(dir.File("movie.idx")).find(", 000000, 000000\n"), std::string::npos);
    }
}

// The DVD preview of a coloured cue shows the colours its unit shows once
// decoded with the index's palette, not the look's text colour.
TEST_F(VobSubRun, ThePreviewShowsEachCueInTheColoursOfItsUnit) {
    const std::string cues[] = {"<font color=yellow>Yellow</font>", "- <font color=yellow>Hello</font>\n- Hi",
                                "<font color=yellow>yellow</font> <font color=\"#00FFFF\">cy</font> w"};
    std::string srt;
    for (int i = 0; i < 3; ++i)
        srt += std::to_string(i + 1) + "\n00:00:0" + std::to_string(2 * i + 1) + ",000 --> 00:00:0" +
               std::to_string(2 * i + 2) + ",000\n" + cues[i] + "\n\n";
    TForm1& f = Loaded(0, true, "movie.srt", srt);
    f.ButtonGenerateSupClick();
    const auto got = DemuxSubtitles(dir.File("movie.idx"));
    ASSERT_EQ(got.packets.size(), 3u);
    DvdSubDecoder decoder;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(cues[i]);
        std::set<uint32_t> unit, shown;
        const auto decoded = decoder.Decode(got.packets[size_t(i)].data);
        for (const auto& row : decoded.value().codes)
            for (const uint8_t code : row)
                if (code != 0) unit.insert(got.packets[size_t(i)].rgb[code]);
        f.ListBox1.itemIndex = i;
        f.ListBox1Click();
        const Frame drawn = f.preview;
        f.LoadPreviewBackground();
        for (int y = 0; y < drawn.Height(); ++y)
            for (int x = 0; x < drawn.Width(); ++x)
                if (drawn.At(x, y) != f.preview.At(x, y)) shown.insert(drawn.At(x, y).Packed());
        EXPECT_EQ(shown, unit);
        EXPECT_EQ(shown.count(0xFFFF00), 1u);
    }
}

TEST_F(VobSubRun, UntickedBoxWritesNoPair) {
    TForm1& f = Loaded(2);
    f.CheckBoxVobSub.checked = false;
    f.ButtonGenerateSupClick();
    EXPECT_TRUE(Exists("movie.sup"));
    EXPECT_FALSE(Exists("movie.idx"));
    EXPECT_FALSE(Exists("movie.sub"));
}

TEST_F(VobSubRun, TheHelpFileListsThePairInsteadOfASupThatWasNotWritten) {
    TForm1& f = Loaded(2);
    f.OutputCheckBox("sup").checked = false;
    f.ButtonGenerateSupClick();
    EXPECT_FALSE(Exists("movie.sup"));
    const std::string help = TempDir::Read(dir.File("movie.Glyphon_Help.txt"));
    const std::string stem = dir.File("movie");
    EXPECT_NE(help.find("Generated Files:\r\n" + stem + ".idx\r\n" + stem + ".sub\r\n" + stem +
                        ".Glyphon_Help.txt"),
              std::string::npos)
        << help;
}

// Both outputs: the help file and the window's closing message list both.
TEST_F(VobSubRun, TheHelpFileAndClosingMessageListTheSupAndThePair) {
    TForm1& f = Loaded(2);
    f.ButtonGenerateSupClick();
    const std::string stem = dir.File("movie");
    const std::string list = "Generated Files:\r\n" + stem + ".sup\r\n" + stem + ".idx\r\n" + stem +
                             ".sub\r\n" + stem + ".Glyphon_Help.txt";
    const std::string help = TempDir::Read(dir.File("movie.Glyphon_Help.txt"));
    EXPECT_NE(help.find(list), std::string::npos) << help;
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back(), help);
}

TEST_F(VobSubRun, AnAbortLeavesThePairWithTheUnitsWrittenSoFar) {
    TForm1& f = Loaded(5);
    ui.onProcessMessages = [&](int call) {
        if (call == 1 + 2) f.ButtonGenerateSupClick();
    };
    f.ButtonGenerateSupClick();
    EXPECT_EQ(DemuxSubtitles(dir.File("movie.idx")).packets.size(), 2u);
    EXPECT_EQ(SplitSupFile(TempDir::Read(dir.File("movie.sup"))).size(), 2u);
}

TEST_F(VobSubRun, AMicroDvdSubFileIsNeverOverwritten) {
    const std::string microDvd = "{1}{1}25.000\n{25}{50}First line\n{75}{100}Second line\n";
    TForm1& f = Loaded(0, true, "movie.sub", microDvd);
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    EXPECT_EQ(TempDir::Read(dir.File("movie.sub")), microDvd);
    EXPECT_FALSE(Exists("movie.idx"));
    const auto got = DemuxSubtitles(dir.File("movie.vobsub.idx"));
    const auto records = SplitSupFile(TempDir::Read(dir.File("movie.sup")));
    ASSERT_EQ(got.packets.size(), records.size());
    EXPECT_EQ(got.packets.back().ptsMs, 3000);
    EXPECT_EQ(got.packets.back().data, records.back().unit);
}

TEST_F(VobSubRun, TheBoxIsStoredAfterTheOtherKeysAndAbsentMeansOff) {
    TForm1& f = Start();
    EXPECT_FALSE(f.CheckBoxVobSub.checked);
    f.CheckBoxVobSub.checked = true;
    f.Placement = {true, 1, 2, false};
    f.FormClose();
    const std::string ini = TempDir::Read(dir.File("Glyphon_Settings.ini"));
    EXPECT_NE(ini.find("\nWindowState=0\nCheckBoxVobSub_Checked=-1\n"), std::string::npos) << ini;
    EXPECT_TRUE(Start().CheckBoxVobSub.checked);

    dir.Write("Glyphon_Settings.ini", "[Form1]\noffset_Position=40\n");
    EXPECT_FALSE(Start().CheckBoxVobSub.checked);
    dir.Write("Glyphon_Settings.ini", "[Form1]\nCheckBoxVobSub_Checked=maybe\n");
    EXPECT_FALSE(Start().CheckBoxVobSub.checked);
}

TEST_F(VobSubRun, TheBoxIsLockedDuringARun) {
    TForm1& f = Loaded(1);
    bool enabledDuringRun = true;
    ui.onProcessMessages = [&](int) { enabledDuringRun = f.CheckBoxVobSub.enabled; };
    f.ButtonGenerateSupClick();
    EXPECT_FALSE(enabledDuringRun);
    EXPECT_TRUE(f.CheckBoxVobSub.enabled);
}

}  // namespace glyphon::test
