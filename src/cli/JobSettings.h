// Turns the options of a named conversion into a conversion job: every list
// value as the window's list would give it (sizes and widths as numbers, the
// font by the font list's spelling of its name), the palette and the colour
// roles the palette source picks unless --colors names them.
#pragma once

#include <string>
#include <vector>

#include "cli/NamedOptions.h"
#include "core/ConversionJob.h"

namespace glyphon {

class TextEngine;

struct JobSettings {
    ConversionJob job;                  // subtitle file left empty: one job per file
    std::vector<std::string> warnings;  // one line each, no line end
    std::string error;                  // set when nothing can be converted
};

// Reads the IFO file when there is one (its palette and greys decide the
// palette, the standard and the default roles). `text` names the face that
// replaces a font that is not installed.
JobSettings ResolveJobSettings(const ConvertOptions& options,
                               const std::vector<std::string>& installedFamilies, TextEngine& text);

}  // namespace glyphon
