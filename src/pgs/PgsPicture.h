// Subtitles drawn for presentation graphic streams: anti-aliased, with an
// outline, at the stream's own resolution.
//
// The lines are the DVD path's (every line, styled runs, wrapping), measured
// and stacked by its rules (render/StyledLines.h) with every distance scaled
// by PgsScale: the em of a font size, the 40 + offset rows above the bottom
// edge (or below the top edge for a subtitle placed at the top), the line
// spacing adjustment, the 8-column margin of "left" and "right" and the
// outline width. Pixels hold the coverage of the glyphs (t) and of the
// outline (o, which contains the glyphs) in kGreyLevels steps, and the
// palette index of a pixel names the pair: index o (o + 1) / 2 + t, 253
// entries in all, index 0 for an uncovered pixel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Rgb.h"
#include "pgs/PgsStream.h"
#include "render/GreyLine.h"
#include "render/StyledLines.h"
#include "render/TextEngine.h"

namespace glyphon {

// A colour with opacity (0 transparent, 255 opaque).
struct PgsColors {
    Rgba text{255, 255, 255, 255};
    Rgba outline{0, 0, 0, 255};
    Rgba background{0, 0, 0, 0};  // the box behind the lines; transparent: none
};

// How many of the stream's pixels stand for one pixel of a DVD frame: 1 for
// the DVD sizes (576 and 480 rows), the height over PAL's 576 rows otherwise,
// so that text takes the same share of the picture's height as on a PAL DVD.
double PgsScale(int frameHeight);
// The em in pixels of `points` on a frame `frameHeight` rows tall.
int PgsEm(int points, int frameHeight);

struct PgsLook {
    FontSpec font;
    int offset = 30;
    int offsetOr = -4;
    Alignment align = Alignment::Center;
    int outlineWidth = 3;  // in DVD pixels
    int frameWidth = 1920, frameHeight = 1080;
    BoxPlace place;  // the cue's own place, if any
};

inline constexpr int kPgsPaletteSize = kGreyPairs;
// The palette index of glyph coverage t within outline coverage o (t <= o):
// the pixel's pair byte as drawn.
constexpr int PgsIndex(int t, int o) { return GreyPair(t, o); }

// The colour a pixel of glyph coverage t and outline coverage o stands for:
// the text colour over t of kGreyLevels parts of the pixel, the outline's
// over o - t, the background's over the rest, each with its opacity.
Rgba PgsPixelColor(int t, int o, const PgsColors& colors);
// Y'CbCr (video range) with opacity: BT.709 above 576 rows, BT.601 otherwise,
// as players read them.
PgsColor ToPgsColor(Rgba c, int frameHeight);
// Entry i is the colour of the pair that PgsIndex maps to i: as RGBA (what
// a preview blends), or as the stream's palette holds it.
std::vector<Rgba> PgsPixelColors(const PgsColors& colors);
std::vector<PgsColor> PgsPalette(const PgsColors& colors, int frameHeight);

// The top-left corner of each line's cell on the stream's picture: the DVD
// path's stacking (PlaceLines) with its distances scaled, anchored at the
// bottom line (the last line's cell ends 40 + offset scaled rows above the
// bottom edge, the others stack above it) unless placed at the top.
StackPlacement PlacePgsLines(const std::vector<TextExtent>& extents, const PgsLook& look, bool top);

// Draws the lines (each over the ones before it: each pixel takes the larger
// coverage of each kind) and gives the smallest object that holds every
// covered pixel inside the frame, or an empty one when nothing is drawn. With
// a background that is not transparent the object is the box it fills.
// `lines` are the lines the DVD path draws (at least two; an empty line is
// measured as a space and draws nothing, and empty lines after the last with
// text are left out at the bottom); `top` places them at the top.
void DrawPgsSubtitle(TextEngine& engine, const std::vector<RunLine>& lines, bool top, const PgsLook& look,
                     PgsObject& object);
// Two plain lines at the bottom.
void DrawPgsSubtitle(TextEngine& engine, std::string_view line1, std::string_view line2, const PgsLook& look,
                     PgsObject& object);

}  // namespace glyphon
