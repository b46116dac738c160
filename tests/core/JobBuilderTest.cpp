// The one translation of a front end's settings into a job, and the plans
// made of it: what a list text becomes, the palette a source gives, the
// setting that is no number failing the run at its first subtitle, and an
// IFO that an output would replace.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/JobBuilder.h"
#include "core/RunPlan.h"
#include "support/FakeTextEngine.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

RunSettings Settings(const std::string& file) {
    RunSettings s;
    s.subtitle.file = file;
    s.look = {"Arial", "DEFAULT", "Normal", "20", "center", "3", 30, -4};
    s.palette = GenericPaletteSettings(VideoStandard::Pal);
    return s;
}

}  // namespace

TEST(JobBuilder, ListTextsBecomeTheLookAndAFontTakesTheListsSpelling) {
    const std::vector<std::string> fonts{"Arial", "DejaVu Sans"};
    struct Case {
        std::string font, size, width;
        std::string drawn;  // the font the job draws with
        bool unlisted, error;
    };
    for (const Case& c :
         {Case{"dejavu SANS", "24", "2", "DejaVu Sans", false, false},
          Case{"Nowhere Sans", "24", "2", "Nowhere Sans", true, false},
          Case{"Arial", "", "2", "Arial", false, true}, Case{"Arial", "24", "", "Arial", false, true}}) {
        RunSettings s = Settings("a.srt");
        s.look.fontName = c.font;
        s.look.size = c.size;
        s.look.outlineWidth = c.width;
        s.fontItems = &fonts;
        const JobTranslation t = BuildConversionJob(s);
        EXPECT_EQ(t.job.look.fontName, c.drawn);
        EXPECT_EQ(t.fontUnlisted, c.unlisted) << c.font;
        EXPECT_EQ(!t.settingError.empty(), c.error) << c.size << "/" << c.width;
        if (!c.error) {
            EXPECT_EQ(t.job.look.sizePoints * 10 + t.job.look.outlineWidth, 242);
        }
    }
}

TEST(JobBuilder, NamedColoursPaintTheGenericRolesButNotAnIfosOwn) {
    std::array<uint32_t, 16> greys{};
    for (size_t i = 0; i < 16; ++i) greys[i] = uint32_t((0x10 + 0x0E * i) << 16 | 0x8080);
    EXPECT_EQ(IfoPaletteSettings({}, VideoStandard::Ntsc).source, PaletteSource::MonochromeIfo);
    for (const bool ifo : {false, true}) {
        RunSettings s = Settings("a.srt");
        if (ifo) s.palette = IfoPaletteSettings(greys, VideoStandard::Ntsc);
        ASSERT_EQ(s.palette.source, ifo ? PaletteSource::Ifo : PaletteSource::NoIfo);
        const PaletteChoice plain = BuildConversionJob(s).job.palette;
        s.palette.named.text = kPureBlue;  // the frame's background
        const PaletteChoice named = BuildConversionJob(s).job.palette;
        const size_t text = size_t(named.roles.text);
        EXPECT_EQ(named.colours[text] == plain.colours[text], ifo);
        EXPECT_EQ(named.disc[text] == plain.disc[text], ifo);
        EXPECT_FALSE(named.colours[text] == kPureBlue);
    }
}

class JobPlan : public ::testing::Test {
protected:
    TempDir dir;
    std::string srt = dir.Write("movie.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n");
    PlanReport Run(const RunPlan& plan, int* asked) {
        PlanHooks hooks;
        hooks.makeTextEngine = [] { return std::make_unique<FakeTextEngine>(); };
        hooks.run.beforeSubtitle = [asked](int, int) { return ++*asked > 0; };
        return RunConversionPlan(plan, hooks);
    }
};

TEST_F(JobPlan, ASettingThatIsNoNumberFailsAtTheFirstSubtitleAndAnIfoOutputIsRefused) {
    dir.Write("movie.sup", "previous");
    struct Case {
        std::string width, ifo;
        ConversionFailure::Stage stage;
        int asked;  // subtitles the run came to
    };
    for (const Case& c : {Case{"", "", ConversionFailure::Stage::Output, 1},
                          Case{"3", dir.File("movie.sup"), ConversionFailure::Stage::Refused, 0}}) {
        RunSettings s = Settings(srt);
        s.look.outlineWidth = c.width;
        s.ifoFile = c.ifo;
        const JobTranslation t = BuildConversionJob(s);
        int asked = 0;
        const PlanReport r = Run(PlanOfOneJob(t.job, t.settingError), &asked);
        ASSERT_EQ(r.failed, 1u);
        ASSERT_TRUE(r.inputs[0].failure);
        EXPECT_EQ(r.inputs[0].failure->stage, c.stage);
        if (c.stage == ConversionFailure::Stage::Output) {
            EXPECT_EQ(r.inputs[0].failure->message, t.settingError);
        }
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(TempDir::Read(dir.File("movie.sup")), "previous");
        EXPECT_FALSE(std::filesystem::exists(dir.File("movie.Glyphon_Help.txt")));
    }
}

}  // namespace glyphon::test
