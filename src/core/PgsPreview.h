// The Blu-ray output's picture of a subtitle, for a preview: drawn as the
// PGS stream draws it at its own size, each pixel in its colour.
#pragma once

#include <vector>

#include "common/Rgb.h"
#include "core/ConversionJob.h"
#include "render/Renderer.h"
#include "render/StyledLines.h"

namespace glyphon {

struct PgsPreviewLook {
    FontSpec font;  // as the DVD frame has it; its width is the stream's own
    int offset = 30, offsetOr = -4;
    Alignment align = Alignment::Center;
    int outlineWidth = 3;  // in DVD pixels
    BoxPlace place;        // the cue's own place, if any
    PgsRequest stream;     // size and colours
    Rgba text, outline;    // the colours where the stream names none
};

// The drawn rectangle of the stream's picture (none: nothing drawn).
struct PgsPreviewPicture {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<Rgba> pixels;  // rows of width
    bool Empty() const { return width <= 0 || height <= 0; }
    Rgba At(int px, int py) const { return pixels[size_t(py - y) * size_t(width) + size_t(px - x)]; }
};

PgsPreviewPicture DrawPgsPreviewPicture(TextEngine& text, const std::vector<RunLine>& lines, bool top,
                                        const PgsPreviewLook& look);

}  // namespace glyphon
