// Whatever a run is given, the user's files survive it and the program does
// not crash or hang: outputs replace nothing until the run has succeeded,
// never replace an input, and every refusal says which file (and which
// subtitle) it is about.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "cli/CliSupport.h"
#include "support/DvdMpeg.h"
#include "support/DvdSubDecoder.h"

namespace glyphon::test {

namespace {

namespace fs = std::filesystem;

std::string Entries(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char entry[128];
        std::snprintf(entry, sizeof entry,
                      "%d\r\n00:%02d:%02d,000 --> 00:%02d:%02d,500\r\nLine number %d\r\n\r\n", i + 1, i / 60,
                      i % 60, i / 60, i % 60, i + 1);
        text += entry;
    }
    return text;
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

bool HasTemporary(const std::string& folder) {
    for (const std::string& name : Names(folder))
        if (name.find(".tmp-") != std::string::npos || name.find(".part-") != std::string::npos) return true;
    return false;
}

}  // namespace

// One file's outputs never land on another file of the same command: a
// usage error naming both, before anything is written.
TEST(NothingLost, OutputsOfOneFileMeetNoOtherFileOfTheCommand) {
    const struct {
        const char* format;
        const char *first, *second;
    } cases[] = {{"sup", "a.srt", "a.Glyphon_Help.txt"},
                 {"sup,pgs", "x.srt", "x.pgs.srt"},
                 {"vobsub", "y.sub", "y.vobsub.srt"}};
    for (const auto& c : cases) {
        TempDir dir;
        const std::string first = dir.Write(c.first, Entries(2)), second = dir.Write(c.second, Entries(2));
        const RunResult r = RunNamed({"--format", c.format, first, second});
        EXPECT_EQ(r.status, 2) << c.second;
        EXPECT_NE(r.err.find(c.second), std::string::npos) << r.err;
        EXPECT_EQ(Names(dir.path()), (std::set<std::string>{c.first, c.second})) << r.err;
    }
}

// A pipe is refused, not waited on; so is what is no IFO; a name's control
// characters reach the terminal escaped.
TEST(NothingLost, PipesTextAsIfoAndEscapesInNames) {
    TempDir dir;
    const std::string subtitle = dir.Write("s.srt", Entries(2)), fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::vector<std::string>> lines = {{fifo},
                                                         {"--ifo", fifo, subtitle},
                                                         {"--ifo", dir.Write("t.ifo", "8 bytes!"), subtitle},
                                                         {"--ifo", dir.Write("e.ifo", ""), subtitle},
                                                         {dir.File("\x1b]0;title\x07.srt")}};
    for (const auto& line : lines) {
        const RunResult r = RunNamed(line);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.File("s.sup"))) << r.err;
    }
    const RunResult tiny = RunNamed({dir.Write("tiny.sub", "{1}{1}1e-308\n{10}{20}Hi\n")});
    EXPECT_NE(tiny.err.find("is not a frame rate"), std::string::npos) << tiny.err;
}

TEST(NothingLost, ALineWiderThanAnyFrameIsRefusedAndQuotedShort) {
    TempDir dir;
    // 40 million "W" at 50 points: more than 2^31 pixels.
    const std::string subtitle =
        dir.Write("wide.srt", "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(40'000'000, 'W') + "\n\n");
    const RunResult r = RunNamed({"--no-wrap", "--size", "50", subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("subtitle 1, line 1 is "), std::string::npos) << r.err.substr(0, 400);
    EXPECT_NE(r.err.find("WWWW...\""), std::string::npos) << r.err.substr(0, 400);
    EXPECT_LT(r.err.size(), 600u);
    EXPECT_FALSE(fs::exists(dir.File("wide.sup")));
}

TEST(NothingLost, ASubtitleFileNamedOnlyByItsExtensionIsConverted) {
    TempDir dir;
    const std::string subtitle = dir.Write(".srt", Entries(2));
    const RunResult r = RunNamed({subtitle});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir.File(".sup")));
}

TEST(NothingLost, AFilmThatIsAPipeIsRefusedWithoutWaiting) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", Entries(2));
    ASSERT_EQ(mkfifo(dir.File("film.mpg").c_str(), 0600), 0);
    const RunResult r = RunNamed({"--mux", dir.File("film.mpg"), subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir.File("film.mpg") + ": not a regular file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.File("film.sup")));
}

TEST(NothingLost, TheFilmIsNeverAnOutputOfItsOwnRun) {
    for (const char* name : {"s30.sup", "s30.palette.yuv", "s30.Glyphon_Help.txt", "s30.idx", "s30.sub"}) {
        TempDir dir;
        const std::string subtitle = dir.Write("s30.srt", Entries(3));
        const std::string film = dir.File(name);
        fs::copy_file(DvdMpeg(true), film);
        const std::string before = TempDir::Read(film);
        const RunResult r = RunNamed({"--format", "sup,vobsub", "--mux", film, subtitle});
        EXPECT_EQ(TempDir::Read(film), before) << name;
        EXPECT_FALSE(HasTemporary(dir.path())) << name;
        const std::string n = name;
        if (n == "s30.idx" || n == "s30.sub") {
            // The pair goes elsewhere, and the run says where.
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_NE(r.err.find("the VobSub pair is " + dir.File("s30.vobsub") + ".idx"), std::string::npos)
                << r.err;
        } else {
            EXPECT_EQ(r.status, 1) << name;
            EXPECT_NE(r.err.find("would replace " + film + ", an input of this run"), std::string::npos)
                << r.err;
            EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"s30.srt", name})) << name;
        }
    }
}

// The disc's files (muxed film, palette, project) replace no input either,
// and when the one mux pass fails the files converted for it stay as they
// were.
TEST(NothingLost, TheDiscFilesReplaceNoInputAndAFailedMuxLeavesEveryOutput) {
    TempDir dir;
    const std::string subtitle = dir.Write("s30.srt", Entries(3));
    const std::string film = dir.File("film.mpg");
    fs::copy_file(DvdMpeg(true), film);
    ASSERT_EQ(::link(subtitle.c_str(), dir.File("s30.dvdauthor.xml").c_str()), 0);
    RunResult r = RunNamed({"--mux", film, subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The output " + dir.File("s30.dvdauthor.xml") + " would replace " + subtitle),
              std::string::npos)
        << r.err;
    EXPECT_EQ(TempDir::Read(subtitle), Entries(3));
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"s30.srt", "s30.dvdauthor.xml", "film.mpg"}));

    // A film that already has sub-picture stream 0 is refused only by the
    // mux itself, after the file was converted.
    fs::remove(dir.File("s30.dvdauthor.xml"));
    ASSERT_EQ(RunNamed({"-o", dir.File("first"), "--mux", film, subtitle}).status, 0);
    const std::string muxed = dir.File("first/s30.muxed.mpg");
    const std::string sup = dir.Write("s30.sup", "previous .sup");
    const std::string help = dir.Write("s30.Glyphon_Help.txt", "previous help");
    r = RunNamed({"--format", "sup,vobsub", "--mux", muxed, "--stream", "0", subtitle});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("already has sub-picture stream 0"), std::string::npos) << r.err;
    EXPECT_EQ(TempDir::Read(sup), "previous .sup");
    EXPECT_EQ(TempDir::Read(help), "previous help");
    EXPECT_EQ(Names(dir.path()),
              (std::set<std::string>{"s30.srt", "film.mpg", "first", "s30.sup", "s30.Glyphon_Help.txt"}));
}

TEST(NothingLost, AVobSubPairReplacesOnlyAPairThisProgramWrote) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", Entries(3));
    const std::string microDvd = "{1}{1}25.000\n{25}{50}Another film's subtitle\n";
    dir.Write("film.sub", microDvd);
    RunResult r = RunNamed({"--format", "vobsub", subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        r.err.find(dir.File("film.sub") + " is not a VobSub file written by Glyphon; the VobSub pair is " +
                   dir.File("film.vobsub.idx")),
        std::string::npos)
        << r.err;
    EXPECT_EQ(TempDir::Read(dir.File("film.sub")), microDvd);
    EXPECT_FALSE(fs::exists(dir.File("film.idx")));
    const std::string first = TempDir::Read(dir.File("film.vobsub.idx"));
    // Its own pair is replaced by the next run.
    dir.Write("film.srt", Entries(4));
    r = RunNamed({"--format", "vobsub", subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(TempDir::Read(dir.File("film.vobsub.idx")), first);
    EXPECT_FALSE(fs::exists(dir.File("film.vobsub2.idx")));
    // A pair of its own beside a foreign ".sub" is replaced too.
    fs::remove(dir.File("film.sub"));
    r = RunNamed({"--format", "vobsub", subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists(dir.File("film.idx")));
    r = RunNamed({"--format", "vobsub", subtitle});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("not a VobSub file"), std::string::npos) << r.err;
}

TEST(NothingLost, AFullDiskLeavesThePreviousOutputsAndNamesTheFile) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", Entries(60));
    const std::string sup = dir.Write("film.sup", "previous .sup");
    const std::string help = dir.Write("film.Glyphon_Help.txt", "previous help");
    const std::vector<std::string> sixteen{"-1", "none", subtitle, "-1", "1", "0",  "3",  "0",
                                           "0",  "4",    "0",      "14", "0", "30", "-4", "1"};
    for (bool named : {true, false}) {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto handler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = 8192;
        setrlimit(RLIMIT_FSIZE, &limit);
        const RunResult r = named ? RunNamed({subtitle}) : RunSixteen(dir, sixteen);
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, handler);
        EXPECT_EQ(r.status, 1) << named;
        EXPECT_NE(r.err.find("Disk full"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("film.sup"), std::string::npos) << r.err;
        EXPECT_EQ(TempDir::Read(sup), "previous .sup");
        EXPECT_EQ(TempDir::Read(help), "previous help");
        EXPECT_FALSE(HasTemporary(dir.path()));
    }
}

TEST(NothingLost, ASixteenArgumentJobWithABadArgumentTouchesNothing) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", Entries(3));
    const std::string sup = dir.Write("film.sup", "previous .sup");
    std::vector<std::string> args{"-1", "none", subtitle, "-1", "1", "0",  "3",  "0",
                                  "0",  "4",    "0",      "14", "0", "30", "-4", "1"};
    for (const auto& [position, bad] : std::vector<std::pair<size_t, std::string>>{
             {15, "x"}, {15, "7"}, {11, "99"}, {4, "many"}, {13, "1e3"}}) {
        std::vector<std::string> job = args;
        job[position] = bad;
        const RunResult r = RunSixteen(dir, job);
        EXPECT_NE(r.status, 0) << position << " " << bad;
        EXPECT_EQ(TempDir::Read(sup), "previous .sup") << position << " " << bad << ": " << r.err;
        EXPECT_FALSE(HasTemporary(dir.path()));
    }
    EXPECT_FALSE(fs::exists(dir.File("film.Glyphon_Help.txt")));
}

TEST(NothingLost, TimesTheOutputsCannotHoldAreRefusedNamingTheSubtitle) {
    TempDir dir;
    const std::string sup = dir.Write("film.sup", "previous .sup");
    const auto run = [&](const std::string& entries) {
        return RunNamed({dir.Write("film.srt", "1\n00:00:01,000 --> 00:00:02,000\nFirst\n\n" + entries)});
    };
    RunResult r = run("2\n13:15:21,859 --> 13:15:23,000\nToo late\n\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Subtitle 2 (Too late) starts at 13:15:21.859, later than a .sup file can time "
                         "(13:15:21.858 at most)"),
              std::string::npos)
        << r.err;
    r = run("2\n99:00:00,000 --> 99:00:01,000\nHundred hours\n\n");
    EXPECT_NE(r.err.find("Subtitle 2 (Hundred hours) starts at 99:00:00.000"), std::string::npos) << r.err;
    EXPECT_EQ(TempDir::Read(sup), "previous .sup");
    // A start in time with an end past it: every output ends it there.
    r = RunNamed(
        {"--format", "sup,pgs", dir.Write("film.srt", "1\n13:15:20,000 --> 13:16:00,000\nLate\n\n")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("1 subtitle ends after 13:15:21.858"), std::string::npos) << r.err;

    for (const char* rate : {"-25", "1e308"}) {
        const std::string subtitle =
            dir.Write("rate.sub", std::string("{1}{1}") + rate + "\n{25}{50}Hello\n");
        r = RunNamed({subtitle});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("The frame rate ") + rate + " in the first line of " + subtitle +
                             " is not a frame rate of a video"),
                  std::string::npos)
            << r.err;
        EXPECT_FALSE(fs::exists(dir.File("rate.sup")));
    }
}

// A cue ending before it starts, or at a negative time, costs only itself,
// in SubRip and MicroDVD alike; the rest is written in time order.
TEST(NothingLost, ImpossibleCuesAreLeftOutNamedAndTheRestConverts) {
    TempDir dir;
    const struct {
        const char* name;
        std::string text;
        int line;
    } files[] = {
        {"back.srt",
         "1\n00:00:05,000 --> 00:00:04,000\nBackwards\n\n2\n00:00:06,000 --> 00:00:07,000\nLate\n\n"
         "3\n00:00:01,000 --> 00:00:02,000\nEarly\n",
         2},
        {"neg.srt",
         "1\n00:00:06,000 --> 00:00:07,000\nLate\n\n2\n-1:00:00,000 --> 00:00:04,000\nNegative\n\n"
         "3\n00:00:01,000 --> 00:00:02,000\nEarly\n",
         6},
        {"neg.sub", "{1}{1}25\n{150}{175}Late\n{-25}{100}Negative\n{25}{50}Early\n", 3},
        {"back.sub", "{1}{1}25\n{150}{175}Late\n{125}{100}Backwards\n{25}{50}Early\n", 3},
    };
    for (const auto& f : files) {
        const RunResult r = RunNamed({dir.Write(f.name, f.text)});
        EXPECT_EQ(r.status, 0) << f.name << r.err;
        EXPECT_NE(r.err.find("warning: line " + std::to_string(f.line) + ": "), std::string::npos)
            << f.name << r.err;
        const std::string stem = std::string(f.name).substr(0, std::string(f.name).size() - 4);
        const std::vector<SupRecord> records = SplitSupFile(TempDir::Read(dir.File(stem + ".sup")));
        ASSERT_EQ(records.size(), 2u) << f.name;
        EXPECT_EQ(records[0].pts, 90000u) << f.name;  // "Early" first
        EXPECT_EQ(records[1].pts, 540000u) << f.name;
    }
}

TEST(NothingLost, HelpThatCannotBeWrittenFails) {
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr) << "the test needs /dev/full";
    EXPECT_EQ(RunNamedCommand({"glyphon", "--help"}, full), kExitFailed);
    EXPECT_EQ(RunNamedCommand({"glyphon", "--version"}, full), kExitFailed);
    std::fclose(full);
}

}  // namespace glyphon::test

namespace glyphon::test {

// A disk that fills while the PGS stream is finished (its last clearing set)
// leaves every previous output, the .sup included: nothing is put in place
// before every output is written out.
TEST(NothingLost, APgsStreamThatCannotBeFinishedReplacesNothing) {
    TempDir dir;
    const std::string subtitle = dir.Write("film.srt", Entries(1));
    const std::vector<std::string> args{"--format", "sup,pgs", "--resolution", "720x576", subtitle};
    ASSERT_EQ(RunNamed(args).status, 0);
    const uintmax_t whole = fs::file_size(dir.File("film.pgs.sup"));
    dir.Write("film.sup", "previous .sup");
    dir.Write("film.pgs.sup", "previous .pgs.sup");
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto handler = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = rlim_t(whole - 1);  // everything but the end of the last set fits
    setrlimit(RLIMIT_FSIZE, &limit);
    const RunResult r = RunNamed(args);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(TempDir::Read(dir.File("film.sup")), "previous .sup") << r.err;
    EXPECT_EQ(TempDir::Read(dir.File("film.pgs.sup")), "previous .pgs.sup");
    EXPECT_FALSE(HasTemporary(dir.path()));
}

}  // namespace glyphon::test
