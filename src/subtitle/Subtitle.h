// The subtitle list: the in-memory result of reading one SubRip or MicroDVD
// file. Text fields are 8-bit byte strings exactly as they stand in the file;
// nothing is decoded, except that a file with a byte-order mark is held as
// UTF-8 without its mark (see Utf8). Indices are 1-based.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/MessageSink.h"
#include "subtitle/Cue.h"
#include "subtitle/StyledText.h"

namespace glyphon {

// The text lines a subtitle draws, in order: Line1 and Line2 always (an
// empty second line still takes its height), then Line3 and the further
// lines up to the last one that is not empty.
std::vector<std::string_view> TextLinesOf(const SubtitleLine& entry);

// The runs of text line `index` (0-based, as TextLinesOf counts); empty when
// the line is not styled.
const LineRuns& RunsOf(const SubtitleLine& entry, size_t index);

// A part of a subtitle file that could not be read as a subtitle and was
// left out: the number of its first line in the file (1-based) and that
// line's text.
struct UnreadableBlock {
    int line = 0;
    std::string text;
    friend bool operator==(const UnreadableBlock&, const UnreadableBlock&) = default;
};

// A cue whose times no picture can be shown at (it ends before it starts,
// or a time is negative): left out of the list, named by the number of its
// first line in the file, its times and its first text line.
struct ImpossibleCue {
    int line = 0;
    int64_t start = 0, end = 0;  // 90 kHz ticks
    std::string text;
    friend bool operator==(const ImpossibleCue&, const ImpossibleCue&) = default;
};

// "line 12: 00:00:05.000 --> 00:00:04.000 ends before it starts" (or "has a
// negative time"): how messages name an impossible cue, without its text.
std::string DescribeImpossibleCue(const ImpossibleCue& cue);

// One parsed MicroDVD line before it is copied into a cue; times in 90 kHz
// ticks.
struct fivestrings {
    int64_t Start = 0;
    int64_t End = 0;
    std::string Line1;
    std::string Line2;
    std::string Line3;
};

class TSubtitle {
public:
    std::vector<SubtitleLine> Lines;
    bool Loaded = false;
    // The last file read started with a byte-order mark: its texts are UTF-8,
    // whatever character set the window has chosen.
    bool Utf8 = false;
    // The frame rate of a MicroDVD file that does not start with its own
    // "{1}{1}RATE" line; 0: such a file is refused with the frame-rate
    // request.
    double FallbackFrameRate = 0;
    // The last file read had no byte-order mark but is well-formed UTF-8
    // with characters of more than one byte.
    bool LooksUtf8 = false;
    // What the last file read held that is no subtitle, in file order; the
    // rest of the file was read.
    std::vector<UnreadableBlock> Unreadable;
    // The cues of the last file read whose times are impossible, in file
    // order; they are not in Lines.
    std::vector<ImpossibleCue> Impossible;
    // Refusals say more than the classic messages (the window and the named
    // command line): what a file no reader takes looks like, as a second
    // line of "Unsupported Subtitle Format !", and a MicroDVD first line
    // that is no frame rate as such instead of a conversion error.
    bool ExplainRefusals = false;

    // Reads FileName with the reader whose probe takes it (SubtitleReaders.h:
    // SubRip, MicroDVD, ...; the content decides, not the name). Plain messages ("Unsupported
    // Subtitle Format !", the frame-rate request) go to `messages`. Whatever
    // cannot be read as a subtitle (a timing line no player reads, text
    // outside any subtitle, a MicroDVD line without frames) is left out and
    // listed in Unreadable; the rest of the file is read. Tags are removed
    // from the text and kept as Runs and Top. A recognised file that cannot
    // be opened or read throws FileError.
    void LoadFromFile(const std::string& FileName, bool ClearFirst, MessageSink& messages);

    // The probes pick SubRip (or MicroDVD) for the file.
    static bool IsSrtFile(const std::string& FileName);
    static bool IsSrtTimeLine(const std::string& Line);
    // The time in 90 kHz ticks. A time whose milliseconds leave 32 bits
    // throws ConvertError naming Time instead of wrapping round.
    static int64_t SrtTimeToTicks(const std::string& Time);
    static bool IsMicroDvdFile(const std::string& FileName);
    static double ReadFrameRate(const std::string& Line);
    // Times are the frames' times at FrameRate in 90 kHz ticks, rounded down
    // (23.976, 29.97 and 59.94 are the NTSC rates 24000/1001, ...), so that a
    // cue starts on or before its frame and ends no later than its end
    // frame. A frame text that is not an integer, or whose time does not fit
    // 32 bits of milliseconds (frame x 1000, or that divided by FrameRate),
    // throws ConvertError naming the frame text. A line without "}{" or the closing brace yields an empty
    // frame text and so the same error.
    static fivestrings ParseMicroDvdLine(const std::string& Line, double FrameRate);
    static std::string StripTags(const std::string& Text);

    // Times in 90 kHz ticks.
    void Add(int64_t Start, int64_t End, const std::string& Line1, const std::string& Line2,
             const std::string& Line3);
    void Clear() { Lines.clear(); }
    int Count() const { return int(Lines.size()); }
    // Index 1..Count; callers never pass anything else.
    SubtitleLine GetLine(int Index) const { return Lines[size_t(Index - 1)]; }
};

}  // namespace glyphon
