// The subtitle list: the in-memory result of reading one SubRip or MicroDVD
// file. Text fields are 8-bit byte strings exactly as they stand in the file;
// nothing is decoded, except that a file with a byte-order mark is held as
// UTF-8 without its mark (see Utf8). Indices are 1-based.
#pragma once

#include <string>
#include <vector>

#include "common/MessageSink.h"

namespace glyphon {

struct SubtitleLine {
    std::string StartMs;  // decimal text of whole milliseconds
    std::string EndMs;
    std::string Line1;
    std::string Line2;  // empty for a one-line subtitle
    std::string Line3;  // carried, never drawn
};

// One parsed MicroDVD line before it is copied into a SubtitleLine.
struct fivestrings {
    std::string StartMs;
    std::string EndMs;
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

    // Reads FileName as SubRip or MicroDVD. Plain messages ("Unsupported
    // Subtitle Format !", the frame-rate request) go to `messages`. A text
    // that should be a number throws ConvertError; entries added before it
    // stay, and Loaded keeps the value it had. A recognised file that cannot
    // be opened or read throws FileError.
    void LoadFromFile(const std::string& FileName, bool ClearFirst, MessageSink& messages);

    static bool IsSrtFile(const std::string& FileName);
    static bool IsSrtTimeLine(const std::string& Line);
    // A time outside 32 bits throws ConvertError naming Time instead of
    // wrapping round.
    static std::string SrtTimeToMs(const std::string& Time);
    static bool IsMicroDvdFile(const std::string& FileName);
    static double ReadFrameRate(const std::string& Line);
    // A frame text that is not an integer, or whose time does not fit 32 bits
    // (frame x 1000, or that divided by FrameRate), throws ConvertError naming
    // the frame text. A line without "}{" or the closing brace yields an empty
    // frame text and so the same error.
    static fivestrings ParseMicroDvdLine(const std::string& Line, double FrameRate);
    static std::string StripTags(const std::string& Text);

    void Add(const std::string& StartMs, const std::string& EndMs, const std::string& Line1,
             const std::string& Line2, const std::string& Line3);
    void Clear() { Lines.clear(); }
    int Count() const { return int(Lines.size()); }
    // Index 1..Count; callers never pass anything else.
    SubtitleLine GetLine(int Index) const { return Lines[size_t(Index - 1)]; }
};

}  // namespace glyphon
