// "glyphon movie.srt", as a file manager starts the program for a file: the
// one argument names an existing file, which the window opens.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace glyphon {

// The file to open, as an absolute path, when `args` (argv, the program at
// index 0) holds exactly one argument naming an existing regular file.
std::optional<std::string> FileArgument(const std::vector<std::string>& args);

}  // namespace glyphon
