// What a start with a window makes of its arguments, files opened by name
// or by dropping them, the font kept by name, and stored places kept on
// screen.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/FileArgument.h"
#include "app/WindowPlacement.h"
#include "support/ModelFixture.h"

namespace glyphon::test {

namespace {

const std::string kIfo = std::string(GLYPHON_TEST_DATA) + "/ifo/pal/VTS_01_0.IFO";

std::vector<std::string> BatchLine(const std::string& file) {
    return {"glyphon", "-1", "none", file, "-1", "1",  "0",  "3", "0",
            "0",       "4",  "0",    "14", "0",  "30", "-4", "1"};
}

}  // namespace

using WindowStartTest = ModelTest;

TEST_F(WindowStartTest, ArgumentsAreAFileAJobAPlainStartOrAMistake) {
    const std::string srt = dir.Write("movie.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n");
    std::filesystem::create_directory(dir.File("folder"));

    EXPECT_EQ(ExamineWindowArguments({"glyphon"}).kind, WindowStart::Plain);
    EXPECT_EQ(ExamineWindowArguments(BatchLine(srt)).kind, WindowStart::CommandLine);
    // Short of 16 arguments, a batch line's negative numbers are no options.
    EXPECT_EQ(ExamineWindowArguments({"glyphon", "-1", "none", srt}).kind, WindowStart::Plain);

    const WindowStart file = ExamineWindowArguments({"glyphon", srt});
    EXPECT_EQ(file.kind, WindowStart::File);
    EXPECT_EQ(file.file, srt);

    for (const char* option : {"--bogus", "-x", "-", "--"}) {
        const WindowStart bad = ExamineWindowArguments({"glyphon", option});
        EXPECT_EQ(bad.kind, WindowStart::Usage) << option;
        EXPECT_EQ(bad.message, std::string("unknown option '") + option + "'");
    }
    EXPECT_EQ(ExamineWindowArguments({"glyphon", srt, "--bogus"}).kind, WindowStart::Usage);

    const WindowStart missing = ExamineWindowArguments({"glyphon", "missing.srt"});
    EXPECT_EQ(missing.kind, WindowStart::Unreadable);
    EXPECT_EQ(missing.message, "Cannot open 'missing.srt': File not found.");
    EXPECT_EQ(ExamineWindowArguments({"glyphon", dir.File("folder")}).message,
              "Cannot open '" + dir.File("folder") + "': it is a folder.");
}

TEST_F(WindowStartTest, AFileThatCannotBeOpenedIsNamedInAnErrorBoxOverTheWindow) {
    TForm1& f = Start({"glyphon", "missing.srt"});
    CarryOutWindowStart(f, ExamineWindowArguments(f.env().args));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Cannot open 'missing.srt': File not found.");
    EXPECT_FALSE(f.SubtitleLoaded);
    EXPECT_FALSE(f.IfoLoaded);
}

TEST_F(WindowStartTest, AnIfoFileLoadsThePaletteAndAnyOtherFileTheSubtitles) {
    EXPECT_TRUE(IsIfoFileName("/dvd/VIDEO_TS/VTS_01_0.IFO"));
    EXPECT_TRUE(IsIfoFileName("vts_01_0.ifo"));
    EXPECT_FALSE(IsIfoFileName("movie.srt"));
    EXPECT_FALSE(IsIfoFileName("ifo"));

    TForm1& f = Start();
    OpenFileInWindow(f, kIfo);
    EXPECT_TRUE(f.IfoLoaded);
    EXPECT_FALSE(f.NoIfoMode);
    EXPECT_EQ(f.EditLoadIfo.text, kIfo);
    EXPECT_TRUE(ui.dialogTitles.empty());  // no dialog asked for the file

    const std::string srt = dir.Write("movie.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n");
    OpenFileInWindow(f, srt);
    EXPECT_TRUE(f.SubtitleLoaded);
    EXPECT_FALSE(f.NoIfoMode);  // the IFO's palette stays
    EXPECT_EQ(f.ListBox1.items, std::vector<std::string>{"Hello"});
    EXPECT_TRUE(ui.errors.empty());

    // A subtitle first (the generic palette), then the IFO: the IFO's
    // palette replaces the generic one.
    TForm1& g = Start();
    OpenFileInWindow(g, srt);
    ASSERT_TRUE(g.NoIfoMode);
    OpenFileInWindow(g, kIfo);
    EXPECT_FALSE(g.i_dont_have_ifo.checked);
    EXPECT_FALSE(g.NoIfoMode);
    EXPECT_TRUE(g.IfoLoaded);
    EXPECT_TRUE(g.ButtonLoadIfo.enabled);
    EXPECT_EQ(g.EditLoadIfo.text, kIfo);
}

TEST_F(WindowStartTest, TheFontIsStoredByNameAfterTheOtherKeysAndTheNameIsPreferred) {
    TForm1& f = Start();
    const auto& fonts = f.ComboBoxFontName.items;
    const int serif = int(std::find(fonts.begin(), fonts.end(), "Liberation Serif") - fonts.begin());
    ASSERT_LT(serif, int(fonts.size()));
    f.UserPick(f.ComboBoxFontName, serif);
    f.FormClose();
    const std::string ini = TempDir::Read(dir.File("Glyphon_Settings.ini"));
    const size_t name = ini.find("\nComboBoxFontName_Text=Liberation Serif\n");
    ASSERT_NE(name, std::string::npos) << ini;
    for (const char* key : {"offset_or_Position=", "CheckBoxVobSub_Checked="})
        EXPECT_LT(ini.find(key), name) << key;

    // Another font installed since: the stored position now names another
    // family, the stored name still finds its own.
    dir.Write("Glyphon_Settings.ini",
              "[Form1]\nComboBoxFontName_ItemIndex=1\nComboBoxFontName_Text=Liberation Serif\n");
    EXPECT_EQ(Start().ComboBoxFontName.Text(), "Liberation Serif");
    // A name no longer installed (or none stored): the position holds.
    dir.Write("Glyphon_Settings.ini",
              "[Form1]\nComboBoxFontName_ItemIndex=1\nComboBoxFontName_Text=Gone Sans\n");
    EXPECT_EQ(Start().ComboBoxFontName.itemIndex, 1);
    dir.Write("Glyphon_Settings.ini", "[Form1]\nComboBoxFontName_ItemIndex=2\n");
    EXPECT_EQ(Start().ComboBoxFontName.itemIndex, 2);
}

TEST(StoredPlace, IsPulledWhollyOntoTheScreenThatShowsMostOfIt) {
    const std::vector<ScreenArea> one = {{0, 0, 1280, 1024}};
    // Stored at 1x on a 1920 x 1080 desktop, shown at 2x: the bottom would
    // be off the (now 960 x 540) screen.
    const std::vector<ScreenArea> halved = {{0, 0, 960, 540}};
    EXPECT_EQ(KeptOnScreen({true, 100, 50, false}, 803, 705, one).x, 100);
    EXPECT_EQ(KeptOnScreen({true, 100, 50, false}, 803, 705, one).y, 50);
    EXPECT_EQ(KeptOnScreen({true, 600, 500, false}, 803, 705, one).x, 1280 - 803);
    EXPECT_EQ(KeptOnScreen({true, 600, 500, false}, 803, 705, one).y, 1024 - 705);
    EXPECT_EQ(KeptOnScreen({true, -40, -10, false}, 803, 705, one).x, 0);
    EXPECT_EQ(KeptOnScreen({true, -40, -10, false}, 803, 705, one).y, 0);
    // Too tall for the screen: the top edge stays on it.
    EXPECT_EQ(KeptOnScreen({true, 100, 300, false}, 803, 705, halved).y, 0);
    EXPECT_EQ(KeptOnScreen({true, 100, 300, false}, 803, 705, halved).x, 100);
    EXPECT_EQ(KeptOnScreen({true, 500, 300, false}, 803, 705, halved).x, 960 - 803);
    // Two screens: the one holding most of the window keeps it.
    const std::vector<ScreenArea> two = {{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
    EXPECT_EQ(KeptOnScreen({true, 1200, 600, false}, 803, 705, two).x, 1280);
    EXPECT_EQ(KeptOnScreen({true, 1200, 600, false}, 803, 705, two).y, 1080 - 705);
    EXPECT_EQ(KeptOnScreen({true, 5000, 5000, false}, 803, 705, two).x, 5000);  // on none: as stored
}

}  // namespace glyphon::test
