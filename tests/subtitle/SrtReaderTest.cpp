#include <gtest/gtest.h>

#include <filesystem>

#include "SubtitleFiles.h"

namespace glyphon::test {
namespace {

using Srt = SubtitleFiles;

const std::string kT1 = "00:00:01,000 --> 00:00:02,000";
const std::string kT2 = "00:00:03,000 --> 00:00:04,000";
const std::string kT3 = "00:00:05,000 --> 00:00:06,000";

// --- recognition -----------------------------------------------------------

TEST_F(Srt, ExtensionIsAcceptedInAnyLetterCase) {
    for (const char* name : {"a.srt", "b.SRT", "c.sRt"}) {
        TSubtitle s;
        s.LoadFromFile(dir.Write(name, "1\n" + kT1 + "\nHi\n"), true, sink);
        EXPECT_TRUE(s.Loaded) << name;
        EXPECT_EQ(s.Count(), 1) << name;
    }
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(Srt, SubRipContentIsReadUnderAnyName) {
    for (const char* name : {"a.txt", "a.srt.bak", "srt"}) {
        sink.shown.clear();
        Load(name, "1\n" + kT1 + "\nHi\n");
        EXPECT_TRUE(subs.Loaded) << name;
        EXPECT_EQ(subs.Count(), 1) << name;
        EXPECT_TRUE(sink.shown.empty()) << name;
    }
}

TEST_F(Srt, SecondLineOrATimingLineAmongTheFirstLinesMakesASubRipFile) {
    // A blank first line: the timing line is found further on.
    Load("blank-first.srt", "\n1\n" + kT1 + "\nHi\n");
    EXPECT_TRUE(sink.shown.empty());
    ExpectEntry(1, "1000", "2000", "Hi");
    Load("short.srt", "1\n00:00:01 --> 2\n");
    EXPECT_EQ(sink.shown, std::vector<std::string>{kUnsupported});
    sink.shown.clear();
    // Recognised from 16 characters on, though no timing line follows.
    Load("sixteen.srt", "1\n00:00:01,000 -->\nHi\n");
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(subs.Loaded);
    EXPECT_EQ(subs.Count(), 0);
    EXPECT_EQ(subs.Unreadable, (std::vector<UnreadableBlock>{{2, "00:00:01,000 -->"}}));
}

TEST_F(Srt, MissingFileOrFolderIsUnsupportedAndLeavesTheListAlone) {
    subs.Add(1, 2, "kept", "", "");
    subs.LoadFromFile(dir.File("none.srt"), true, sink);
    std::filesystem::create_directory(dir.File("folder.srt"));
    subs.LoadFromFile(dir.File("folder.srt"), true, sink);
    EXPECT_EQ(sink.shown, (std::vector<std::string>{kUnsupported, kUnsupported}));
    EXPECT_FALSE(subs.Loaded);
    EXPECT_EQ(subs.Count(), 1);
}

TEST_F(Srt, ClearFirstDecidesWhetherEarlierEntriesStay) {
    subs.Add(1, 2, "earlier", "", "");
    subs.LoadFromFile(dir.Write("a.srt", "1\n" + kT1 + "\nHi\n"), false, sink);
    ASSERT_EQ(subs.Count(), 2);
    EXPECT_EQ(subs.GetLine(1).Line1, "earlier");
    subs.LoadFromFile(dir.File("a.srt"), true, sink);
    EXPECT_EQ(subs.Count(), 1);
}

// --- timing ----------------------------------------------------------------

TEST_F(Srt, TimesAreWholeMillisecondsWhateverTheSeparators) {
    Load("t.srt", "1\n01:02:03,004 --> 01:02:03.005 X1:100 X2:600 Y1:10 Y2:50\nA\n\n2\n" +
                      std::string("00x00y01z500 --> 00:00:02.250\nB\n"));
    ExpectEntry(1, "3723004", "3723005", "A");
    ExpectEntry(2, "1500", "2250", "B");
    EXPECT_EQ(TSubtitle::SrtTimeToTicks("99:59:59,999"), TicksOfMs(359999999));
}

TEST_F(Srt, TimingLineWithTheArrowOutOfPlaceIsReadAsPlayersReadIt) {
    Load("t.srt", "1\n" + kT1 + "\nA\n\n2\n00:00:03,000  --> 00:00:04,000\nB\n\n3\n" + kT3 + "\nC\n");
    ASSERT_EQ(subs.Count(), 3);
    ExpectEntry(2, "3000", "4000", "B");
    ExpectEntry(3, "5000", "6000", "C");
}

TEST_F(Srt, TimeFieldsTakeSignsAndLeadingBlanks) {
    EXPECT_EQ(TSubtitle::SrtTimeToTicks(" 1:-1: 1, 10"), TicksOfMs(3541010));
    EXPECT_EQ(TSubtitle::SrtTimeToTicks("-1:00:00,000"), TicksOfMs(-3600000));
    EXPECT_TRUE(TSubtitle::IsSrtTimeLine(kT1));
    EXPECT_FALSE(TSubtitle::IsSrtTimeLine(kT1.substr(0, 28)));
}

TEST_F(Srt, TimeBeyond32BitsIsRefusedNotWrapped) {
    // Only a milliseconds field longer than the file's three characters can
    // get there.
    EXPECT_EQ(TSubtitle::SrtTimeToTicks("00:00:00,2147483647"), TicksOfMs(2147483647));
    EXPECT_THROW(TSubtitle::SrtTimeToTicks("00:00:01,2147483647"), ConvertError);
    EXPECT_THROW(TSubtitle::SrtTimeToTicks("-1:00:00,-2147483647"), ConvertError);
}

// --- the three reads after a timing line ------------------------------------

TEST_F(Srt, OneTwoAndThreeLineSubtitlesInAWellFormedFile) {
    Load("w.srt", "1\n" + kT1 + "\nOne\n\n2\n" + kT2 + "\nTwo a\nTwo b\n\n3\n" + kT3 +
                      "\nThree a\nThree b\nThree c\n\n4\n" + kT1 + "\nLast\n");
    ASSERT_EQ(subs.Count(), 4);
    ExpectEntry(1, "1000", "2000", "One");
    ExpectEntry(2, "3000", "4000", "Two a", "Two b");
    ExpectEntry(3, "5000", "6000", "Three a", "Three b", "Three c");
    ExpectEntry(4, "1000", "2000", "Last");
}

TEST_F(Srt, FourthTextLineIsKept) {
    Load("f.srt", "1\n" + kT1 + "\na\nb\nc\nd\n\n2\n" + kT2 + "\ne\n");
    ASSERT_EQ(subs.Count(), 2);
    ExpectEntry(1, "1000", "2000", "a", "b", "c");
    EXPECT_EQ(subs.GetLine(1).MoreLines(), std::vector<std::string>{"d"});
    ExpectEntry(2, "3000", "4000", "e");
}

TEST_F(Srt, MissingBlankLineLosesNoSubtitle) {
    Load("n.srt", "1\n" + kT1 + "\nA\n2\n" + kT2 + "\nB\n\n3\n" + kT3 + "\nC\n");
    ASSERT_EQ(subs.Count(), 3);
    ExpectEntry(1, "1000", "2000", "A");
    ExpectEntry(2, "3000", "4000", "B");
    ExpectEntry(3, "5000", "6000", "C");
}

TEST_F(Srt, MissingNumberLineLosesNoSubtitle) {
    Load("m.srt", "1\n" + kT1 + "\nA\n\n" + kT2 + "\nB\n\n3\n" + kT3 + "\nC\n");
    ASSERT_EQ(subs.Count(), 3);
    ExpectEntry(1, "1000", "2000", "A");
    ExpectEntry(2, "3000", "4000", "B");
    ExpectEntry(3, "5000", "6000", "C");
}

TEST_F(Srt, BlankLineInsideASubtitleIsSkipped) {
    Load("b.srt", "1\n" + kT1 + "\n\nnot lost\nnor this\n");
    ExpectEntry(1, "1000", "2000", "not lost", "nor this");
    EXPECT_TRUE(subs.Unreadable.empty());
    Load("b2.srt", "1\n" + kT1 + "\nA\n\nB\n");
    ExpectEntry(1, "1000", "2000", "A", "B");
}

TEST_F(Srt, TimingLineAtTheEndReadsPastTheEndAsEmptyLines) {
    for (const std::string end : {"", "\n", "\r\n"}) {
        Load("e.srt", "1\n" + kT1 + "\nA\n\n2\n" + kT2 + end);
        ASSERT_EQ(subs.Count(), 2);
        ExpectEntry(2, "3000", "4000", "");
        Load("e2.srt", "1\n" + kT1 + "\nA\nB" + end);
        ASSERT_EQ(subs.Count(), 1);
        ExpectEntry(1, "1000", "2000", "A", "B");
    }
}

TEST_F(Srt, EveryTagIsRemovedFromEveryLine) {
    Load("tags.srt", "1\n" + kT1 + "\n<i>a</i>\n<b>b</b> <b>c</b>\n<font x>d</font>\n");
    ExpectEntry(1, "1000", "2000", "a", "b c", "d");
}

// --- the file as text ------------------------------------------------------

TEST_F(Srt, CrlfByteOrderMarkAndWindows1252TextReadByteForByte) {
    const std::string bytes =
        "\xEF\xBB\xBF"
        "1\r\n00:00:01,000 --> 00:00:02,500\r\nCaf\xE9 cr\xE8me\r\n<i>\x93quoted\x94</i> \x80 5\r\n\r\n"
        "2\r\n00:00:03,000 --> 00:00:04,000\r\n\xC0 bient\xF4t\r\n\r\n";
    Load("cp1252.srt", bytes);
    EXPECT_TRUE(sink.shown.empty());
    ASSERT_EQ(subs.Count(), 2);
    ExpectEntry(1, "1000", "2500", "Caf\xE9 cr\xE8me", "\x93quoted\x94 \x80 5");
    ExpectEntry(2, "3000", "4000", "\xC0 bient\xF4t");
}

TEST_F(Srt, CarriageReturnsEndLinesWithOrWithoutALineFeed) {
    Load("cr.srt", "1\r\r\n00:00:01,000 --> 00:00:02,000\rA\r\rB\r\nC\r\r\n");
    ExpectEntry(1, "1000", "2000", "A", "B", "C");
}

TEST_F(Srt, CtrlZEndsTheFile) {
    Load("z.srt", "1\n" + kT1 + "\nA\n\n2\n" + kT2 + "\nB\x1A" + "C\n\n3\n" + kT3 + "\nD\n");
    ASSERT_EQ(subs.Count(), 2);
    ExpectEntry(2, "3000", "4000", "B");
    // Before the second line, it leaves the file unrecognised.
    Load("z2.srt", "1\x1A\n" + kT1 + "\nA\n");
    EXPECT_EQ(sink.shown, std::vector<std::string>{kUnsupported});
}

// --- errors ----------------------------------------------------------------

TEST_F(Srt, BadTimeIsReportedWithItsLineAndTheRestIsRead) {
    Load("bad.srt", "1\n" + kT1 + "\nA\n\n2\n00:0a:03,000 --> 00:00:04,000\nB\n\n3\n" + kT3 + "\nC\n");
    EXPECT_TRUE(subs.Loaded);
    ASSERT_EQ(subs.Count(), 2);
    ExpectEntry(1, "1000", "2000", "A");
    ExpectEntry(2, "5000", "6000", "C");
    EXPECT_EQ(subs.Unreadable, (std::vector<UnreadableBlock>{{6, "00:0a:03,000 --> 00:00:04,000"}}));
    Load("first.srt", "xx:00:01,000 --> 00:00:02,000\n" + kT2 + "\nA\n");
    EXPECT_TRUE(subs.Loaded);
    ExpectEntry(1, "3000", "4000", "A");
    EXPECT_EQ(subs.Unreadable, (std::vector<UnreadableBlock>{{1, "xx:00:01,000 --> 00:00:02,000"}}));
}

// --- a file written elsewhere ----------------------------------------------

TEST(SrtRealFile, VimSubtitlesExample) {
    TSubtitle s;
    RecordingSink sink;
    s.LoadFromFile(GLYPHON_TEST_DATA "/subtitle/vim-subtitles/subtitle.srt", true, sink);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(s.Loaded);
    ASSERT_EQ(s.Count(), 8);
    const SubtitleLine first = s.GetLine(1);
    EXPECT_EQ(first.start, TicksOfMs(1500));
    EXPECT_EQ(first.end, TicksOfMs(9000));
    EXPECT_EQ(first.Line1, "This is an example subtitle file");
    EXPECT_EQ(first.Line2, "of the popular Subrip (srt) format");
    EXPECT_EQ(s.GetLine(3).Line1, "...use reportbug");
    EXPECT_EQ(s.GetLine(3).Line2, "");
    EXPECT_EQ(s.GetLine(4).Line2, "submit@bugs.debian.org");
    EXPECT_EQ(s.GetLine(8).start, TicksOfMs(34000));
    EXPECT_EQ(s.GetLine(8).end, TicksOfMs(38000));
    EXPECT_EQ(s.GetLine(8).Line1, "Have fun Subtitling!");
}

}  // namespace
}  // namespace glyphon::test
