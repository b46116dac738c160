// Outputs of one subtitle file of a run that would land on another file's
// outputs or inputs (two files of one name from two folders, written into
// one output folder). Each file's own run refuses replacing its own inputs;
// this looks across the files of a plan, before anything is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/ConversionJob.h"

namespace glyphon {

// Every name the run of `file`, one of `files`, writes under the job all
// files share: the files of each output kind that is on
// (core/OutputKinds.h; the VobSub pair where the run will put it), the help
// file last. The disc's are not among them.
std::vector<std::string> FileOutputNames(const ConversionJob& shared, const std::vector<std::string>& files,
                                         const std::string& file);

// The first output of a file that is an output of another file (or of the
// mux: film, palette, project) or another file's subtitle file, as the
// sentence that refuses the run; nothing when every name is its own.
std::optional<std::string> OutputClash(const ConversionJob& shared, const std::vector<std::string>& files);

}  // namespace glyphon
