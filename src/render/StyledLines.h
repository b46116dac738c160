// Subtitles of any number of lines, each line a sequence of runs in styles
// of their own. A line is measured and drawn as GDI draws runs of different
// fonts side by side: each run in the font of its style (the chosen style
// plus the run's bits), the next run starting where the previous one's
// width ends, every run's cell top at the line's top. A line of one run in
// the chosen style measures and draws exactly as MeasureLine and
// DrawLineMask do.
//
// Lines stack by the second line's rule: line k + 1's cell starts H(k+1) -
// OffsetOr rows below line k's. At the bottom (the usual place) line 1's cell
// ends 40 + Offset rows above the frame's bottom edge, and lines beyond the
// second grow upward: the last line sits where the second line of a two-line
// subtitle sits, the others above it. Anchored at the bottom line (as players
// place text), the last line's cell ends 40 + Offset rows above the bottom
// edge whatever the count. At the top line 1's cell starts 40 + Offset rows
// below the top edge and the others follow below it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "render/Renderer.h"
#include "render/TextEngine.h"

namespace glyphon {

struct TextRun {
    std::string_view text;
    int style = 0;        // StyleBits added to the font's own style
    uint32_t colour = 0;  // 0: the look's text colour; else 0xFF000000 | 0xRRGGBB
};
// One text line; no runs (or only empty ones) is an empty line.
using RunLine = std::vector<TextRun>;

// Lines that a cue's own settings place (BoxPlace), apart from the run's
// bottom and top stacks: at least two lines, as a stack has.
struct PlacedLines {
    BoxPlace place;
    bool top = false;  // stacked from the top before being placed
    std::vector<RunLine> lines;
};

// The runs that hold text, those of one style side by side in one text
// joined: colours do not split the text that is measured and drawn (they
// are laid over the drawing by the columns of their runs).
RunLine DrawnRuns(const RunLine& line);

// A line of one plain run.
inline RunLine PlainLine(std::string_view text) { return RunLine{TextRun{text, 0}}; }

// The line's width (the runs' widths added up) and height (the tallest
// run's); an empty line measures as a space in the font.
TextExtent MeasureRunLine(TextEngine& text, const RunLine& line, const FontSpec& font);

// The pixels of one drawing of the line with its cell's top-left corner at
// (0, 0): every run drawn at its place.
void DrawRunLineMask(TextEngine& text, const RunLine& line, const FontSpec& font, LineMask& mask);

struct StackPlacement {
    std::vector<int> x, y;  // top-left corner of each line's cell
    int bandTop = 0;        // the even row at or above the first line's top
    int bandHeight = 0;     // H1 + (H2 - OffsetOr) + ... + 6; a one-line subtitle counts an empty second line
};

// Where the lines go. `extents` holds at least two lines (an empty second
// line of a one-line subtitle is measured as a space), or with `anchorLast`
// the lines that are drawn (at least one). Nothing is clamped.
StackPlacement PlaceLines(const std::vector<TextExtent>& extents, int frameWidth, int frameHeight, int offset,
                          int offsetOr, Alignment align, bool top, bool anchorLast = false);

// Moves placed lines where `at` says (PlaceLines placed them first), the
// box kept `margin` columns from the left and right edges and inside the
// rows; the band follows.
void PlaceBox(const std::vector<TextExtent>& extents, int frameWidth, int frameHeight, int margin,
              const BoxPlace& at, StackPlacement& p);

// The lines anchored at the bottom line: every line up to the last one with
// text (at least one).
size_t LinesWithText(const std::vector<RunLine>& lines);

// Grows the band to hold ink drawn in rows [inkTop, inkEnd) with a blank row
// above and below it (its top stays even); a band that already does so is
// left as it is.
void HoldInk(StackPlacement& p, int inkTop, int inkEnd);

// Measures, places and draws every line (each over the ones before it).
// `lines` holds at least two lines. The band holds every drawn row, outline
// included (HoldInk).
StackPlacement DrawSubtitleLines(Frame& frame, TextEngine& text, const std::vector<RunLine>& lines,
                                 const SubtitleLook& look, bool top);
// The same drawing into the pixel codes a DVD unit is coded from.
StackPlacement DrawSubtitleLines(CodeFrame& frame, TextEngine& text, const std::vector<RunLine>& lines,
                                 const SubtitleLook& look, const LayerCodes& codes, bool top);

// Each line at least `limit` pixels wide broken where lines may break
// (LineBreaks: between words, between CJK characters, Thai by word) into the
// fewest lines narrower than `limit`, their widths as even as can be (the
// widest as narrow as possible); the spaces at the breaks are dropped. A line
// that cannot be broken so stays as it is.
std::vector<RunLine> WrapLines(TextEngine& text, const std::vector<RunLine>& lines, const FontSpec& font,
                               int limit);

}  // namespace glyphon
