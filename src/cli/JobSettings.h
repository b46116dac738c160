// Turns the options of a named conversion into the settings every front end
// gives the one translation into a job (core/JobBuilder.h): each list by its
// item's text at the option's position, the font by the font list's spelling
// of its name, the palette and roles the palette source picks unless
// --colors names them, the standard and aspect of the film to mux into.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/NamedOptions.h"
#include "core/ConversionJob.h"
#include "core/RunPlan.h"

namespace glyphon {

class TextEngine;

struct JobSettings {
    ConversionJob job;                  // subtitle file left empty: one job per file
    std::vector<std::string> warnings;  // one line each, no line end
    std::string error;                  // set when nothing can be converted
};

// Reads the IFO file when there is one (its palette and greys decide the
// palette, the standard and the default roles). `film` is the film to mux
// into as read (its standard, aspect and frame rate). `text` names the face
// that replaces a font that is not installed.
JobSettings ResolveJobSettings(const ConvertOptions& options, const std::optional<FilmCheck>& film,
                               const std::vector<std::string>& installedFamilies, TextEngine& text);

}  // namespace glyphon
