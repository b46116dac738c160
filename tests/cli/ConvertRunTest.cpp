// Named conversions of several files: failures are named and do not stop the
// others, -o writes elsewhere, -j gives the same bytes as one at a time,
// messages say which file and which subtitle.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliSupport.h"

namespace glyphon::test {

namespace {

constexpr const char* kTwoEntries =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\nTwo\r\nlines\r\n\r\n";

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

}  // namespace

class ConvertRun : public ::testing::Test {
protected:
    TempDir dir;
    std::string Sample(const std::string& name) {
        const std::string path = dir.File(name);
        std::filesystem::copy_file(GLYPHON_SOURCE_DIR "/samples/sample.srt", path);
        return path;
    }
};

TEST_F(ConvertRun, GoodFilesAreConvertedAndEachBadOneNamed) {
    const std::string good1 = Sample("one.srt"), good2 = dir.Write("two.srt", kTwoEntries);
    const std::string missing = dir.File("missing.srt");
    const std::string wide =
        dir.Write("wide.srt", std::string(kTwoEntries) + "3\r\n00:00:05,000 --> 00:00:06,000\r\nshort\r\n" +
                                  std::string(120, 'W') + "\r\n\r\n");
    const std::string unknown = dir.Write("notes.txt", "just some notes\r\n");
    const std::string badTime = dir.Write(
        "bad time.srt", std::string(kTwoEntries) + "3\r\n00:00:05,000 --> 00:00:0x,000\r\nthird\r\n\r\n");
    const RunResult r = RunNamed({"-j", "2", good1, missing, wide, good2, unknown, badTime});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(TakeOutputs(good1).sup.empty());
    EXPECT_FALSE(TakeOutputs(good2).sup.empty());
    // A timing line no player reads is left out with a warning naming its
    // line; the rest of that file is converted.
    EXPECT_FALSE(TakeOutputs(badTime).sup.empty());
    EXPECT_NE(r.err.find(badTime + ": warning: line 11 is no subtitle and was left out: \"00:00:05,000 --> "
                                   "00:00:0x,000\""),
              std::string::npos)
        << r.err;
    for (const std::string& bad : {missing, wide, unknown})
        EXPECT_FALSE(std::filesystem::exists(dir.File(std::filesystem::path(bad).stem().string() + ".sup")));
    EXPECT_NE(r.err.find("glyphon: " + missing + ": File not found."), std::string::npos) << r.err;
    // The subtitle's number and line, the width and the limit, and a hint.
    EXPECT_NE(r.err.find("glyphon: " + wide + ": subtitle 3, line 2 is "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("pixels wide, more than the 679 that fit; try a smaller --size"), std::string::npos)
        << r.err;  // one word: wrapping cannot help
    EXPECT_NE(r.err.find("glyphon: " + unknown + ": Unsupported Subtitle Format !"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("glyphon: 3 of 6 files not converted"), std::string::npos) << r.err;
    EXPECT_EQ(Count(r.err, good1), 0) << r.err;  // quiet about what worked (no terminal)
}

TEST_F(ConvertRun, OutputDirIsCreatedAndNamedInTheHelpFile) {
    const std::string subtitle = Sample("film.srt");
    const std::string out = dir.File("new/deeper");
    const RunResult r = RunNamed({"-o", out, subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.sup")));
    const Outputs o = TakeOutputs(subtitle, out);
    EXPECT_FALSE(o.sup.empty());
    EXPECT_NE(o.help.find(out + "/film.sup\r\n" + out + "/film.Glyphon_Help.txt"), std::string::npos);
}

TEST_F(ConvertRun, OutputThatCannotBeWrittenIsNamed) {
    const std::string subtitle = Sample("film.srt");
    std::filesystem::create_directories(dir.File("out/film.sup"));  // a folder where the file should go
    const RunResult r = RunNamed({"-o", dir.File("out"), subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("glyphon: " + subtitle + ": writing " + dir.File("out/film") + ".sup: "),
              std::string::npos)
        << r.err;
    // Whichever output it is.
    std::filesystem::create_directories(dir.File("out/film.pgs.sup"));
    const RunResult pgs = RunNamed({"--format", "pgs", "-o", dir.File("out"), subtitle});
    EXPECT_NE(pgs.err.find(": writing " + dir.File("out/film.pgs.sup") + ": "), std::string::npos) << pgs.err;
}

TEST_F(ConvertRun, ParallelJobsWriteWhatOneAtATimeWrites) {
    std::vector<std::string> files;
    for (const char* name : {"a.srt", "b.srt", "c.srt", "d.srt"}) files.push_back(Sample(name));
    files.push_back(dir.Write("e.srt", kTwoEntries));
    auto run = [&](const char* jobs) {
        std::vector<std::string> args{"-j", jobs, "--size", "28", "--style", "Bold"};
        args.insert(args.end(), files.begin(), files.end());
        const RunResult r = RunNamed(args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<Outputs> outputs;
        for (const std::string& f : files) outputs.push_back(TakeOutputs(f));
        return outputs;
    };
    const std::vector<Outputs> one = run("1"), two = run("2");
    ASSERT_EQ(one.size(), two.size());
    for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_FALSE(one[i].sup.empty());
        EXPECT_TRUE(one[i] == two[i]) << files[i];
    }
    EXPECT_TRUE(one[0].sup == one[3].sup);  // the same subtitles give the same stream
}

TEST_F(ConvertRun, OutputsThatWouldCollideAreAUsageError) {
    const std::string a = Sample("film.srt");
    std::filesystem::create_directory(dir.File("other"));
    const std::string b = dir.Write("other/film.srt", kTwoEntries);
    EXPECT_EQ(RunNamed({a, a}).status, 2);
    const RunResult r = RunNamed({"-o", dir.File("out"), a, b});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("would both write"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
    EXPECT_EQ(RunNamed({a, b}).status, 0);  // beside their own files they do not meet
}

TEST_F(ConvertRun, UnreadableIfoFailsEveryFileOnce) {
    const std::string subtitle = Sample("film.srt");
    const RunResult r = RunNamed({"--ifo", dir.File("VTS_09_0.IFO"), subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "glyphon: " + dir.File("VTS_09_0.IFO") + ": File not found.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.sup")));
}

TEST_F(ConvertRun, FontThatIsNotInstalledIsReplacedWithAWarning) {
    const std::string subtitle = Sample("film.srt");
    const RunResult r = RunNamed({"--font", "No Such Family 42", subtitle});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("glyphon: warning: font \"No Such Family 42\" is not installed; \"", 0), 0u)
        << r.err;
    EXPECT_EQ(r.err.find("\"\" is used"), std::string::npos) << r.err;  // names a real face
    EXPECT_FALSE(TakeOutputs(subtitle).sup.empty());
}

TEST_F(ConvertRun, TerminalShowsOneProgressLinePerFileUnlessQuiet) {
    const std::string a = Sample("a.srt"), b = dir.Write("b.srt", kTwoEntries);
    const RunResult shown = RunNamed({"-j", "1", a, b}, true);
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.err.find(a + ": 6/6 subtitles, done"), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find(b + ": 2/2 subtitles, done"), std::string::npos) << shown.err;
    EXPECT_EQ(Count(shown.err, "\n"), 2) << shown.err;  // updates rewrite their line in place
    const RunResult quiet = RunNamed({"-q", a, b}, true);
    EXPECT_EQ(quiet.status, 0);
    EXPECT_TRUE(quiet.err.empty()) << quiet.err;
}

}  // namespace glyphon::test
