// The run of a styled script (ASS/SSA): drawn by libass instead of the
// text engine, every change on screen its own picture.
#pragma once

#include <string>

#include "core/Convert.h"

namespace glyphon {

// True for a subtitle file the styled path converts: the readers' probes
// take it for an ASS/SSA script.
bool IsStyledScript(const std::string& file);

// RunConversion for such a file: the same report, failures and outputs.
// The PGS stream is drawn by libass at its size; the DVD outputs at the
// standard's, each picture in four colours of a stream palette made from
// the script's colours (the IFO's palette when the job has one).
ConversionReport RunStyledConversion(const ConversionJob& job, TextEngine& text, const ConversionHooks& hooks,
                                     ConversionReport report);

}  // namespace glyphon
