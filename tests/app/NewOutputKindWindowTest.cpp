// An output kind added to the output table alone (a test fixture's row) is
// written by the window's run, with the cue times libavformat reads.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace glyphon::test
