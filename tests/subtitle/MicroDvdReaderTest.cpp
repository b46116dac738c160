#include <gtest/gtest.h>

#include "SubtitleFiles.h"

namespace glyphon::test {
namespace {

using MicroDvd = SubtitleFiles;

// --- recognition and the frame-rate line -----------------------------------

TEST_F(MicroDvd, ReadUnderAnyName) {
    for (const char* name : {"a.sub", "b.SUB", "c.txt", "d.TXT", "e.srt"}) {
        TSubtitle s;
        s.LoadFromFile(dir.Write(name, "{1}{1}25\n{100}{200}Hi\n"), true, sink);
        EXPECT_TRUE(s.Loaded) << name;
        EXPECT_EQ(s.Count(), 1) << name;
    }
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(MicroDvd, UnsupportedWithAnythingBeforeTheFirstBrace) {
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"blank.sub", " {1}{1}25\n"}, {"empty-first.sub", "\n{1}{1}25\n"}, {"empty.sub", ""}}) {
        sink.shown.clear();
        Load(name, bytes);
        EXPECT_EQ(sink.shown, std::vector<std::string>{kUnsupported}) << name;
        EXPECT_FALSE(subs.Loaded) << name;
    }
}

// The frame-rate line times the file; it is not shown as a subtitle.
TEST_F(MicroDvd, FrameRateLineTimesTheFileAndIsNoSubtitle) {
    Load("r.sub", "{1}{1}25.000\r\n{100}{200}Hello|World\r\n");
    ASSERT_EQ(subs.Count(), 1);
    ExpectEntry(1, "4000", "8000", "Hello", "World");
    Load("only.sub", "{1}{1}23.976\n");
    EXPECT_TRUE(subs.Loaded);
    EXPECT_EQ(subs.Count(), 0);
}

// A file without the line is timed by the fallback rate (--fps), its first
// line a subtitle; a file's own line wins over the fallback.
TEST_F(MicroDvd, FallbackRateTimesAFileWithoutItsOwnLine) {
    subs.FallbackFrameRate = 25;
    Load("n.sub", "{1}{1}Hi\n{100}{200}Hello\n");
    EXPECT_TRUE(sink.shown.empty());
    ASSERT_EQ(subs.Count(), 2);
    ExpectEntry(1, "40", "40", "Hi");
    ExpectEntry(2, "4000", "8000", "Hello");
    Load("o.sub", "{1}{1}50\n{100}{200}Hello\n");
    ASSERT_EQ(subs.Count(), 1);
    ExpectEntry(1, "2000", "4000", "Hello");
}

TEST_F(MicroDvd, MissingOrZeroFrameRateAsksForItAndAddsNothing) {
    for (const char* first : {"{1}{1}0", "{1}{1}0.000", "{2}{2}25", "{1}{2}25.000", "{1}{1}-0"}) {
        sink.shown.clear();
        Load("z.sub", std::string(first) + "\n{100}{200}x\n");
        EXPECT_EQ(sink.shown, std::vector<std::string>{kNoFrameRate}) << first;
        EXPECT_FALSE(subs.Loaded) << first;
        EXPECT_EQ(subs.Count(), 0) << first;
    }
    EXPECT_EQ(TSubtitle::ReadFrameRate("{1}{1}23.976"), 23.976);
    EXPECT_EQ(TSubtitle::ReadFrameRate("{1}{2}23.976"), 0);
}

TEST_F(MicroDvd, FrameRateThatIsNotANumberIsAConversionError) {
    EXPECT_EQ(LoadError("c.sub", "{1}{1}25,000\n{1}{2}x\n"), "'25,000' is not a valid floating point value");
    EXPECT_FALSE(subs.Loaded);
    EXPECT_EQ(subs.Count(), 0);
    EXPECT_EQ(LoadError("e.sub", "{1}{1}\n"), "'' is not a valid floating point value");
}

// --- parsing one line -------------------------------------------------------

TEST(MicroDvdLine, BarsSplitTheTextIntoAtMostThreeLines) {
    const fivestrings f = TSubtitle::ParseMicroDvdLine("{100}{200}Hello|World", 25);
    EXPECT_EQ(f.Start, TicksOfMs(4000));
    EXPECT_EQ(f.End, TicksOfMs(8000));
    EXPECT_EQ(f.Line1, "Hello");
    EXPECT_EQ(f.Line2, "World");
    EXPECT_EQ(f.Line3, "");
    const fivestrings four = TSubtitle::ParseMicroDvdLine("{0}{1}a|b|c|d", 25);
    EXPECT_EQ(four.Line2, "b");
    EXPECT_EQ(four.Line3, "c|d");
    const fivestrings adjacent = TSubtitle::ParseMicroDvdLine("{0}{1}a||c", 25);
    EXPECT_EQ(adjacent.Line1, "a");
    EXPECT_EQ(adjacent.Line2, "");
    EXPECT_EQ(adjacent.Line3, "c");
    EXPECT_EQ(TSubtitle::ParseMicroDvdLine("{0}{1}|", 25).Line1, "");
}

TEST(MicroDvdLine, TextBeforeTheFirstBraceGoesAndLaterBracesStay) {
    const fivestrings f = TSubtitle::ParseMicroDvdLine("junk {25}{50}{y:i}{c:$0000ff}Hi}{there", 25);
    EXPECT_EQ(f.Start, TicksOfMs(1000));
    EXPECT_EQ(f.End, TicksOfMs(2000));
    EXPECT_EQ(f.Line1, "{y:i}{c:$0000ff}Hi}{there");
    EXPECT_EQ(TSubtitle::ParseMicroDvdLine("{ 7}{-1}x", 1).Start, TicksOfMs(7000));
    EXPECT_EQ(TSubtitle::ParseMicroDvdLine("{ 7}{-1}x", 1).End, TicksOfMs(-1000));
}

TEST(MicroDvdLine, FramesAreTimedToTheTickOnOrBeforeThem) {
    const struct {
        const char* line;
        double rate;
        int64_t start, end;
    } cases[] = {
        {"{1}{3}", 16, 5625, 16875},     // 62.5 and 187.5 ms, exactly
        {"{6}{6}", 19.2, 28125, 28125},  // 19.2 is held a little below itself
        // The NTSC rates are 24000/1001 and 30000/1001: frame 12 at 23.976
        // is the film's frame at 45,045 ticks, not 501 ms.
        {"{12}{1001}", 23.976, 45045, 3757503},  // 3757503.75
        {"{12}{-1}", 23.976023976, 45045, -3754},
        {"{9}{1}", 29.97, 27027, 3003},
        {"{1}{2}", 23.9, 3765, 7531},  // 3765.69, 7531.38: not an NTSC rate
    };
    for (const auto& c : cases) {
        const fivestrings f = TSubtitle::ParseMicroDvdLine(c.line, c.rate);
        EXPECT_EQ(f.Start, c.start) << c.line << " at " << c.rate;
        EXPECT_EQ(f.End, c.end) << c.line << " at " << c.rate;
    }
}

TEST(MicroDvdLine, MalformedFramesAreIntegerConversionErrors) {
    const auto error = [](const std::string& line) {
        try {
            TSubtitle::ParseMicroDvdLine(line, 25);
        } catch (const ConvertError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(error(""), "'' is not a valid integer value");
    EXPECT_EQ(error("no braces at all"), "'' is not a valid integer value");
    EXPECT_EQ(error("{100}Hello"), "'' is not a valid integer value");
    EXPECT_EQ(error("{100}{200"), "'' is not a valid integer value");
    EXPECT_EQ(error("{"), "'' is not a valid integer value");
    EXPECT_EQ(error("}{"), "'' is not a valid integer value");
    EXPECT_EQ(error("{1a}{2}x"), "'1a' is not a valid integer value");
    EXPECT_EQ(error("{1}{2 }x"), "'2 ' is not a valid integer value");
}

TEST(MicroDvdLine, TimesBeyond32BitsAreRefusedNotWrapped) {
    EXPECT_EQ(TSubtitle::ParseMicroDvdLine("{2147483}{-2147483}", 1000).Start, TicksOfMs(2147483));
    EXPECT_EQ(TSubtitle::ParseMicroDvdLine("{2147483}{-2147483}", 1000).End, TicksOfMs(-2147483));
    EXPECT_THROW(
        {
            try {
                TSubtitle::ParseMicroDvdLine("{2147484}{1}", 25);
            } catch (const ConvertError& e) {
                EXPECT_STREQ(e.what(), "'2147484' is not a valid integer value");
                throw;
            }
        },
        ConvertError);
    EXPECT_THROW(TSubtitle::ParseMicroDvdLine("{1}{-2147484}", 25), ConvertError);
    // The product fits, but the time does not at a very low rate.
    EXPECT_THROW(TSubtitle::ParseMicroDvdLine("{2000000}{2000001}", 0.5), ConvertError);
    EXPECT_THROW(TSubtitle::ParseMicroDvdLine("{1}{1}", 1e-300), ConvertError);
    EXPECT_EQ(TSubtitle::ParseMicroDvdLine("{1}{1}", 0.001).Start, TicksOfMs(1000000));
}

// --- reading the file -------------------------------------------------------

TEST_F(MicroDvd, SingleFinalLineBreakIsNotABlankLine) {
    for (const std::string end : {"", "\n", "\r\n", "\n\r", "\n\x1A", "\r\n\x1A\r\n\r\n{junk"}) {
        Load("e.sub", "{1}{1}25\n{25}{50}A" + end);
        EXPECT_TRUE(subs.Loaded);
        ASSERT_EQ(subs.Count(), 1);
        ExpectEntry(1, "1000", "2000", "A");
    }
}

TEST_F(MicroDvd, BlankLinesAreSkippedAndBadFramesReportedWithTheirLines) {
    for (const std::string bytes :
         {"{1}{1}25\n{25}{50}A\n\n{75}{100}B\n", "{1}{1}25\r\n{25}{50}A\r\n\r\n{75}{100}B",
          "{1}{1}25\n{25}{50}A\n \n{75}{100}B\n"}) {
        Load("b.sub", bytes);
        EXPECT_TRUE(subs.Loaded);
        EXPECT_TRUE(subs.Unreadable.empty());
        ASSERT_EQ(subs.Count(), 2);
        ExpectEntry(1, "1000", "2000", "A");
        ExpectEntry(2, "3000", "4000", "B");
    }
    Load("f.sub", "{1}{1}25\n{25}{50}A\n{75}{x}B\n{100}{125}C\n{99999999}{99999999}D\n");
    EXPECT_EQ(subs.Count(), 2);
    ExpectEntry(2, "4000", "5000", "C");
    EXPECT_EQ(subs.Unreadable, (std::vector<UnreadableBlock>{{3, "{75}{x}B"}, {5, "{99999999}{99999999}D"}}));
}

TEST_F(MicroDvd, TagsAreRemovedAndBytesKept) {
    Load("t.sub", "{1}{1}25\r\n{25}{50}<i>Caf\xE9</i>|<B>\x93x\x94</B>|<u>a</u><u>b</u>\r\n");
    ExpectEntry(1, "1000", "2000", "Caf\xE9", "\x93x\x94", "ab");
}

// --- a file written elsewhere ----------------------------------------------

TEST_F(MicroDvd, VimSubtitlesExampleWithoutFrameRateAsksForIt) {
    subs.LoadFromFile(GLYPHON_TEST_DATA "/subtitle/vim-subtitles/subtitle.sub", true, sink);
    EXPECT_EQ(sink.shown, std::vector<std::string>{kNoFrameRate});
    EXPECT_FALSE(subs.Loaded);
    EXPECT_EQ(subs.Count(), 0);
}

TEST_F(MicroDvd, VimSubtitlesExampleWithFrameRateAndDosLineEnds) {
    std::string dos = "{1}{1}25.000\r\n";
    for (char c : TempDir::Read(GLYPHON_TEST_DATA "/subtitle/vim-subtitles/subtitle.sub"))
        dos += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Load("vim.SUB", dos + "\x1A");
    EXPECT_TRUE(sink.shown.empty());
    ASSERT_EQ(subs.Count(), 8);
    ExpectEntry(1, "1440", "8640", "This is an example subtitle file", "of the MicroDVD (sub) format");
    ExpectEntry(3, "13040", "16680", "...use reportbug");
    ExpectEntry(8, "32600", "36440", "Have fun Subtitling!");
}

}  // namespace
}  // namespace glyphon::test
