// The one translation of the look's settings into a job, as every front end
// holds them: each list by its item's text (the window's lists, the named
// line's positions in the same lists, the 16-argument and batch lines
// through the window), the track bars by their positions.
#pragma once

#include <string>

#include "core/ConversionJob.h"

namespace glyphon {

struct LookTexts {
    std::string fontName, charset, style, size, align, outlineWidth;
    int offset = kOffsetSetting.byDefault;
    int lineSpacing = kLineSpacingSetting.byDefault;
};

// Sets the job's font, character set, style, size, alignment, offset, line
// spacing (held to their ranges and steps) and outline width. Returns the
// message of a size or outline width list whose text is no number (a list
// without a selection; the size then stays as it was), else an empty text.
std::string ApplyLookTexts(const LookTexts& texts, ConversionJob& job);

}  // namespace glyphon
