// An output kind added to the output table alone (a test fixture's row)
// reaches both command lines: `--format` takes it, the help lists it, the
// clash check and the help file name its file, and the 16-argument line's
// run writes it as a kind on by default.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliSupport.h"
#include "support/FixtureOutputKind.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

namespace {

const char* const kCues =
    "1\n00:00:01,000 --> 00:00:02,500\nOne\n\n"
    "2\n00:00:03,001 --> 00:00:04,000\nTwo\nlines\n\n"
    "3\n00:01:00,040 --> 00:01:02,000\nThree\n\n";

}  // namespace

class NewOutputKind : public ::testing::Test {
protected:
    ScopedFixtureKind fixture;
    TempDir dir;
    std::string srt = dir.Write("film.srt", kCues);
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.File(name)); }
};

TEST_F(NewOutputKind, EveryCommandLineWritesItWithTheCueTimesLibavformatReads) {
    const std::string expected = FixtureLinesOf(DemuxTextCueTimes(srt));
    struct Case {
        const char* line;
        std::function<RunResult()> run;
        bool sup;  // the ".sup" is written beside it
    };
    const Case cases[] = {
        {"named, --format fixture",
         [&] {
             return RunNamed({"--format", "fixture", srt});
         },
         false},
        {"named, default formats", [&] { return RunNamed({srt}); }, true},
        {"16 arguments",
         [&] {
             return RunSixteen(dir, {"-1", "none", srt, "-1", "1", "0", "3", "0", "0", "4", "0", "14", "0",
                                     "30", "-4", "1"});
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const RunResult r = c.run();
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(TempDir::Read(dir.File("film.fixture.txt")), expected);
        EXPECT_EQ(Exists("film.sup"), c.sup);
        const std::string help = TempDir::Read(dir.File("film.Glyphon_Help.txt"));
        EXPECT_NE(help.find(dir.File("film.fixture.txt")), std::string::npos) << help;
        for (const char* name : {"film.fixture.txt", "film.sup", "film.Glyphon_Help.txt"})
            std::filesystem::remove(dir.File(name));
    }
}

TEST_F(NewOutputKind, TheHelpAndTheClashCheckKnowIt) {
    std::string help;  // the words of the help, whatever their lines
    for (const char c : UsageText())
        if (!(c == ' ' || c == '\n') || (!help.empty() && help.back() != ' ')) help += c == '\n' ? ' ' : c;
    EXPECT_NE(help.find("fixture (NAME.fixture.txt)"), std::string::npos) << help;
    // film.srt and film.sub in one folder share their outputs' stem.
    const std::string sub = dir.Write("film.sub", "{1}{1}25\n{25}{50}One\n");
    const RunResult r = RunNamed({"--format", "fixture", srt, sub});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("film.fixture.txt"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists("film.fixture.txt"));
}

}  // namespace glyphon::test
