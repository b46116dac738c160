// SubRip and MicroDVD files as editors and download sites write them: timing
// lines only players read, empty cues, odd numbering, more than two lines,
// CRLF line ends, byte-order marks and tags of every kind.
#include <gtest/gtest.h>

#include "subtitle/StyledText.h"
#include "subtitle/SubtitleFiles.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {

class RealWorldSrt : public SubtitleFiles {};

TEST_F(RealWorldSrt, TimingLinesThatPlayersReadGiveTheirTimes) {
    Load("variants.srt",
         "1\n00:00:01,000 --> 00:00:02,000\nfixed columns\n\n"
         "2\n00:00:03,000-->00:00:04,000\nno spaces\n\n"
         "3\n0:00:05,000 --> 0:00:06,000\none-digit hour\n\n"
         "4\n00:00:07.000 --> 00:00:08.250\nfull stops\n\n"
         "5\n00:00:09,5 --> 00:00:10,25\nshort milliseconds\n\n"
         "6\n  00:00:11,000   -->   00:00:12,000  \nextra spaces\n\n"
         "7\n00:00:13,000 --> 00:00:14,000 X1:100 X2:600 Y1:400 Y2:450\ncoordinates\n\n"
         "8\n01:02:03,004 --> 01:02:04,000X1:1\nglued coordinates\n\n"
         "9\n00:00:15,000 --> 00:00:1x,000\nnot a time\n");
    EXPECT_TRUE(subs.Loaded);
    EXPECT_EQ(subs.Unreadable, (std::vector<UnreadableBlock>{{34, "00:00:15,000 --> 00:00:1x,000"}}));
    ASSERT_EQ(subs.Count(), 8);
    ExpectEntry(1, "1000", "2000", "fixed columns");
    ExpectEntry(2, "3000", "4000", "no spaces");
    ExpectEntry(3, "5000", "6000", "one-digit hour");
    ExpectEntry(4, "7000", "8250", "full stops");
    ExpectEntry(5, "9005", "10025", "short milliseconds");  // as FFmpeg reads them
    ExpectEntry(6, "11000", "12000", "extra spaces");
    ExpectEntry(7, "13000", "14000", "coordinates");
    ExpectEntry(8, "3723004", "3724000", "glued coordinates");
}

// FFmpeg's SubRip reader, which players are built on, finds the same cues at
// the same times in a file written the way editors and sites write them.
TEST_F(RealWorldSrt, CuesAndTimesAreThoseFfmpegReads) {
    const std::string bytes =
        "\xEF\xBB\xBF"
        "1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>A</i>\r\n"
        "2\r\n00:00:03,000-->00:00:04,000\r\nB\r\nB2\r\n\r\n"
        "00:00:05.000 --> 00:00:06.000 X1:1 X2:2 Y1:3 Y2:4\r\n{\\an8}C\r\n\r\n"
        "7\r\n0:00:07,5 --> 0:00:08,25\r\nD\r\nD2\r\nD3\r\n\r\n"
        "7\r\n  00:00:09,000   -->   00:00:10,000  \r\nE\r\n";
    Load("editor.srt", bytes);
    const auto ffmpeg = DemuxTextCueTimes(dir.File("editor.srt"));
    ASSERT_EQ(subs.Count(), 5);
    ASSERT_EQ(ffmpeg.size(), 5u);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(subs.GetLine(i).start, TicksOfMs(ffmpeg[size_t(i - 1)].first)) << "cue " << i;
        EXPECT_EQ(subs.GetLine(i).end, TicksOfMs(ffmpeg[size_t(i - 1)].second)) << "cue " << i;
    }
    EXPECT_TRUE(subs.Unreadable.empty());
    EXPECT_EQ(TextLinesOf(subs.GetLine(4)).size(), 3u);
}

TEST_F(RealWorldSrt, EmptyCuesAndOddNumbersLoseNothing) {
    Load("gaps.srt",
         "1\n00:00:01,000 --> 00:00:02,000\n\n"  // an empty cue
         "7\n00:00:03,000 --> 00:00:04,000\nafter the empty cue\n\n"
         "7\n00:00:05,000 --> 00:00:06,000\nrepeated number\n"  // no blank before the next
         "3\n00:00:07,000 --> 00:00:08,000\nnumber going back\n"
         "\n00:00:09,000 --> 00:00:10,000\nno number at all\n");
    EXPECT_TRUE(subs.Unreadable.empty());
    ASSERT_EQ(subs.Count(), 5);
    ExpectEntry(1, "1000", "2000", "");
    ExpectEntry(2, "3000", "4000", "after the empty cue");
    ExpectEntry(3, "5000", "6000", "repeated number");
    ExpectEntry(4, "7000", "8000", "number going back");
    ExpectEntry(5, "9000", "10000", "no number at all");
}

TEST_F(RealWorldSrt, EveryTextLineIsKept) {
    Load("lines.srt",
         "1\n00:00:01,000 --> 00:00:02,000\none\ntwo\nthree\nfour\nfive\n\n"
         "2\n00:00:03,000 --> 00:00:04,000\nnext\n");
    ASSERT_EQ(subs.Count(), 2);
    ExpectEntry(1, "1000", "2000", "one", "two", "three");
    EXPECT_EQ(subs.GetLine(1).MoreLines(), (std::vector<std::string>{"four", "five"}));
    EXPECT_EQ(TextLinesOf(subs.GetLine(1)).size(), 5u);
    EXPECT_EQ(TextLinesOf(subs.GetLine(2)).size(), 2u);  // the empty second line counts
}

TEST_F(RealWorldSrt, EveryUnreadableBlockIsReportedWithItsLineAndTheRestIsRead) {
    Load("broken.srt",
         "1\n00:00:01,000 --> 00:00:02,000\nfirst\n\n"     // lines 1-4
         "2\n00:00:03,000 -> 00:00:04,000\nbad arrow\n\n"  // lines 5-8: the timing line is line 6
         "3\n00:00:05,000 --> 00:00:06,000\nthird\n\nstray text\nafter a blank\n\n"  // stray from line 13
         "4\n00:61:aa,000 --> 00:00:08,000\nbad minutes\n\n"                         // line 17
         "5\n00:00:09,000 --> 00:00:10,000\nlast\n");
    ASSERT_EQ(subs.Count(), 3);
    ExpectEntry(1, "1000", "2000", "first");
    // Text after a blank line stays with its subtitle, as players show it.
    ExpectEntry(2, "5000", "6000", "third", "stray text", "after a blank");
    ExpectEntry(3, "9000", "10000", "last");
    EXPECT_EQ(subs.Unreadable, (std::vector<UnreadableBlock>{{6, "00:00:03,000 -> 00:00:04,000"},
                                                             {17, "00:61:aa,000 --> 00:00:08,000"}}));
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(RealWorldSrt, FirstLinesBlankOrAHeaderStillMakeASubRipFile) {
    Load("blank-start.srt", "\n\n1\n00:00:01,000 --> 00:00:02,000\nHello\n");
    ASSERT_EQ(subs.Count(), 1);
    ExpectEntry(1, "1000", "2000", "Hello");
    EXPECT_TRUE(sink.shown.empty());
}

// As a download site writes it: UTF-8 with a byte-order mark, CRLF, tags of
// three kinds mixed, an italic span over two lines and a top placement.
TEST_F(RealWorldSrt, DownloadedFileWithBomCrlfAndMixedTags) {
    Load("downloaded.srt",
         "\xEF\xBB\xBF"
         "1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>Caf\xC3\xA9 is\r\nopen</i> now\r\n\r\n"
         "2\r\n00:00:03,000 --> 00:00:04,000\r\n{\\an8}<font color=\"#ffff00\">Sign:</font> "
         "<B>STOP</B>\r\n\r\n"
         "3\r\n00:00:05,000 --> 00:00:06,000\r\n<u>under</u> <s>struck</s> {\\i1}ass{\\i0} plain\r\n");
    EXPECT_TRUE(subs.Utf8);
    EXPECT_FALSE(subs.LooksUtf8);
    ASSERT_EQ(subs.Count(), 3);
    ExpectEntry(1, "1000", "2000", "Caf\xC3\xA9 is", "open now");
    const SubtitleLine e1 = subs.GetLine(1);
    EXPECT_FALSE(e1.AtTop());
    ASSERT_EQ(e1.Runs().size(), 2u);
    EXPECT_EQ(e1.Runs()[0], (LineRuns{{8, kRunItalic}}));
    EXPECT_EQ(e1.Runs()[1], (LineRuns{{4, kRunItalic}, {4, 0}}));

    ExpectEntry(2, "3000", "4000", "Sign: STOP");
    const SubtitleLine e2 = subs.GetLine(2);
    EXPECT_TRUE(e2.AtTop());
    EXPECT_EQ(e2.Runs()[0], (LineRuns{{5, 0, kRunColoured | 0xFFFF00}, {1, 0}, {4, kRunBold}}));

    ExpectEntry(3, "5000", "6000", "under struck ass plain");
    EXPECT_EQ(subs.GetLine(3).Runs()[0],
              (LineRuns{{5, kRunUnderline}, {1, 0}, {6, kRunStrikeOut}, {1, 0}, {3, kRunItalic}, {6, 0}}));
}

TEST_F(RealWorldSrt, FileWithoutTagsKeepsItsTextAndHasNoRuns) {
    Load("plain.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\n2 < 3 and {braces}\r\n");
    ExpectEntry(1, "1000", "2000", "2 < 3 and {braces}");
    EXPECT_TRUE(subs.GetLine(1).Runs().empty());
}

TEST(StyledText, UnfinishedTagsStayTextAndStylesCarryToTheNextLine) {
    TagState state;
    std::string plain;
    EXPECT_TRUE(ReadTags("<font color=red {\\an8 <i", TagSyntax::SubRip, state, plain).empty());
    EXPECT_EQ(plain, "<font color=red {\\an8 <i");
    EXPECT_FALSE(state.top);
    EXPECT_EQ(ReadTags("<I>open", TagSyntax::SubRip, state, plain), (LineRuns{{4, kRunItalic}}));
    EXPECT_EQ(ReadTags("still</i> done", TagSyntax::SubRip, state, plain),
              (LineRuns{{5, kRunItalic}, {5, 0}}));
    EXPECT_EQ(plain, "still done");
    // {y:i} is MicroDVD's; in a SubRip file it is text.
    EXPECT_TRUE(ReadTags("{y:i}x", TagSyntax::SubRip, state, plain).empty());
    EXPECT_EQ(plain, "{y:i}x");
}

TEST_F(RealWorldSrt, Utf8WithoutAMarkIsNoticed) {
    Load("utf8.srt", "1\n00:00:01,000 --> 00:00:02,000\nCaf\xC3\xA9\n");
    EXPECT_FALSE(subs.Utf8);
    EXPECT_TRUE(subs.LooksUtf8);
    Load("cp1252.srt", "1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9\n");
    EXPECT_FALSE(subs.LooksUtf8);
    Load("ascii.srt", "1\n00:00:01,000 --> 00:00:02,000\nCafe\n");
    EXPECT_FALSE(subs.LooksUtf8);
    EXPECT_FALSE(LooksLikeUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(LooksLikeUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(LooksLikeUtf8("ok \xC3"));          // cut short
    EXPECT_TRUE(LooksLikeUtf8("\xF0\x9F\x98\x80"));  // beyond the BMP
}

class RealWorldMicroDvd : public SubtitleFiles {};

TEST_F(RealWorldMicroDvd, StyleCodesAndEveryLineAndUnreadableLines) {
    Load("movie.sub",
         "{1}{1}25.000\r\n"
         "{100}{200}{y:i}Hello|World\r\n"
         "\r\n"  // a blank line: skipped
         "{300}{400}{Y:b}one|{c:$0000FF}two|three|four\r\n"
         "garbage line\r\n"  // line 5
         "{500}{600}<i>tagged</i> text\r\n");
    EXPECT_TRUE(sink.shown.empty());
    ASSERT_EQ(subs.Count(), 3);
    ExpectEntry(1, "4000", "8000", "Hello", "World");
    EXPECT_EQ(subs.GetLine(1).Runs(), (std::vector<LineRuns>{{{5, kRunItalic}}, {}}));
    ExpectEntry(2, "12000", "16000", "one", "two", "three");
    const SubtitleLine e3 = subs.GetLine(2);
    EXPECT_EQ(e3.MoreLines(), (std::vector<std::string>{"four"}));
    ASSERT_EQ(e3.Runs().size(), 4u);
    for (const LineRuns& runs : e3.Runs()) EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(e3.Runs()[3], (LineRuns{{4, kRunBold}}));
    ExpectEntry(3, "20000", "24000", "tagged text");
    EXPECT_EQ(subs.Unreadable, (std::vector<UnreadableBlock>{{5, "garbage line"}}));
}

}  // namespace glyphon::test
