// Turns the options of a named conversion into the job a batch line would
// hold: every list as the position the window's list gives that text, the
// font as its position in the font list that the job's window builds, and
// the colour roles the palette source picks unless --colors names them.
#pragma once

#include <string>
#include <vector>

#include "app/BatchLine.h"
#include "cli/NamedOptions.h"

namespace glyphon {

class TextEngine;

struct JobSettings {
    BatchJob job;  // subtitleFile left empty: one job per file
    // The installed families the job's window lists its fonts from: the
    // machine's, plus a requested family that is not installed, so that the
    // list holds its name and the text engine substitutes a face as it does
    // for any list item whose face is missing.
    std::vector<std::string> families;
    std::vector<std::string> warnings;  // one line each, no line end
    std::string error;                  // set when nothing can be converted
};

// Reads the IFO file when there is one (its palette decides the default
// roles). `text` names the face that replaces a font that is not installed.
JobSettings ResolveJobSettings(const ConvertOptions& options, const std::vector<std::string>& installedFamilies,
                               TextEngine& text);

}  // namespace glyphon
