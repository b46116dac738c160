// Loading subtitle files as people have them: what the window says about
// parts it left out, about a UTF-8 file read in a single-byte character set,
// about every line too wide, and what wrapping and extra lines do; the run
// puts every cue at its time.
#include <gtest/gtest.h>

#include <optional>

#include "render/FontTables.h"
#include "render/TextEngine.h"
#include "subtitle/Subtitle.h"
#include "support/DvdSubDecoder.h"
#include "support/Legacy.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

class RealWorldLoad : public ModelTest {
protected:
    TForm1& Ready() {
        TForm1& f = Start();
        f.SetNoIfoChecked(true);
        ui.messages.clear();
        return f;
    }
    void Load(TForm1& f, const std::string& path) {
        ui.dialogAnswers.push_back(path);
        f.ButtonLoadSubClick();
    }
};

TEST_F(RealWorldLoad, UnreadableBlocksAreListedInOneMessageWithTheirLines) {
    TForm1& f = Ready();
    Load(f, dir.Write("broken.srt",
                      "1\r\n00:00:01,000 --> 00:00:02,000\r\nfirst\r\n\r\n"
                      "2\r\n00:00:03,000 -> 00:00:04,000\r\nlost\r\n\r\n"
                      "3\r\n00:00:05,000 --> 00:00:06,000\r\nthird\r\n\r\nstray\r\n"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], std::string(kLeftOutHeading) + "\rline 6: 00:00:03,000 -> 00:00:04,000");
    EXPECT_EQ(ui.messages[1], "Subtitle Style Modified/Loaded Successfully");
    // Text after a blank line stays with its subtitle, as players show it.
    EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"first", "third|stray"}));
    EXPECT_TRUE(f.SubtitleLoaded);
}

TEST_F(RealWorldLoad, Utf8FileInASingleByteCharacterSetSwitchesToUtf8AndSaysSo) {
    TForm1& f = Ready();
    ASSERT_EQ(f.ComboBoxFontCharset.Text(), "DEFAULT");
    Load(f, dir.Write("utf8.srt", "1\n00:00:01,000 --> 00:00:02,000\nCaf\xC3\xA9\n"));
    EXPECT_EQ(f.ComboBoxFontCharset.Text(), "UTF-8");
    // One message says both.
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{"This file is UTF-8 text, not DEFAULT: the character set is now "
                                        "UTF-8.\rSubtitle Style Modified/Loaded Successfully"}));
    EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"Caf\xC3\xA9"}));
    EXPECT_EQ(f.ShownText(f.ListBox1.items[0]), "Caf\xC3\xA9");

    // A Windows-1252 file afterwards changes nothing; neither does a
    // multi-byte set chosen by the user.
    ui.messages.clear();
    f.ComboBoxFontCharset.SetItemIndex(14);  // SHIFTJIS
    Load(f, dir.Write("again.srt", "1\n00:00:01,000 --> 00:00:02,000\nCaf\xC3\xA9\n"));
    EXPECT_EQ(f.ComboBoxFontCharset.Text(), "SHIFTJIS");
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Subtitle Style Modified/Loaded Successfully"}));
}

TEST_F(RealWorldLoad, EveryLineTooWideIsNamedAndWrappingMakesThemFit) {
    TForm1& f = Ready();
    f.CheckBoxWrap.checked = false;
    const std::string wide(700, 'w');
    const std::string words =
        "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa " +
        std::string(400, 'b') + " " + std::string(400, 'c');
    const std::string path = dir.Write("wide.srt", "1\n00:00:01,000 --> 00:00:02,000\nfits\n" + words +
                                                       "\n\n"
                                                       "2\n00:00:03,000 --> 00:00:04,000\nfits\n\n"
                                                       "3\n00:00:05,000 --> 00:00:06,000\n" +
                                                       wide + "\n");
    Load(f, path);
    EXPECT_FALSE(f.SubtitleLoaded);
    ASSERT_EQ(f.TooWide.size(), 2u);
    EXPECT_EQ(f.TooWide[0].entry, 1);
    EXPECT_EQ(f.TooWide[0].line, 2);
    EXPECT_EQ(f.TooWide[1].entry, 3);
    EXPECT_EQ(f.TooWide[1].line, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "These subtitles do not fit the frame:\rsubtitle 1, line 2: " + words +
                  "\rsubtitle 3, line 1: " + wide +
                  "\rPlease correct the srt and reload it. You can just use a smaler font size.");

    // Wrapped, the long line of the first subtitle fits; the one long word
    // of the third cannot be broken and is still named.
    f.CheckBoxWrap.checked = true;
    ui.messages.clear();
    Load(f, path);
    ASSERT_EQ(f.TooWide.size(), 1u);
    EXPECT_EQ(f.TooWide[0].entry, 3);
    const std::vector<RunLine> lines = f.LinesToDraw(f.Subtitles->Lines[0], f.ChosenFont());
    ASSERT_EQ(lines.size(), 3u);  // "fits" and the long line in two
    EXPECT_EQ(lines[1][0].text.size(), 494u);
    EXPECT_EQ(lines[2][0].text.size(), 400u);

    // A single entry too wide keeps the one-subtitle message.
    ui.messages.clear();
    Load(f, dir.Write("one.srt", "1\n00:00:01,000 --> 00:00:02,000\nshort\n" + wide + "\n"));
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{"The string \rshort\r" + wide +
                                        "\ris too long. Please correct the srt and reload it. You can just "
                                        "use a smaler font size."}));
}

TEST_F(RealWorldLoad, ThirdAndFurtherLinesAreListedAndMustStayWithinTheFrame) {
    TForm1& f = Ready();
    Load(f, dir.Write("three.srt", "1\n00:00:01,000 --> 00:00:02,000\none\ntwo\nthree\n"));
    EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"one|two|three"}));
    EXPECT_TRUE(f.SubtitleLoaded);

    // Eighteen lines of 27 rows stacked up from row 510 cannot stay within
    // the frame.
    ui.messages.clear();
    std::string lines;
    for (int i = 1; i <= 18; ++i) lines += std::to_string(i) + "\n";
    Load(f, dir.Write("many.srt", "1\n00:00:01,000 --> 00:00:02,000\n" + lines));
    EXPECT_FALSE(f.SubtitleLoaded);
    ASSERT_EQ(f.TooWide.size(), 1u);
    EXPECT_TRUE(f.TooWide[0].belowFrame);
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{
                  "These subtitles do not fit the frame:\rsubtitle 1: its 18 lines reach above the frame\r"
                  "Please correct the srt and reload it. You can just use a smaler font size."}));
}

TEST_F(RealWorldLoad, WrapIsOnForNewSettingsAndStoredAfterTheOthers) {
    TForm1& f = Ready();
    EXPECT_TRUE(f.CheckBoxWrap.checked);
    f.CheckBoxWrap.checked = false;
    f.CheckBoxWrapClick();
    const std::string ini = TempDir::Read(dir.File("Glyphon_Settings.ini"));
    const size_t vobsub = ini.find("CheckBoxVobSub_Checked="), wrap = ini.find("CheckBoxWrap_Checked=0");
    ASSERT_NE(wrap, std::string::npos) << ini;
    EXPECT_LT(vobsub, wrap);
    // Read back by a new window.
    Start();
    EXPECT_FALSE(form->CheckBoxWrap.checked);
    // The bottom-line anchor goes after every other key.
    form->CheckBoxAnchorBottom.checked = true;
    form->CheckBoxAnchorBottomClick();
    const std::string again = TempDir::Read(dir.File("Glyphon_Settings.ini"));
    EXPECT_EQ(again.rfind('\n', again.size() - 2), again.find("\nCheckBoxAnchorBottom_Checked=-1")) << again;
    Start();
    EXPECT_TRUE(form->CheckBoxAnchorBottom.checked);
}

// A file in a legacy code page selects the item that reads it, or is read
// as UTF-8 when no item does, and says so in one message.
TEST_F(RealWorldLoad, LegacyFileSelectsTheCharacterSetThatReadsIt) {
    TForm1& f = Ready();
    for (const Dialogue& d : Dialogues()) {
        if (d.code != "CP1251" && d.code != "KOI8-R") continue;
        ui.messages.clear();
        f.ComboBoxFontCharset.SetItemIndex(kDefaultCharsetPosition);
        Load(f, dir.Write("ru.srt", Encoded(d.srt, d.code)));
        EXPECT_EQ(f.ComboBoxFontCharset.Text(), d.item);
        ASSERT_EQ(ui.messages.size(), 1u);  // the character set and the load in one
        EXPECT_NE(ui.messages[0].find(d.code == "KOI8-R" ? "KOI8-R" : "Windows-1251"), std::string::npos);
        EXPECT_EQ(f.ShownText(f.ListBox1.items[0]), "Привет! Ты уже слышал новости?");
    }
}

// The real engine: a downloaded file's cues each become a unit at its time,
// every line drawn, and a cue placed at the top drawn in the upper half.
class RealWorldRun : public ::testing::Test {
protected:
    TempDir dir;
    FakeUi ui;
    std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
};

TEST_F(RealWorldRun, EveryCueOfADownloadedFileIsAUnitAtItsTime) {
    ASSERT_TRUE(DvdSubDecoderAvailable()) << "built without libavcodec";
    AppEnvironment env;
    env.programDir = dir.path() + "/";
    env.settingsPath = dir.File("Glyphon_Settings.ini");
    env.args = {"glyphon"};
    TForm1 f(ui, *text, env);
    f.FormCreate();
    f.FormShow();
    f.FormActivate();
    f.SetNoIfoChecked(true);
    const std::string path =
        dir.Write("downloaded.srt",
                  "\xEF\xBB\xBF"
                  "1\r\n00:00:01,000-->00:00:02,000\r\n<i>Caf\xC3\xA9</i>\r\n\r\n"
                  "1\r\n0:00:03.5 --> 0:00:04,000 X1:100 X2:600 Y1:400 Y2:450\r\n{\\an8}<font "
                  "color=\"red\">Top</font>\r\n\r\n"
                  "3\r\n00:00:05,000 --> 00:00:06,000\r\n\r\n"
                  "4\r\n00:00:07,000 --> 00:00:08,000\r\none\r\n<b>two</b>\r\nthree\r\n");
    ui.dialogAnswers.push_back(path);
    f.ButtonLoadSubClick();
    ASSERT_TRUE(f.SubtitleLoaded) << (ui.messages.empty() ? "" : ui.messages.back());
    f.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
    const auto records = SplitSupFile(TempDir::Read(dir.File("downloaded.sup")));
    ASSERT_EQ(records.size(), 4u);
    const uint32_t starts[] = {1000, 3005, 5000, 7000};  // "03.5": 5 ms, as FFmpeg reads it
    DvdSubDecoder decoder;
    std::vector<std::optional<DecodedSubPicture>> pictures;
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].pts, starts[i] * 90) << "cue " << i + 1;
        pictures.push_back(decoder.Decode(records[i].unit));
    }
    ASSERT_TRUE(pictures[0] && pictures[1] && pictures[3]);
    EXPECT_FALSE(pictures[2]);  // the empty cue shows nothing, but keeps its time
    EXPECT_GT(pictures[0]->y, 576 / 2);
    EXPECT_LT(pictures[1]->y + pictures[1]->h, 576 / 2);  // {\an8}: at the top
    // Three lines of about 30 rows each.
    EXPECT_GT(pictures[3]->h, 3 * 27);
}

}  // namespace glyphon::test

namespace glyphon::test {

// A batch line refuses a line too wide, whatever the window was left with.
TEST_F(RealWorldLoad, BatchLineRefusesALineTooWideWhateverTheWindowWasLeftWith) {
    const std::string srt =
        dir.Write("long.srt", "1\r\n00:00:01,000 --> 00:00:02,500\r\n" + std::string(400, 'a') + " " +
                                  std::string(400, 'b') + "\r\n\r\n");
    const std::vector<std::string> job = {"glyphon", "-1", "none", srt,  "-1", "1",  "0",  "3", "0",
                                          "0",       "4",  "0",    "14", "0",  "30", "-4", "1"};
    Start(job);
    EXPECT_FALSE(ui.terminated);  // too wide without wrapping
    dir.Write("Glyphon_Settings.ini", "[Form1]\r\nCheckBoxWrap_Checked=-1\r\n");
    Start(job);
    EXPECT_FALSE(ui.terminated);
    EXPECT_FALSE(form->CheckBoxWrap.checked);
}

}  // namespace glyphon::test
