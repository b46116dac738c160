#pragma once

#include "app/TForm1.h"

namespace glyphon {

// The folder of the running program, with a trailing '/'.
std::string ProgramDir();

// Everything TForm1 takes from its surroundings: program folder, settings
// path, arguments and the installed font families.
AppEnvironment MakeEnvironment(int argc, char** argv);

}  // namespace glyphon
