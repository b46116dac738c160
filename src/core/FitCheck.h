// The fit check: every line of every subtitle must be narrower than the
// frame allows, and a subtitle's lines must stay within the frame's rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/Alignment.h"
#include "render/TextEngine.h"

namespace glyphon {

struct Cue;
using SubtitleLine = Cue;

// How the subtitles are drawn, as far as fitting goes.
struct FitLook {
    FontSpec font;
    bool wrap = false;
    int frameHeight = 576;
    int offset = 30;
    int offsetOr = -4;
    Alignment align = Alignment::Center;
    bool anchorBottom = false;  // the last line at the offset from the bottom
};

// A line that does not fit: entry number (1-based), line (1-based, of the
// drawn lines) and its width in pixels; or, with belowFrame, a subtitle of
// three or more lines (`line` of them) that leaves the frame: below it, or
// with `above` above it (lines beyond the second grow upward).
struct FitProblem {
    int entry = 0, line = 0, width = 0;
    bool belowFrame = false;
    bool above = false;
};

// A subtitle of one or two lines whose text would reach row `row` outside
// the frame (negative: above it), with the line that does.
struct FrameExit {
    int entry = 0, line = 0, row = 0;
};

struct FitResult {
    std::vector<FitProblem> problems;  // in entry order, every one
    std::optional<FrameExit> outside;  // the first such subtitle, when asked for
    bool Fits() const { return problems.empty() && !outside; }
};

// Checks subtitle `number` (1-based) and adds what does not fit to `result`.
// With `checkOutside`, the first subtitle of one or two lines that leaves
// the frame's rows is kept in result.outside.
void CheckSubtitleFits(const SubtitleLine& entry, int number, TextEngine& text, const FitLook& look,
                       bool checkOutside, FitResult& result);

// The subtitle's first two lines lie inside the frame rows at this look;
// otherwise `exit` says which line leaves it and the row it would reach.
bool LinesInsideFrame(const SubtitleLine& entry, TextEngine& text, const FitLook& look, FrameExit& exit);

}  // namespace glyphon
