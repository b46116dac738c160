// The conversion core called directly, as every front end calls it: a job
// in plain types, progress, cancellation and the report of what failed where.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "core/Convert.h"
#include "palette/Palette.h"
#include "support/DvdSubDecoder.h"
#include "support/FakeTextEngine.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

std::string Srt(int count, const std::string& text = "Line") {
    std::string s;
    for (int i = 1; i <= count; ++i)
        s += std::to_string(i) + "\n00:00:0" + std::to_string(i) + ",000 --> 00:00:0" + std::to_string(i) +
             ",750\n" + text + " " + std::to_string(i) + "\n\n";
    return s;
}

ConversionJob GenericJob(const std::string& file) {
    ConversionJob job;
    job.subtitle.file = file;
    const auto& generic = GenericPalette();
    for (size_t i = 0; i < 16; ++i) job.palette.colours[i] = generic[i].color;
    job.palette.roles = RoleIndices{kGenericAntialias, kGenericOutline, kGenericText, kGenericBackground};
    return job;
}

}  // namespace

class Convert : public ::testing::Test {
protected:
    TempDir dir;
    FakeTextEngine text;
};

TEST_F(Convert, ReadsChecksAndWritesEveryUnitWithItsTimes) {
    ConversionJob job = GenericJob(dir.Write("film.srt", Srt(3)));
    std::vector<int> progress;
    ConversionHooks hooks;
    hooks.progress = [&](int done, int total) { progress.push_back(done * 10 + total); };
    const ConversionReport r = RunConversion(job, text, hooks);
    ASSERT_FALSE(r.failure) << r.failure->message;
    EXPECT_TRUE(r.converted);
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(progress, (std::vector<int>{13, 23, 33}));
    const std::vector<SupRecord> records = SplitSupFile(TempDir::Read(dir.File("film.sup")));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].pts, 2000u * 90);
    EXPECT_EQ(TempDir::Read(dir.File("film.Glyphon_Help.txt")), r.helpText);
    EXPECT_EQ(r.helpText.rfind("All Done !!! (Case : No Ifo)\r\n", 0), 0u);
}

TEST_F(Convert, CancelledRunKeepsTheUnitsWrittenAndWritesNoHelpFile) {
    ConversionJob job = GenericJob(dir.Write("film.srt", Srt(5)));
    std::atomic<bool> cancel{false};
    ConversionHooks hooks;
    hooks.cancel = &cancel;
    hooks.progress = [&](int done, int) { cancel = done == 2; };
    const ConversionReport r = RunConversion(job, text, hooks);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.converted);
    EXPECT_FALSE(r.failure);
    EXPECT_EQ(SplitSupFile(TempDir::Read(dir.File("film.sup"))).size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.Glyphon_Help.txt")));
}

// A styled script stopped while its DVD units are written keeps those, and
// its PGS stream, which it had not begun, leaves the file of that name alone;
// stopped while the PGS stream is drawn, it keeps the sets drawn.
TEST_F(Convert, StoppedStyledRunKeepsWhatItDrew) {
    std::string events;
    for (int i = 1; i <= 4; ++i)
        events += "Dialogue: 0,0:00:0" + std::to_string(i) + ".00,0:00:0" + std::to_string(i) +
                  ".50,Default,Line " + std::to_string(i) + "\n";
    ConversionJob job = GenericJob(dir.Write("film.ass",
                                             "[Script Info]\nScriptType: v4.00+\n\n[Events]\n"
                                             "Format: Layer, Start, End, Style, Text\n" +
                                                 events));
    job.outputs.Set("pgs", true);
    dir.Write("film.pgs.sup", "the stream of an earlier run");
    int asked = 0;
    ConversionHooks hooks;
    hooks.stopRequested = [&] { return ++asked > 2; };
    const ConversionReport r = RunConversion(job, text, hooks);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(SplitSupFile(TempDir::Read(dir.File("film.sup"))).empty());
    EXPECT_EQ(TempDir::Read(dir.File("film.pgs.sup")), "the stream of an earlier run");

    // Stopped while libass draws the PGS stream: the sets before the stop
    // are written, the rest not.
    job.outputs.Set("sup", false);
    asked = 0;
    EXPECT_TRUE(RunConversion(job, text, hooks).cancelled);
    const size_t stopped = TempDir::Read(dir.File("film.pgs.sup")).size();
    EXPECT_TRUE(RunConversion(job, text).converted);
    EXPECT_GT(stopped, 0u);
    EXPECT_LT(stopped, TempDir::Read(dir.File("film.pgs.sup")).size());
}

TEST_F(Convert, FailuresNameTheirStageSubtitleAndLine) {
    text.advance = 40;  // 17 characters and more are too wide
    ConversionJob wide = GenericJob(dir.Write("wide.srt",
                                              "1\n00:00:01,000 --> 00:00:02,000\nshort\n\n"
                                              "2\n00:00:03,000 --> 00:00:04,000\nfits\n"
                                              "much too long for the frame\n\n"));
    ConversionReport r = RunConversion(wide, text);
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->stage, ConversionFailure::Stage::Check);
    EXPECT_EQ(r.failure->subtitle, 2);
    EXPECT_EQ(r.failure->line, 2);
    EXPECT_EQ(r.failure->width, 27 * 40);
    EXPECT_EQ(r.failure->text, "much too long for the frame");
    EXPECT_FALSE(std::filesystem::exists(dir.File("wide.sup")));

    r = RunConversion(GenericJob(dir.File("missing.srt")), text);
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->stage, ConversionFailure::Stage::Read);
    EXPECT_EQ(r.failure->message, "File not found");

    r = RunConversion(GenericJob(dir.Write("film.doc", "hello")), text);
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->stage, ConversionFailure::Stage::Read);
    // The classic refusal, then what the file is instead.
    ASSERT_EQ(r.notices.size(), 1u);
    EXPECT_EQ(r.notices[0].rfind("Unsupported Subtitle Format !\r", 0), 0u) << r.notices[0];

    text.advance = 1;
    ConversionJob noFolder = GenericJob(dir.Write("film.srt", Srt(2)));
    noFolder.outputs.folder = dir.File("no/such/folder");
    r = RunConversion(noFolder, text);
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->stage, ConversionFailure::Stage::Output);
}

// Entries the caller already read are neither read nor checked again: the
// window's list is what the run draws, whatever the file holds by now.
TEST_F(Convert, EntriesOfTheJobAreDrawnAsGiven) {
    ConversionJob job = GenericJob(dir.Write("film.srt", "not a subtitle file any more"));
    auto entries = std::make_shared<std::vector<Cue>>(2);
    Cue& one = (*entries)[0];
    Cue& two = (*entries)[1];
    one.Line1 = "One";
    two.Line1 = "Two";
    two.Line2 = "lines";
    one.start = TicksOfMs(500);
    one.end = TicksOfMs(1500) + 1;  // times come to the tick
    two.start = TicksOfMs(2000);
    two.end = TicksOfMs(2100);
    job.subtitle.entries = entries;
    const ConversionReport r = RunConversion(job, text);
    ASSERT_FALSE(r.failure) << r.failure->message;
    const std::vector<SupRecord> records = SplitSupFile(TempDir::Read(dir.File("film.sup")));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].pts, 500u * 90);
    EXPECT_EQ(records[1].pts, 2000u * 90);
    EXPECT_EQ(text.measureCalls, 4);  // drawing measures each line once; no fit check
}

}  // namespace glyphon::test

namespace glyphon::test {

// The text engine keeps each style's glyphs while runs in other styles and
// other outputs' sizes come and go: the DVD pictures of a file with tagged
// runs and stand-in faces are the same with or without a PGS stream drawn
// beside them, and the same when a subtitle is converted on its own.
TEST(ConvertWithFreeType, PicturesDoNotDependOnWhatWasDrawnBefore) {
    TempDir dir;
    const std::string tagged = "<i>café hello مرحبا naïve</i>\nПривет\n世界 שלום café\n";
    const std::string srt =
        "1\n00:00:01,000 --> 00:00:01,900\n<u>안녕 W 안녕 世界</u> <i>x</i>\n<b>Καλημέρα</b>\n\n"
        "2\n00:00:02,000 --> 00:00:02,900\n" +
        tagged + "\n";
    ConversionJob job = GenericJob(dir.Write("mixed.srt", srt));
    job.subtitle.charsetAuto = true;
    const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    ASSERT_TRUE(RunConversion(job, *text).converted);
    const std::vector<SupRecord> alone = SplitSupFile(TempDir::Read(dir.File("mixed.sup")));
    job.outputs.Set("pgs", true);
    ASSERT_TRUE(RunConversion(job, *text).converted);
    const std::vector<SupRecord> withPgs = SplitSupFile(TempDir::Read(dir.File("mixed.sup")));
    ASSERT_EQ(alone.size(), 2u);
    ASSERT_EQ(withPgs.size(), 2u);
    EXPECT_EQ(alone[1].unit, withPgs[1].unit);

    ConversionJob single =
        GenericJob(dir.Write("single.srt", "1\n00:00:02,000 --> 00:00:02,900\n" + tagged + "\n"));
    single.subtitle.charsetAuto = true;
    const std::unique_ptr<TextEngine> fresh = CreateFreeTypeEngine();
    ASSERT_TRUE(RunConversion(single, *fresh).converted);
    const std::vector<SupRecord> own = SplitSupFile(TempDir::Read(dir.File("single.sup")));
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(alone[1].unit, own[0].unit);
}

}  // namespace glyphon::test
