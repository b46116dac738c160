// MicroDVD (.sub, .txt): "{start}{end}text" with frame numbers, "|" between
// the displayed lines, the frame rate in a first line "{1}{1}RATE" (or given
// from outside: --fps, the film's rate).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/MessageSink.h"
#include "subtitle/SubtitleReaders.h"

namespace glyphon {

// Likely for a first line "{N}{N}" or "{N}{}"; Weak for any other that
// starts with a brace.
ProbeMatch ProbeMicroDvd(std::string_view head);

void ReadMicroDvd(TSubtitle& list, textfile::TextLines& text, const std::string& fileName,
                  MessageSink& messages);

// The rate of a "{1}{1}RATE" line, 0 for any other line. Throws ConvertError
// when RATE is no number.
double MicroDvdFrameRate(std::string_view line);

// One MicroDVD line: the two times (90 kHz ticks) and the three text lines as
// views into the line (a third "|" and later ones stay in line 3).
struct MicroDvdParts {
    int64_t start = 0, end = 0;
    std::string_view Line1, Line2, Line3;
};
MicroDvdParts ParseMicroDvd(std::string_view line, double rate);

}  // namespace glyphon
