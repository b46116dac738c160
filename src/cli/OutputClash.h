// Outputs of one subtitle file of a run that would land on another file's
// outputs or inputs. Each file's own run refuses replacing its own inputs;
// this looks across files, before anything is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/NamedOptions.h"

namespace glyphon {

// Every name a subtitle file's run writes under the options: the files of
// each output kind that is on (core/OutputKinds.h; the VobSub pair where the
// run will put it), the help file last. The disc's are not among them.
std::vector<std::string> FileOutputNames(const ConvertOptions& o, const std::string& file);

// The first output of a file that is an output of another file (or of the
// mux: film, palette, project) or another file's subtitle file, as the
// sentence that refuses the command; nothing when every name is its own.
std::optional<std::string> OutputClash(const ConvertOptions& o);

}  // namespace glyphon
