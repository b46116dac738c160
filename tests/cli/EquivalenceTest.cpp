// A named command line writes the same bytes as the 16-argument line (and
// the window) with the same settings: fonts by name against font positions,
// every list by its text against its position, generic palette and IFO.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliSupport.h"
#include "render/FontTables.h"
#include "support/FakeUi.h"

namespace glyphon::test {

namespace {

std::string FontPosition(const std::string& family) {
    const std::vector<std::string> list = BuildFontNameList(Families());
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == family) return std::to_string(i);
    ADD_FAILURE() << family << " is not installed";
    return "0";
}

const std::string kPalIfo = GLYPHON_TEST_DATA "/ifo/pal/VTS_01_0.IFO";
const std::string kNtscIfo = GLYPHON_TEST_DATA "/ifo/ntsc/VTS_01_0.IFO";

}  // namespace

class Equivalence : public ::testing::Test {
protected:
    TempDir dir;
    std::string subtitle = dir.File("real film.srt");

    void SetUp() override {
        std::filesystem::copy_file(GLYPHON_TEST_DATA "/subtitle/vim-subtitles/subtitle.srt", subtitle);
    }

    void ExpectSame(const std::vector<std::string>& named, std::vector<std::string> sixteen) {
        const RunResult a = RunNamed(named);
        ASSERT_EQ(a.status, 0) << a.err;
        const Outputs fromNamed = TakeOutputs(subtitle);
        const RunResult b = RunSixteen(dir, sixteen);
        ASSERT_EQ(b.status, 0) << b.err;
        const Outputs fromSixteen = TakeOutputs(subtitle);
        ASSERT_FALSE(fromNamed.sup.empty());
        EXPECT_TRUE(fromNamed.sup == fromSixteen.sup) << "the .sup files differ";
        EXPECT_EQ(fromNamed.help, fromSixteen.help);
    }
};

TEST_F(Equivalence, DefaultsMatchTheDefaultBatchLine) {
    ExpectSame({subtitle},
               {"-1", "none", subtitle, "-1", "1", "0", "3", "0", "0", "4", "0", "14", "0", "30", "-4", "1"});
}

TEST_F(Equivalence, EveryListByTextMatchesItsPosition) {
    // NTSC, roles text 2 outline 1 antialias 3 background 0, DejaVu Sans,
    // ANSI, Bold+Italic, 18 points, left, offset 40, spacing -7 (-6), width 4.
    ExpectSame({"--standard", "ntsc",    "--colors",       "2,1,3,0", "--font",    "DejaVu Sans", "--charset",
                "ansi",       "--style", "bold+italic",    "--size",  "18",        "--align",     "left",
                "--offset",   "40",      "--line-spacing", "-7",      "--outline", "4",           subtitle},
               {"true", "none", subtitle, "0", "3", "1", "2", "0", FontPosition("DejaVu Sans"), "0", "4",
                "12", "1", "40", "-7", "2"});
}

TEST_F(Equivalence, FontNamesInAnyCaseMatchTheirPositions) {
    ExpectSame(
        {"--font", "liberation serif", "--style", "UNDERLINE", "--size", "28", "--align", "right", subtitle},
        {"-1", "none", subtitle, "-1", "1", "0", "3", "0", FontPosition("Liberation Serif"), "4", "3", "22",
         "2", "30", "-4", "1"});
}

TEST_F(Equivalence, IfoWithColorsMatchesTheIfoLine) {
    ExpectSame(
        {"--ifo", kNtscIfo, "--colors", "1,2,3,4", subtitle},
        {"0", kNtscIfo, subtitle, "-1", "3", "2", "1", "4", "0", "4", "0", "14", "0", "30", "-4", "1"});
}

// Without --colors the roles are those the window picks from the IFO's
// greys: the same bytes as loading the IFO and the subtitle in the window
// and pressing "Generate Sup".
TEST_F(Equivalence, IfoDefaultsMatchTheWindowsPicks) {
    const RunResult named = RunNamed({"--ifo", kPalIfo, subtitle});
    ASSERT_EQ(named.status, 0) << named.err;
    const Outputs fromNamed = TakeOutputs(subtitle);

    FakeUi ui;
    const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    AppEnvironment env;
    env.programDir = dir.path() + "/";
    env.settingsPath = dir.File("Glyphon_Settings.ini");
    env.args = {"glyphon"};
    env.installedFamilies = Families();
    TForm1 form(ui, *text, env);
    form.FormCreate();
    form.FormShow();
    form.FormActivate();
    ui.dialogAnswers = {kPalIfo, subtitle};
    form.ButtonLoadIfoClick();
    form.ButtonLoadSubClick();
    form.ButtonGenerateSupClick();
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    const Outputs fromWindow = TakeOutputs(subtitle);
    ASSERT_FALSE(fromWindow.sup.empty());
    EXPECT_TRUE(fromNamed.sup == fromWindow.sup) << "the .sup files differ";
    EXPECT_EQ(fromNamed.help, fromWindow.help);
    EXPECT_NE(fromNamed.help.find("(Case : With Ifo)"), std::string::npos);
}

}  // namespace glyphon::test
