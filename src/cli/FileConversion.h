// One subtitle file of a named conversion: the core's report of its run put
// in the command line's words.
#pragma once

#include <string>
#include <vector>

#include "core/Convert.h"

namespace glyphon {

// What the command line says about one file's run: the character set found,
// why it failed, one line each without the file name; warnings (parts of the
// file left out, the run's own) each begin "warning: ".
std::vector<std::string> DescribeRun(const ConversionReport& report, bool wrap);

}  // namespace glyphon
