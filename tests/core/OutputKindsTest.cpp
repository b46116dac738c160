// Every output kind of the table is refused before the run writes anything
// when one of its files is an input of the run, except a kind that picks
// names free of the inputs (the VobSub pair).
#include <gtest/gtest.h>

#include <filesystem>

#include "core/Convert.h"
#include "support/FakeTextEngine.h"
#include "support/FixtureOutputKind.h"
#include "support/TempDir.h"

namespace glyphon::test {

TEST(OutputKinds, AnOutputThatIsAnInputRefusesTheRunBeforeAnyFileIsWritten) {
    ScopedFixtureKind fixture;
    FakeTextEngine text;
    const struct {
        const char* kind;
        const char* input;  // another input of the run, named as the kind's output
        bool refused;
    } cases[] = {{"sup", "film.sup", true},
                 {"pgs", "film.pgs.sup", true},
                 {"fixture", "film.fixture.txt", true},
                 {"help", "film.Glyphon_Help.txt", true},
                 {"vobsub", "film.idx", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        TempDir dir;
        ConversionJob job;
        job.subtitle.file = dir.Write("film.srt", "1\n00:00:01,000 --> 00:00:02,000\nOne\n\n");
        job.otherInputs = {dir.Write(c.input, "kept")};
        job.outputs.kinds = {c.kind, "fixture"};
        const ConversionReport r = RunConversion(job, text);
        EXPECT_EQ(r.failure.has_value(), c.refused);
        if (r.failure) {
            EXPECT_EQ(r.failure->stage, ConversionFailure::Stage::Refused);
        }
        EXPECT_EQ(TempDir::Read(dir.File(c.input)), "kept");
        EXPECT_EQ(std::filesystem::exists(dir.File("film.fixture.txt")) &&
                      c.input != std::string("film.fixture.txt"),
                  !c.refused);
    }
}

}  // namespace glyphon::test
