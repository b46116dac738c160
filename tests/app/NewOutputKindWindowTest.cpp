// An output kind added to the output table alone (a test fixture's row) is
// written by the window's run, with the cue times libavformat reads, and
// has its own box in the Outputs panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/OutputKinds.h"
#include "support/FixtureOutputKind.h"
#include "support/ModelFixture.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

class NewOutputKindWindow : public ModelTest {};

TEST_F(NewOutputKindWindow, GenerateSupWritesIt) {
    ScopedFixtureKind fixture;
    TForm1& f = Start();
    f.SetNoIfoChecked(true);
    const std::string srt = dir.Write("film.srt",
                                      "1\n00:00:01,000 --> 00:00:02,500\nOne\n\n"
                                      "2\n00:00:02,500 --> 00:00:04,000\nTwo\n\n"
                                      "3\n00:10:00,040 --> 00:10:02,000\nThree\n\n");
    ui.dialogAnswers.push_back(srt);
    f.ButtonLoadSubClick();
    ASSERT_TRUE(f.SubtitleLoaded);
    f.ButtonGenerateSupClick();
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(TempDir::Read(dir.File("film.fixture.txt")), FixtureLinesOf(DemuxTextCueTimes(srt)));
    EXPECT_TRUE(std::filesystem::exists(dir.File("film.sup")));
}

// Its box carries the row's caption and starts as the row's default; the
// run writes the file exactly while the box is ticked, and the choice is
// kept in the settings file for the next start.
TEST_F(NewOutputKindWindow, ItsBoxInTheOutputsPanelChoosesItAndIsStored) {
    ScopedFixtureKind fixture;
    const auto row = std::find_if(OutputKinds().begin(), OutputKinds().end(),
                                  [](const OutputKind& k) { return k.name == "fixture"; });
    TForm1& f = Start();
    const TCheckBox& box = f.OutputCheckBox("fixture");
    EXPECT_TRUE(box.visible);
    EXPECT_EQ(box.caption, row->caption);
    f.SetNoIfoChecked(true);
    const std::string srt = dir.Write("film.srt", "1\n00:00:01,000 --> 00:00:02,500\nOne\n\n");
    ui.dialogAnswers.push_back(srt);
    f.ButtonLoadSubClick();
    for (const bool ticked : {false, true, false}) {
        std::filesystem::remove(dir.File("film.fixture.txt"));
        f.OutputCheckBox("fixture").checked = ticked;
        f.OutputBoxClick("fixture");
        f.ButtonGenerateSupClick();
        EXPECT_TRUE(ui.errors.empty());
        EXPECT_EQ(std::filesystem::exists(dir.File("film.fixture.txt")), ticked);
        EXPECT_TRUE(std::filesystem::exists(dir.File("film.sup")));
    }
    f.FormClose();
    EXPECT_FALSE(Start().OutputCheckBox("fixture").checked);
}

}  // namespace glyphon::test
