// Drawing a subtitle's lines into a frame in exactly four colours.
//
// A line is drawn in three layers: the outline layer is the line drawn at
// every offset (dx, dy) with |dx|, |dy| <= W, the antialias layer the line
// drawn at every offset within one pixel, the text layer the line itself,
// each layer over the previous one. The same pixels come out of the glyph
// mask dilated by a (2W + 1) square, dilated by a 3 x 3 square, and the mask
// itself, which is how they are computed here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/Alignment.h"
#include "common/CodeFrame.h"
#include "common/Rgb.h"
#include "render/TextEngine.h"

namespace glyphon {

struct LayerColors {
    Rgb outline, antialias, text;
};

// Left column of a line of `width` pixels: centred (the halves taken with
// the remainder dropped: 360 - 101 div 2 = 310), at column 8 on the left,
// or 8 columns from the right edge.
int AlignedX(int width, int frameWidth, Alignment align);

struct SubtitlePlacement {
    int x1 = 0, y1 = 0;  // top-left corner of line 1's text cell
    int x2 = 0, y2 = 0;  // of line 2
    int bandTop = 0;     // the even row at or above y1
    int bandHeight = 0;  // H1 + H2 - OffsetOr + 6
};

// Where the two lines of a subtitle go. Y1 = FrameHeight - H1 - 40 - Offset,
// Y2 = Y1 + H2 - OffsetOr. Nothing is clamped: the band may start above the
// frame or reach below it.
SubtitlePlacement PlaceSubtitle(TextExtent line1, TextExtent line2, int frameWidth, int frameHeight,
                                int offset, int offsetOr, Alignment align);

// Draws the three layers of one line whose text cell's top-left corner is at
// (x, y). Pixels outside the frame are neither read nor written. An outline
// width below 1 leaves the outline layer out.
void DrawLayeredLine(Frame& frame, const LineMask& mask, int x, int y, int outlineWidth,
                     const LayerColors& colors);

// The pixel codes of the three layers, for drawing into a CodeFrame.
struct LayerCodes {
    unsigned outline = 2, antialias = 3, text = 1;
};

// DrawLayeredLine into the codes a DVD unit is coded from: every pixel of
// the outline or antialias layer gets the code of the topmost layer it
// belongs to, exactly where DrawLayeredLine paints that layer's colour.
void DrawLayeredLineCodes(CodeFrame& frame, const LineMask& mask, int x, int y, int outlineWidth,
                          const LayerCodes& codes);

// Everything besides the two lines that decides how a subtitle is drawn.
// Where a cue's own settings put its stack of lines, as fractions of the
// frame (0 to 1 from the top left): `across`, the point (boxX of the box's
// width) that sits at column x, the lines aligned inside the box by boxX;
// `down`, the point (boxY of the box's height) that sits at row y. What is
// not set stays where the look places it. The box is kept inside the frame.
// A box `width` wide (a fraction of the frame's; 0: its widest line's)
// aligns its lines by lineX instead.
struct BoxPlace {
    bool across = false;
    double x = 0.5, boxX = 0.5;
    double width = 0, lineX = 0.5;
    bool down = false;
    double y = 1, boxY = 1;
    bool Any() const { return across || down; }
};

struct SubtitleLook {
    FontSpec font;
    int offset = 30;
    int offsetOr = -4;
    Alignment align = Alignment::Center;
    int outlineWidth = 3;
    LayerColors colors;
    bool anchorBottom = false;  // the last line at the offset from the bottom (PlaceLines)
    BoxPlace place;             // the cue's own place, if any
    // The letters of runs in these colours (TextRun::colour) are painted
    // `colour` (coded `code`) instead of the text layer's: a DVD unit's
    // second text colour. No runs: every letter in the text layer's.
    struct SecondText {
        std::vector<uint32_t> runs;
        Rgb colour;
        unsigned code = 3;
    } second;
};

// Measures and places both lines and draws them onto `frame` (line 1, then
// line 2 over it). An empty line is measured as a space and draws nothing.
SubtitlePlacement DrawSubtitle(Frame& frame, TextEngine& text, std::string_view line1, std::string_view line2,
                               const SubtitleLook& look);

}  // namespace glyphon
