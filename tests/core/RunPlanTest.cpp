// The run plan carried out by the core alone: several inputs into one film,
// the checks made before any file is touched, and a set that is put in
// place whole or not at all. The muxed film is read back by libavformat.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/RunPlan.h"
#include "palette/Palette.h"
#include "support/DvdMpeg.h"
#include "support/FakeTextEngine.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

std::string Srt(int count) {
    std::string s;
    for (int i = 1; i <= count; ++i)
        s += std::to_string(i) + "\n00:00:0" + std::to_string(i) + ",000 --> 00:00:0" + std::to_string(i) +
             ",750\nLine " + std::to_string(i) + "\n\n";
    return s;
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// A plan of the files in `dir`, each its own stream from 0 on, into `film`.
RunPlan PlanOf(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& files,
               const std::string& film) {
    RunPlan plan;
    const auto& generic = GenericPalette();
    for (size_t i = 0; i < 16; ++i) plan.shared.palette.colours[i] = generic[i].color;
    plan.shared.palette.roles =
        RoleIndices{kGenericAntialias, kGenericOutline, kGenericText, kGenericBackground};
    plan.shared.outputs.mux.video = film;
    int stream = 0;
    for (const auto& [name, language] : files) {
        PlanInput in;
        in.path = dir.File(name);
        in.language = language;
        in.stream = stream++;
        plan.inputs.push_back(in);
    }
    return plan;
}

}  // namespace

class PlanWithFilm : public ::testing::Test {
protected:
    TempDir dir;
    std::string film = dir.File("film.mpg");
    void SetUp() override { std::filesystem::copy_file(DvdMpeg(true), film); }
    PlanReport Run(const RunPlan& plan, std::vector<size_t>* started = nullptr) {
        PlanHooks hooks;
        hooks.makeTextEngine = [] { return std::make_unique<FakeTextEngine>(); };
        hooks.started = [started](size_t i) {
            if (started) started->push_back(i);
        };
        return RunConversionPlan(plan, hooks);
    }
};

// Two files, two languages, one film: every stream in one pass, each file's
// own ".sup" beside it, on one thread or two.
TEST_F(PlanWithFilm, MuxesEveryInputAsItsStreamIntoOneFilm) {
    dir.Write("a.srt", Srt(3));
    dir.Write("a.fr.srt", Srt(2));
    for (const int threads : {1, 2}) {
        RunPlan plan = PlanOf(dir, {{"a.srt", "en"}, {"a.fr.srt", "fr"}}, film);
        plan.threads = threads;
        const PlanReport r = Run(plan);
        ASSERT_TRUE(r.converted) << (r.failure ? r.failure->message : std::string());
        EXPECT_EQ(r.muxOutputs.size(), 3u);
        const std::vector<ProgramStreamPacket> packets = DemuxProgramStream(dir.File("a.muxed.mpg"));
        EXPECT_EQ(UnitsOfStream(packets, 0x20).size(), 3u) << threads;
        EXPECT_EQ(UnitsOfStream(packets, 0x21).size(), 2u) << threads;
        const std::string project = TempDir::Read(dir.File("a.dvdauthor.xml"));
        EXPECT_NE(project.find("lang=\"fr\""), std::string::npos) << project;
        EXPECT_TRUE(std::filesystem::exists(dir.File("a.fr.sup")));
    }
}

// Refusals come before any input runs and leave the folder as it was; a
// file that fails leaves no film and none of the others' outputs.
TEST_F(PlanWithFilm, RefusesBeforeAnyInputAndCommitsAllOrNothing) {
    dir.Write("a.srt", Srt(3));
    dir.Write("b.srt", "not a subtitle");
    const struct {
        std::string film;
        std::vector<std::pair<std::string, std::string>> files;
        ConversionFailure::Stage stage;
        bool inputsRun;
    } cases[] = {
        {dir.File("a.srt"), {{"a.srt", "en"}}, ConversionFailure::Stage::Mux, false},     // no program stream
        {dir.File("none.mpg"), {{"a.srt", "en"}}, ConversionFailure::Stage::Mux, false},  // no film at all
        {film, {{"a.srt", "en"}, {"b.srt", "de"}}, ConversionFailure::Stage::Read, true},  // b is unreadable
    };
    for (const auto& c : cases) {
        const std::set<std::string> before = Names(dir.path());
        std::vector<size_t> started;
        const PlanReport r = Run(PlanOf(dir, c.files, c.film), &started);
        EXPECT_FALSE(r.converted);
        const ConversionFailure& f = r.failure ? *r.failure : *r.inputs.back().failure;
        EXPECT_EQ(f.stage, c.stage) << f.message;
        EXPECT_EQ(!started.empty(), c.inputsRun) << f.message;
        EXPECT_EQ(Names(dir.path()), before) << f.message;
    }
    // Two inputs of one name from two folders would write one set of files
    // in the output folder: the second would replace the first's.
    std::filesystem::create_directories(dir.File("en"));
    std::filesystem::create_directories(dir.File("fr"));
    dir.Write("en/film.srt", Srt(2));
    dir.Write("fr/film.srt", Srt(3));
    RunPlan same = PlanOf(dir, {{"en/film.srt", "en"}, {"fr/film.srt", "fr"}}, film);
    same.shared.outputs.folder = dir.File("out");
    std::vector<size_t> started;
    const PlanReport clash = Run(same, &started);
    ASSERT_TRUE(clash.failure);
    EXPECT_EQ(clash.failure->stage, ConversionFailure::Stage::Refused);
    EXPECT_TRUE(started.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
    // A disc file that would replace an input.
    std::filesystem::copy_file(dir.File("a.srt"), dir.File("c.srt"));
    std::filesystem::create_hard_link(dir.File("c.srt"), dir.File("c.palette.yuv"));
    const PlanReport r = Run(PlanOf(dir, {{"c.srt", "en"}}, film));
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->stage, ConversionFailure::Stage::Refused);
    EXPECT_FALSE(std::filesystem::exists(dir.File("c.sup")));
}

}  // namespace glyphon::test
