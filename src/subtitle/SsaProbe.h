// ASS and SSA scripts: recognised here, read and drawn by libass on the
// styled run.
#pragma once

#include <string_view>

#include "subtitle/SubtitleReaders.h"

namespace glyphon {

// Sure for a text that starts (after blanks and ";" comment lines) with a
// "[Script Info]" section; Weak for one that has a styles or events section
// without it (libass reads some of those).
ProbeMatch ProbeSsa(std::string_view head);

// A line "[name]" among the head's lines, letters in any case.
bool HasSection(std::string_view head, std::string_view name);

}  // namespace glyphon
