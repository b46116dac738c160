// The readers' probes pick a reader by what a file holds, whatever its name;
// the cues they read are those FFmpeg's demuxers read from the same bytes.
#include <gtest/gtest.h>

#include "subtitle/FormatGuess.h"
#include "subtitle/SubtitleFiles.h"
#include "subtitle/SubtitleReaders.h"
#include "support/SubtitleDemuxer.h"

namespace glyphon::test {
namespace {

using ReaderProbe = SubtitleFiles;

const std::string kSrt =
    "1\n00:00:01,000 --> 00:00:02,500\nOne\n\n2\n00:00:03,000 --> 00:00:04,000\nTwo\nlines\n";

std::string Utf32(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? std::string("\0\0\xFE\xFF", 4) : std::string("\xFF\xFE\0\0", 4);
    for (const char c : ascii) out += bigEndian ? std::string("\0\0\0", 3) + c : c + std::string("\0\0\0", 3);
    return out;
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// Each file is read as FFmpeg reads `reference` (the same file, or its text
// in a form libavformat reads: UTF-8 for UTF-32).
TEST_F(ReaderProbe, CuesAndTextAreThoseFfmpegReads) {
    struct Case {
        std::string name, bytes, reference;
    };
    const std::string blankInside =
        "1\n00:00:01,000 --> 00:00:02,000\nFirst\n\nafter a blank line\n\n2\n\n00:00:03,000 --> "
        "00:00:04,000\n"
        "Second\n\n\n2013\n\n3\n00:00:05,000 --> 00:00:06,000\nThird\n";
    const std::vector<Case> cases = {
        {"subrip.txt", kSrt, ""},
        {"subrip.sub", kSrt, ""},
        {"cr-only.srt", Replaced(kSrt, "\n", "\r"), ""},
        {"crcrlf.srt", Replaced(kSrt, "\n", "\r\r\n"), ""},
        {"blank-inside.srt", blankInside, ""},
        {"utf32le.srt", Utf32(kSrt, false), kSrt},
        {"utf32be.srt", Utf32(kSrt, true), kSrt},
        {"microdvd.srt", "{1}{1}25\n{25}{50}One\n{75}{100}Two|lines\n", ""},
        {"microdvd-cr.txt", "{1}{1}25\r{25}{50}One\r{75}{100}Two|lines\r", ""},
    };
    for (const Case& c : cases) {
        sink.shown.clear();
        Load(c.name, c.bytes);
        EXPECT_TRUE(sink.shown.empty()) << c.name;
        const std::string reference =
            c.reference.empty() ? dir.File(c.name) : dir.Write("ref-" + c.name, c.reference);
        const std::vector<DemuxedCue> ffmpeg = DemuxTextCues(reference);
        ASSERT_EQ(size_t(subs.Count()), ffmpeg.size()) << c.name;
        for (size_t i = 0; i < ffmpeg.size(); ++i) {
            const SubtitleLine& cue = subs.Lines[i];
            EXPECT_EQ(MsOfTicks(cue.start), ffmpeg[i].startMs) << c.name << " cue " << i + 1;
            EXPECT_EQ(MsOfTicks(cue.end), ffmpeg[i].endMs) << c.name << " cue " << i + 1;
            std::string text;
            for (const std::string_view line : TextLinesOf(cue)) (text += line) += '\n';
            while (!text.empty() && text.back() == '\n') text.pop_back();
            EXPECT_EQ(text, Replaced(ffmpeg[i].text, "|", "\n")) << c.name << " cue " << i + 1;
        }
    }
}

TEST(ReaderPick, ContentDecidesAndTheExtensionBreaksTies) {
    struct Case {
        const char* name;
        std::string head;
        const char* reader;  // nullptr: none
    };
    const std::vector<Case> cases = {
        {"a.txt", kSrt, "SubRip"},
        {"a.ass", kSrt, "SubRip"},
        {"a.srt", "{1}{1}23.976\n{1}{2}x\n", "MicroDVD"},
        {"a.txt", "{10}{}x\n", "MicroDVD"},
        {"a.sub", "{y:i}x\n", "MicroDVD"},  // under its own name a brace is enough
        {"a.srt", "{y:i}x\n", nullptr},
        {"a.txt", "; comment\n[Script Info]\nTitle: x\n", "ASS/SSA"},
        {"a.ass", "[V4+ Styles]\n[Events]\n", "ASS/SSA"},
        {"a.txt", "[V4+ Styles]\n[Events]\n", nullptr},
        {"a.srt", "WEBVTT\n\n00:01.000 --> 00:02.000\nHi\n", "WebVTT"},
        {"a.vtt", "1\n00:00:01,000 --> 00:00:02,000\nHi\n", "SubRip"},
        {"a.srt", "", nullptr},
        {"a.srt", "Just some words\n", nullptr},
    };
    for (const Case& c : cases) {
        const SubtitleReader* r = PickReader(c.head, c.name);
        EXPECT_EQ(r ? std::string(r->name) : "none", c.reader ? std::string(c.reader) : "none")
            << c.name << ": " << c.head;
    }
}

// A file no reader takes is described by the format it is in.
TEST(ReaderPick, AFileOfNoReadFormatIsNamedForWhatItIs) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[INFORMATION]\n[TITLE]x\n[END INFORMATION]\n00:00:01.00,00:00:02.00\nHi\n", "SubViewer"},
        {"00:00:01.00,00:00:02.00\nHi\n", "SubViewer"},
        {"[10][20]Hi\n[30][40]There\n", "MPL2"},
        {"<SAMI>\n<BODY><SYNC Start=1000><P>Hi\n", "SAMI"},
        {"<?xml version=\"1.0\"?>\n<tt xmlns=\"http://www.w3.org/ns/ttml\">\n", "TTML"},
        {"[Events]\nDialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hi\n", "ASS"},
        {std::string("PK\3\4\x14\0\0\0", 8), "ZIP"},
        {std::string("\x1A\x45\xDF\xA3\x01\0\0\0", 8), "Matroska"},
    };
    for (const auto& [head, format] : cases) {
        ASSERT_EQ(PickReader(head, "x.srt"), nullptr) << head;
        EXPECT_NE(GuessFormat(head).find(format), std::string::npos) << GuessFormat(head);
    }
}

// The window and the named line say more than the classic refusal; the
// 16-argument line keeps it bare.
TEST_F(ReaderProbe, RefusalsNameTheFileWhenAskedTo) {
    for (const bool explain : {false, true}) {
        for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
                 {"empty.srt", ""},
                 {"blank.srt", "\n\n \n"},
                 {"words.txt", "Hello\n"},
                 {"ghost.sub", "{1}{1}vers. Ghost\n{2}{3}x\n"}}) {
            sink.shown.clear();
            subs.ExplainRefusals = explain;
            try {
                Load(name, bytes);
            } catch (const ConvertError&) {
                EXPECT_FALSE(explain) << name;  // the classic rate error
                continue;
            }
            EXPECT_FALSE(subs.Loaded) << name;
            ASSERT_EQ(sink.shown.size(), 1u) << name;
            EXPECT_EQ(sink.shown[0] == kUnsupported, !explain) << sink.shown[0];
            EXPECT_EQ(sink.shown[0].find(dir.File(name)) != std::string::npos, explain) << sink.shown[0];
        }
    }
}

}  // namespace
}  // namespace glyphon::test
